#include "qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include "app/captions.h"
#include "app/menu_table.h"
#include "qt/about_box.h"
#include "qt/screen_view.h"

namespace corvane {
namespace {

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MainWindow::MainWindow(Keypad& keypad, QWidget* parent)
    : QMainWindow(parent), view_(new ScreenView(keypad, this)) {
  setObjectName("CorvaneMainWindow");
  setWindowTitle(Text(kWindowTitle));
  view_->setObjectName("ScreenView");
  setCentralWidget(view_);
  BuildMenus();

  view_->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  const std::function<void(QMenu*, std::span<const MenuEntry>)> add_entries =
      [&](QMenu* menu, std::span<const MenuEntry> entries) {
        for (const MenuEntry& entry : entries) {
          if (entry.command == 0) {
            add_entries(menu->addMenu(Text(entry.text)), entry.children);
            continue;
          }
          QAction* action = menu->addAction(Text(entry.text));
          action->setData(entry.command);
          const int command = entry.command;
          connect(action, &QAction::triggered, this, [this, command] { Raise(command); });
          actions_[command] = action;
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
  const QSize view = view_->sizeHint();
  resize(view.width(), view.height() + menuBar()->sizeHint().height());
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
  }
  event->accept();
}

}  // namespace corvane
