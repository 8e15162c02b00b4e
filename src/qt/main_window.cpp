#include "qt/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cstring>

#include "app/captions.h"
#include "app/menu_table.h"
#include "app/picture_zoom.h"
#include "app/window_fit.h"
#include "qt/about_box.h"
#include "qt/replay_bar.h"
#include "qt/screen_view.h"
#include "screen/surface.h"

namespace corvane {
namespace {

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MainWindow::MainWindow(Keypad& keypad, QWidget* parent)
    : QMainWindow(parent),
      view_(new ScreenView(keypad, this)),
      replay_bar_(new ReplayBar(this)),
      zoom_group_(new QActionGroup(this)) {
  setObjectName("CorvaneMainWindow");
  setWindowTitle(Text(kWindowTitle));
  view_->setObjectName("ScreenView");
  setCentralWidget(view_);
  BuildMenus();
  addToolBar(Qt::BottomToolBarArea, replay_bar_);
  // The bar comes and goes with a replay: the picture keeps its room.
  connect(replay_bar_, &ReplayBar::ShownChanged, this, [this] {
    if (isVisible() && !isMaximized() && !isFullScreen()) FitToView();
  });

  view_->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  const std::function<void(QMenu*, std::span<const MenuEntry>)> add_entries =
      [&](QMenu* menu, std::span<const MenuEntry> entries) {
        for (const MenuEntry& entry : entries) {
          if (entry.IsSeparator()) {
            menu->addSeparator();
            continue;
          }
          if (entry.command == 0) {
            add_entries(menu->addMenu(Text(entry.text)), entry.children);
            continue;
          }
          QAction* action = menu->addAction(Text(entry.text));
          action->setData(entry.command);
          const int command = entry.command;
          connect(action, &QAction::triggered, this, [this, command] { Raise(command); });
          actions_[command] = action;
          if (ZoomOfCommand(command)) {
            // Exclusive: checking one item unchecks the others.
            action->setCheckable(true);
            zoom_group_->addAction(action);
          } else if (command == command_id::kDrawWhileReceiving) {
            action->setCheckable(true);
          }
        }
      };
  for (const MenuEntry& top : MainMenu()) {
    add_entries(menuBar()->addMenu(Text(top.text)), top.children);
  }
}

QAction* MainWindow::ActionFor(int command) const {
  const auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::Raise(int command) {
  emit CommandRaised(command);
  if (command_handler_) command_handler_(command);
  if (closed_) return;
  // A dialog has come and gone: without a window manager nobody gives the
  // window its focus back, and keys would go nowhere.
  activateWindow();
  view_->setFocus();
}

void MainWindow::FitToView() {
  // The client area is the menu bar above the view; the frame around it is
  // the window manager's.
  // The replay's bar, while shown, counts with the menu bar.
  const int menu = menuBar()->sizeHint().height() +
                   (replay_bar_->isHidden() ? 0 : replay_bar_->sizeHint().height());
  const QSize view = view_->sizeHint();
  QSize wanted(view.width(), view.height() + menu);
  const QScreen* screen = this->screen();
  if (screen == nullptr) {
    resize(wanted);
    return;
  }
  // The frame's size is known once the window manager has framed the
  // window; before that it counts as none.
  const ClientSize unzoomed = ClientSizeFor(ZoomMode::k100);
  const QRect room = screen->availableGeometry();
  const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
  const QPoint now = frameGeometry().topLeft();
  const WindowPlace place =
      FitWindowToWorkArea({wanted.width() + frame.width(), wanted.height() + frame.height()},
                          {unzoomed.width + frame.width(), unzoomed.height + menu + frame.height()},
                          now.x(), now.y(), {room.left(), room.top(), room.width(), room.height()});
  resize(place.size.width - frame.width(), place.size.height - frame.height());
  // Before the window is shown the system places it.
  if (isVisible() && place.moved) move(place.x, place.y);
}

bool MainWindow::CopyShownPicture(std::vector<Pixel>& pixels) const {
  const QImage picture = view_->Picture();
  if (picture.isNull()) return false;
  // The view keeps the decoder's pixels as they came, one RGB32 row after
  // the other: a Pixel's own layout.
  pixels.resize(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  for (int y = 0; y < Surface::kHeight; ++y) {
    std::memcpy(pixels.data() + static_cast<size_t>(y) * Surface::kWidth, picture.constScanLine(y),
                static_cast<size_t>(Surface::kWidth) * sizeof(Pixel));
  }
  return true;
}

void MainWindow::ShowZoom(ZoomMode mode) {
  view_->SetZoom(mode);
  if (QAction* item = ActionFor(ZoomCommand(mode))) item->setChecked(true);
}

bool MainWindow::WindowShown() const { return isVisible(); }

void MainWindow::SizeWindowToPicture() {
  // A maximized window keeps its size whatever it is given.
  if (isMaximized() || isFullScreen()) showNormal();
  FitToView();
}

void MainWindow::CheckDrawWhileReceiving(bool on) {
  if (QAction* item = ActionFor(command_id::kDrawWhileReceiving)) item->setChecked(on);
}

void MainWindow::EnableCommand(int command, bool enabled) {
  if (QAction* item = ActionFor(command)) item->setEnabled(enabled);
  replay_bar_->EnableCommand(command, enabled);
}

MonitorScale MainWindow::WindowMonitor() const {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return {};
  // Qt itself draws the window devicePixelRatio times larger, which takes
  // all or part of the desktop's scale. What it leaves to the program, it
  // reports as logical dots per inch above 96: all of the scale where its
  // own scaling is off, the rest where it rounds its ratio down.
  const double scale = screen->logicalDotsPerInch() / 96.0;
  // Before the window manager has framed the window, its frame counts as a
  // title bar.
  const QSize frame =
      isVisible() ? frameGeometry().size() - size()
                  : QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
  const QSize room =
      screen->availableGeometry().size() - frame - QSize(0, menuBar()->sizeHint().height());
  return {scale, ClientSize{room.width(), room.height()}};
}

void MainWindow::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromLocal8Bit(caption));
}

void MainWindow::ShowAbout(const std::string& details) {
  AboutBox box(details, this);
  box.exec();
}

void MainWindow::CloseWindow() { close(); }

void MainWindow::ShowWindow() {
  // Sized before it is shown, so the window manager places it whole at once.
  FitToView();
  show();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // The About accelerators. They are matched here by the key the layout
  // produced rather than as shortcuts: whether a shortcut Alt+"?" matches
  // depends on whether the platform plugin drops the Shift that "?" needs
  // (the offscreen one does not). The view passes every key pressed with
  // Alt up to here.
  if ((event->modifiers() & Qt::AltModifier) &&
      (event->key() == Qt::Key_Question || event->key() == Qt::Key_Slash)) {
    event->accept();
    Raise(command_id::kAbout);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    if (close_handler_) close_handler_();
    emit Closed();
  }
  event->accept();
}

}  // namespace corvane
