// The main window as the operator meets it: its menu, the keys and clicks
// that reach the controller, and the About accelerators.
#include "qt/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "app/commands.h"
#include "app/menu_table.h"
#include "app/picture_zoom.h"
#include "keypad/keypad.h"
#include "keypad/soft_key_areas.h"
#include "qt/about_box.h"
#include "qt/screen_view.h"
#include "support/front_end_fakes.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::TakeAllQueued;

// One key-down as the platform delivers it: the shortcut override first
// (a shortcut may take the key there), then the press. Unlike
// QTest::keyPress, no modifier key-downs are made up around it.
void KeyDown(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool repeat = false) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), repeat);
  if (qt_sendShortcutOverrideEvent(widget, press.timestamp(), key, modifiers, QString(), repeat)) {
    return;
  }
  QApplication::sendEvent(widget, &press);
}

std::string Codes(std::initializer_list<int> codes) {
  std::string out;
  for (int c : codes) out.push_back(static_cast<char>(c));
  return out;
}

// "text=id" for items, "text>" followed by the children for submenus.
std::vector<std::string> Describe(const QList<QAction*>& actions) {
  std::vector<std::string> out;
  for (QAction* action : actions) {
    if (action->menu()) {
      out.push_back(action->text().toStdString() + ">");
      for (std::string& child : Describe(action->menu()->actions())) out.push_back("  " + child);
    } else {
      out.push_back(action->text().toStdString() + "=" + std::to_string(action->data().toInt()));
    }
  }
  return out;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.SetCommandHandler([this](int command) { commands_.push_back(command); });
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    view_->setFocus();
  }

  std::string Sent() { return TakeAllQueued(queue_); }

  TransmitQueue queue_;
  Keypad keypad_{queue_};
  MainWindow window_{keypad_};
  ScreenView* view_ = window_.View();
  std::vector<int> commands_;
};

TEST_F(MainWindowTest, MenuBarHasTheItemsTextsAndIdentifiersInOrder) {
  const std::vector<std::string> expected = {
      "&File>",
      "  Backup>",
      "    Backup All Station Parameters=32773",
      "    Backup Station 1 Parameters=32775",
      "    Backup Station 2 Parameters=32776",
      "    Backup Station 3 Parameters=32777",
      "    Backup Station 4 Parameters=32778",
      "    Backup Station 5 Parameters=32779",
      "    Backup Station 6 Parameters=32780",
      "    Backup Station 7 Parameters=32781",
      "    Backup Station 8 Parameters=32782",
      "  Restore>",
      "    Restore All Station Parameters=32772",
      "    Partial Station Restore>",
      "      Restore Parameters to Station 1=32791",
      "      Restore Parameters to Station 2=32792",
      "      Restore Parameters to Station 3=32793",
      "      Restore Parameters to Station 4=32794",
      "      Restore Parameters to Station 5=32795",
      "      Restore Parameters to Station 6=32799",
      "      Restore Parameters to Station 7=32797",
      "      Restore Parameters to Station 8=32798",
      "  =0",
      "  Record Session...=32820",
      "  Stop Recording=32821",
      "  =0",
      "  Open Recording...=32822",
      "  Back to Live=32823",
      "  Export Clip...=32840",
      "  =0",
      "  E&xit=105",
      "&Config>",
      "  &COMM Port=32771",
      "  &Network Port...=32830",
      "&View>",
      "  Save Screen Image...=32810",
      "  Copy Screen Image=32811",
      "  =0",
      "  100 %=32812",
      "  150 %=32813",
      "  200 %=32814",
      "  Fit to Window=32815",
      "  =0",
      "  Draw While Receiving=32816",
      "&Help>",
      "  &About ...=104",
  };
  EXPECT_EQ(Describe(window_.menuBar()->actions()), expected);
  EXPECT_EQ(window_.windowTitle(), "Corvane");
}

TEST_F(MainWindowTest, MenuItemsRaiseTheirCommand) {
  window_.ActionFor(32799)->trigger();
  window_.ActionFor(command_id::kCommPort)->trigger();
  EXPECT_EQ(commands_, (std::vector<int>{32799, command_id::kCommPort}));
  EXPECT_EQ(window_.ActionFor(32796), nullptr);
}

TEST_F(MainWindowTest, ShiftedDigitsAndLettersSendTheKeysCode) {
  KeyDown(view_, Qt::Key_Exclam, Qt::ShiftModifier);
  KeyDown(view_, Qt::Key_A, Qt::ShiftModifier);
  KeyDown(view_, Qt::Key_Greater, Qt::ShiftModifier);
  KeyDown(view_, Qt::Key_Backspace);
  EXPECT_EQ(Sent(), Codes({49, 65, 190, 37}));
}

TEST_F(MainWindowTest, CtrlThenADigitSendsTheCtrlCode) {
  KeyDown(view_, Qt::Key_Control, Qt::ControlModifier);
  KeyDown(view_, Qt::Key_1, Qt::ControlModifier);
  KeyDown(view_, Qt::Key_2, Qt::ControlModifier);
  // Ctrl, then Shift, then 1: the Shift key-down disarms the Ctrl code.
  KeyDown(view_, Qt::Key_Control, Qt::ControlModifier);
  KeyDown(view_, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
  KeyDown(view_, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Sent(), Codes({140, 50, 49}));
}

TEST_F(MainWindowTest, KeypadDigitsAndF10ToF12SendNothing) {
  KeyDown(view_, Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(keypad_.LastKeyDown(), 97u);
  KeyDown(view_, Qt::Key_F11);
  KeyDown(view_, Qt::Key_F12);
  EXPECT_EQ(keypad_.LastKeyDown(), 123u);
  KeyDown(view_, Qt::Key_Control, Qt::ControlModifier);
  // F10 is the menus' key: it does not even disarm the Ctrl code.
  KeyDown(view_, Qt::Key_F10, Qt::ControlModifier);
  EXPECT_EQ(keypad_.LastKeyDown(), 17u);
  KeyDown(view_, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Sent(), Codes({13}));
}

TEST_F(MainWindowTest, AltSlashAndAltQuestionOpenTheAboutBoxAndSendNothing) {
  // The window runs the real About box here, through its own command.
  window_.SetCommandHandler([this](int command) {
    commands_.push_back(command);
    if (command == command_id::kAbout) window_.ShowAbout({});
  });
  std::vector<QString> seen;
  const auto close_about = [&] {
    auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
    if (!box) return;
    auto* text = box->findChild<QLabel*>("AboutText");
    seen.push_back(box->windowTitle() + "|" + (text ? text->text() : QString()));
    box->accept();
  };
  KeyDown(view_, Qt::Key_Control, Qt::ControlModifier);
  QTimer::singleShot(0, close_about);
  KeyDown(view_, Qt::Key_Slash, Qt::AltModifier);
  QTimer::singleShot(0, close_about);
  KeyDown(view_, Qt::Key_Question, Qt::AltModifier | Qt::ShiftModifier);
  KeyDown(view_, Qt::Key_Alt, Qt::AltModifier);
  EXPECT_EQ(commands_, (std::vector<int>{command_id::kAbout, command_id::kAbout}));
  EXPECT_EQ(seen, (std::vector<QString>{"About|Corvane Version 1.8", "About|Corvane Version 1.8"}));
  EXPECT_EQ(Sent(), "");
  // Alt keys leave the last key-down alone: Ctrl is still armed.
  EXPECT_EQ(keypad_.LastKeyDown(), 17u);
  // The window has its keys back once the box is gone.
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  EXPECT_EQ(QApplication::focusWidget(), view_);
}

TEST_F(MainWindowTest, TabAndShiftTabReachTheControllerNotTheFocusChain) {
  auto* other = new QLineEdit;
  window_.statusBar()->addWidget(other);
  window_.statusBar()->show();
  other->show();
  // The focus chain really has somewhere else to go.
  other->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), other);
  view_->setFocus();
  KeyDown(view_, Qt::Key_Tab);
  KeyDown(view_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Sent(), Codes({9, 9}));
  EXPECT_EQ(QApplication::focusWidget(), view_);
}

TEST_F(MainWindowTest, EveryAutoRepeatSendsOnce) {
  for (int i = 0; i < 3; ++i) KeyDown(view_, Qt::Key_Down, Qt::NoModifier, /*repeat=*/i > 0);
  EXPECT_EQ(Sent(), Codes({40, 40, 40}));
}

TEST_F(MainWindowTest, ForwardedKeysAreNotTakenByShortcuts) {
  // A window shortcut on a key the controller needs must not steal it.
  auto* thief = new QAction(&window_);
  thief->setShortcut(QKeySequence(Qt::Key_F1));
  int stolen = 0;
  QObject::connect(thief, &QAction::triggered, [&] { ++stolen; });
  window_.addAction(thief);
  KeyDown(view_, Qt::Key_F1);
  EXPECT_EQ(stolen, 0);
  EXPECT_EQ(Sent(), Codes({112}));
}

TEST_F(MainWindowTest, ClicksOnSoftKeyBordersInClientCoordinates) {
  const auto click = [&](int x, int y) {
    QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    return Sent();
  };
  EXPECT_EQ(click(154, 60), "");
  EXPECT_EQ(click(155, 60), Codes({140}));
  EXPECT_EQ(click(201, 60), Codes({140}));
  EXPECT_EQ(click(202, 60), "");
  EXPECT_EQ(click(203, 60), "");
  EXPECT_EQ(click(206, 43), Codes({141}));
  EXPECT_EQ(click(206, 42), "");
  EXPECT_EQ(click(564, 89), Codes({147}));
  EXPECT_EQ(click(564, 90), "");
  QTest::mouseClick(view_, Qt::RightButton, Qt::NoModifier, QPoint(160, 60));
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(keypad_.LastClick().x, 564);
  EXPECT_EQ(keypad_.LastClick().y, 90);
}

TEST_F(MainWindowTest, ZoomItemsAreOneRadioGroup) {
  ApplyZoom(window_, ZoomMode::k150);
  EXPECT_TRUE(window_.ActionFor(command_id::kZoom150)->isChecked());
  window_.ActionFor(command_id::kZoomFit)->trigger();
  EXPECT_TRUE(window_.ActionFor(command_id::kZoomFit)->isChecked());
  EXPECT_FALSE(window_.ActionFor(command_id::kZoom150)->isChecked());
  EXPECT_FALSE(window_.ActionFor(command_id::kSaveScreenImage)->isCheckable());
  EXPECT_EQ(commands_, std::vector<int>{command_id::kZoomFit});
}

// Each soft key painted in a colour of its own on white: at every zoom a
// click on a client pixel drawn in a key's colour sends that key, and one
// on white beside it sends nothing. Blended pixels at the edges of Fit to
// Window may go either way.
TEST_F(MainWindowTest, AtEveryZoomAClickSendsTheSoftKeyDrawnUnderIt) {
  Surface surface;
  std::map<QRgb, int> key_of_colour;
  for (size_t k = 0; k < kSoftKeyAreas.size(); ++k) {
    const PictureBounds key = SoftKeyPicturePixels(kSoftKeyAreas[k]);
    const Pixel colour = MakePixel(0, static_cast<uint8_t>(40 + 20 * k), 200);
    key_of_colour[colour] = kSoftKeyAreas[k].code;
    surface.SelectPen(colour);
    for (int y = key.top; y <= key.bottom; ++y) surface.FillRowSpan(y, key.left, key.right + 1);
  }
  QSignalSpy shown(view_, &ScreenView::PictureShown);
  testing::ShowWholePicture(view_->Display(), surface);
  ASSERT_TRUE(shown.wait(5000));

  const auto probe = [&](const QImage& drawn, int x, int y) {
    const QRgb colour = drawn.pixel(x, y);
    const auto key = key_of_colour.find(colour);
    if (colour != kInitialSurfacePixel && key == key_of_colour.end()) return;
    QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    const std::string sent = Sent();
    if (key == key_of_colour.end()) {
      EXPECT_EQ(sent, "") << "white at " << x << "," << y;
    } else {
      EXPECT_EQ(sent, Codes({key->second})) << "key colour at " << x << "," << y;
    }
  };
  for (ZoomMode mode : {ZoomMode::k100, ZoomMode::k150, ZoomMode::k200, ZoomMode::kFit}) {
    SCOPED_TRACE(std::string(ZoomName(mode)));
    ApplyZoom(window_, mode);
    // Room for the whole picture whatever the test screen's size; Fit gets
    // a window of another shape than the picture's.
    window_.resize(mode == ZoomMode::kFit ? QSize(1000, 700) : QSize(1700, 1400));
    QTest::qWait(0);
    const QImage drawn = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const PixelRect picture = PictureRectFor(mode, {view_->width(), view_->height()});
    const auto client_x = [&](int px) { return picture.x + px * picture.width / 800; };
    const auto client_y = [&](int py) { return picture.y + py * picture.height / 600; };
    // Across every key along the middle of their band, and down through S1.
    for (int x = client_x(140); x < client_x(570); ++x) probe(drawn, x, client_y(36));
    for (int y = client_y(5); y < client_y(70); ++y) probe(drawn, client_x(168), y);
    // Beside the picture: nothing.
    QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(5, client_y(36)));
    EXPECT_EQ(Sent(), "");
  }
}

TEST_F(MainWindowTest, ADoubleClickIsTwoPresses) {
  // Through the window, as the platform delivers it: press, release, press
  // and double-click, release.
  QTest::mouseDClick(window_.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                     view_->mapTo(&window_, QPoint(300, 50)));
  EXPECT_EQ(Sent(), Codes({142, 142}));
}

TEST_F(MainWindowTest, WindowFitsTheWholeView) {
  window_.FitToView();
  QTest::qWait(0);
  EXPECT_GE(view_->width(), 820);
  EXPECT_GE(view_->height(), 640);
  // The view is the whole client area below the menu bar.
  EXPECT_EQ(view_->mapTo(&window_, QPoint(0, 0)).y(), window_.menuBar()->height());
}

}  // namespace
}  // namespace corvane
