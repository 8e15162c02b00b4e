// The program's own dialogs and message boxes, driven as the operator
// would: open(), or a timer armed before exec().
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/connection_message.h"
#include "qt/file_chooser.h"
#include "qt/message_boxes.h"
#include "qt/network_port_dialog.h"
#include "qt/port_dialog.h"

namespace corvane {
namespace {

QStringList LabelTexts(const QWidget& widget) {
  QStringList texts;
  for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

TEST(PortDialogTest, ShowsTheCurrentNumberWithItsTextsAndOkAsDefault) {
  CommPortDialog dialog(3);
  dialog.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "COMM Port");
  EXPECT_EQ(dialog.Edit()->text(), "3");
  EXPECT_TRUE(dialog.OkButton()->isDefault());
  EXPECT_EQ(dialog.OkButton()->text(), "OK");
  EXPECT_EQ(dialog.CancelButton()->text(), "Cancel");
  const QStringList texts = LabelTexts(dialog);
  EXPECT_TRUE(texts.contains("COMM Port #"));
  EXPECT_TRUE(texts.contains("Range: 1 - 100"));
  EXPECT_TRUE(
      texts.contains("This parameter defines the address of the COMM port # used for "
                     "communication between the PC and the Quillon unit."));
  // Typing replaces the number; Enter is OK.
  QApplication::setActiveWindow(&dialog);
  dialog.Edit()->setFocus();
  QTest::keyClicks(dialog.Edit(), "x7");
  QTest::keyClick(dialog.Edit(), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.EnteredText(), "x7");
}

// OK with fields that make no address keeps the dialog and what was typed,
// says why and puts the focus on the field at fault.
TEST(NetworkPortDialogTest, OkTakesOnlyFieldsThatMakeAnAddress) {
  NetworkPortDialog dialog("socket://plc7.example:4001");
  dialog.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QApplication::setActiveWindow(&dialog);
  EXPECT_EQ(dialog.windowTitle(), "Network Port");
  EXPECT_EQ(dialog.HostEdit()->text(), "plc7.example");
  EXPECT_EQ(dialog.PortEdit()->text(), "4001");
  EXPECT_TRUE(dialog.RawTcpButton()->isChecked());

  dialog.PortEdit()->setText("70000");
  QTest::keyClick(dialog.HostEdit(), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.ProblemLabel()->text(), "The TCP port is a number from 1 to 65535.");
  EXPECT_TRUE(dialog.PortEdit()->hasFocus());
  EXPECT_EQ(dialog.HostEdit()->text(), "plc7.example");

  QTest::keyClicks(dialog.PortEdit(), "2217");
  dialog.Rfc2217Button()->click();
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Address(), "rfc2217://plc7.example:2217");
}

TEST(PortDialogTest, OkHandsOverTheTextAndCancelHandsOverNothing) {
  QtPortDialog port_dialog(nullptr);
  const auto press = [](const char* text, bool ok) {
    QTimer::singleShot(0, [text, ok] {
      auto* dialog = qobject_cast<CommPortDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->Edit()->setText(text);
      (ok ? dialog->OkButton() : dialog->CancelButton())->click();
    });
  };
  press("12", true);
  EXPECT_EQ(port_dialog.AskPortNumber(3), std::optional<std::string>("12"));
  press("12", false);
  EXPECT_EQ(port_dialog.AskPortNumber(3), std::nullopt);
}

TEST(MessageBoxesTest, MessagesFromWorkersOpenOneBoxAtATimeInOrder) {
  MessageBoxes boxes;
  QSignalSpy opened(&boxes, &MessageBoxes::BoxShown);
  std::thread worker([&] {
    boxes.Show({"Restore", "first", MessageIcon::kWarning});
    boxes.Show({"Backup Incomplete", "second", MessageIcon::kNone});
  });
  worker.join();
  ASSERT_TRUE(opened.wait(5000));
  QMessageBox* first = boxes.CurrentBox();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->windowTitle(), "Restore");
  EXPECT_EQ(first->text(), "first");
  EXPECT_EQ(first->icon(), QMessageBox::Warning);
  EXPECT_TRUE(first->isModal());
  // The second waits for the first.
  QCoreApplication::processEvents();
  EXPECT_EQ(opened.count(), 1);
  first->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(opened.wait(5000));
  QMessageBox* second = boxes.CurrentBox();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->windowTitle(), "Backup Incomplete");
  EXPECT_EQ(second->text(), "second");
  EXPECT_EQ(second->icon(), QMessageBox::NoIcon);
  second->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.CurrentBox() == nullptr; }, 5000));
}

// "Connection Failed" has no owner: the window and its menus stay usable,
// so the operator can go straight to the port dialog.
TEST(MessageBoxesTest, ABoxWithoutAnOwnerLeavesTheWindowUsable) {
  QWidget window;
  window.show();
  MessageBoxes boxes(&window);
  QSignalSpy opened(&boxes, &MessageBoxes::BoxShown);
  ShowConnectionFailed(boxes);
  ASSERT_TRUE(opened.wait(5000));
  QMessageBox* box = boxes.CurrentBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->parentWidget(), nullptr);
  EXPECT_FALSE(box->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.CurrentBox() == nullptr; }, 5000));
}

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"upper.SPB", "lower.spb", "mixed.Spb", "other.txt"}) {
      QFile file(dir_.filePath(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }
  QTemporaryDir dir_;
};

TEST_F(FileDialogTest, OffersTheCommandsTitleDefaultNameFilterAndSuffix) {
  auto dialog = MakeFileDialog({"Backup Station 3 Parameters", "Mirelon Parameters"},
                               /*save=*/true, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Backup Station 3 Parameters");
  EXPECT_EQ(dialog->nameFilters(), QStringList{"SPB Files (*.SPB)"});
  EXPECT_EQ(dialog->defaultSuffix(), "spb");
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  auto open = MakeFileDialog({"Restore All Station Parameters", "Mirelon Parameters"},
                             /*save=*/false, nullptr);
  EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open->fileMode(), QFileDialog::AnyFile);
  auto image = MakeFileDialog(
      {"Save Screen Image", "Mirelon 2026-12-07 10-15-03.png", FileKind::kScreenImage},
      /*save=*/true, nullptr);
  EXPECT_EQ(image->nameFilters(), QStringList{"PNG Files (*.png)"});
  EXPECT_EQ(image->defaultSuffix(), "png");
  EXPECT_FALSE(image->testOption(QFileDialog::DontConfirmOverwrite));
  // A clip's name takes the extension of the format chosen; a folder none.
  auto clip = MakeFileDialog({"Export Clip...", "night", FileKind::kClip}, /*save=*/true, nullptr);
  ASSERT_EQ(clip->nameFilters().size(), 3);
  EXPECT_EQ(clip->defaultSuffix(), "mp4");
  for (const auto& [filter, suffix] : {std::pair{1, "gif"}, std::pair{2, ""}}) {
    clip->selectNameFilter(clip->nameFilters()[filter]);
    emit clip->filterSelected(clip->nameFilters()[filter]);
    EXPECT_EQ(clip->defaultSuffix(), suffix);
  }
}

TEST_F(FileDialogTest, FilterListsSpbFilesInAnyCase) {
  auto dialog = MakeFileDialog({"Restore All Station Parameters", "Mirelon Parameters"},
                               /*save=*/false, nullptr);
  dialog->setDirectory(dir_.path());
  QSignalSpy loaded(dialog.get(), &QFileDialog::directoryEntered);
  dialog->open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
  auto* list = dialog->findChild<QListView*>("listView");
  ASSERT_NE(list, nullptr);
  QStringList listed;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        listed.clear();
        const QModelIndex root = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(root); ++row) {
          listed << list->model()->index(row, 0, root).data().toString();
        }
        listed.sort();
        return listed.size() >= 3;
      },
      5000));
  EXPECT_EQ(listed, (QStringList{"lower.spb", "mixed.Spb", "upper.SPB"}));
  dialog->reject();
}

TEST_F(FileDialogTest, ANameWithoutExtensionGetsSpbAndTheChoiceCarriesItsTitle) {
  QtFileChooser chooser(nullptr);
  const QString typed = dir_.filePath("plant");
  QTimer::singleShot(0, [typed] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Backup All Station Parameters");
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Mirelon Parameters");
    name->setText(typed);
    static_cast<QDialog*>(dialog)->accept();
  });
  const std::optional<FileChoice> choice =
      chooser.ChooseSaveFile({"Backup All Station Parameters", "Mirelon Parameters"});
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->path, dir_.filePath("plant.spb").toStdString());
  EXPECT_EQ(choice->title, "plant.spb");
}

TEST_F(FileDialogTest, SavingOverAnExistingFileAsksFirst) {
  QtFileChooser chooser(nullptr);
  const QString existing = dir_.filePath("lower.spb");
  bool asked = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    // The question comes up over the dialog; say No, then cancel.
    QTimer::singleShot(0, [&, dialog] {
      auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      asked = question != nullptr;
      if (question) question->button(QMessageBox::No)->click();
      dialog->reject();
    });
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(existing);
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(chooser.ChooseSaveFile({"Backup All Station Parameters", "Mirelon Parameters"}),
            std::nullopt);
  EXPECT_TRUE(asked);
}

TEST_F(FileDialogTest, CancelChoosesNothing) {
  QtFileChooser chooser(nullptr);
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      dialog->reject();
    }
  });
  EXPECT_EQ(chooser.ChooseOpenFile({"Restore All Station Parameters", "Mirelon Parameters"}),
            std::nullopt);
}

}  // namespace
}  // namespace corvane
