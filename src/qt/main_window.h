// The main window: title and icon, the menu bar built from the menu table
// (the zoom items a radio group), the About accelerators (Alt with "?" or
// "/"), and the view as its whole client area, sized to the picture at its
// zoom. Menu items and accelerators raise command identifiers; the
// composition root hands them to the dispatch table.
//
// Threads: UI thread only.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>

#include "app/front_end.h"

class QAction;
class QActionGroup;

namespace corvane {

class Keypad;
class ReplayBar;
class ScreenView;

class MainWindow : public QMainWindow, public WindowControl, public PictureView, public MenuItems {
  Q_OBJECT

 public:
  explicit MainWindow(Keypad& keypad, QWidget* parent = nullptr);
  ~MainWindow() override;

  ScreenView* View() const { return view_; }
  // The replay's controls, under the picture while a recording replays.
  ReplayBar* Replay() const { return replay_bar_; }
  // The menu item that raises `command`; null for none.
  QAction* ActionFor(int command) const;

  // Every command an item or accelerator raises goes here.
  void SetCommandHandler(std::function<void(int)> handler) {
    command_handler_ = std::move(handler);
  }
  // Runs once, when the window closes (by Exit or by the window's own
  // close button), before it goes.
  void SetCloseHandler(std::function<void()> handler) { close_handler_ = std::move(handler); }

  // Sizes the window so that the whole view shows at its zoom, as far as
  // the screen's free area allows, and moves it back onto that area when
  // it would stick out.
  void FitToView();

  // WindowControl.
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void ShowAbout(const std::string& details) override;
  void CloseWindow() override;

  // PictureView.
  bool CopyShownPicture(std::vector<Pixel>& pixels) const override;
  void ShowZoom(ZoomMode mode) override;
  bool WindowShown() const override;
  void SizeWindowToPicture() override;
  MonitorScale WindowMonitor() const override;
  void CheckDrawWhileReceiving(bool on) override;

  // MenuItems: the menu's item and the replay bar's button alike.
  void EnableCommand(int command, bool enabled) override;

 signals:
  void CommandRaised(int command);
  // Once, when the window closes (Exit, the close box, a quit signal).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void Raise(int command);

  ScreenView* view_;
  ReplayBar* replay_bar_;
  std::map<int, QAction*> actions_;
  QActionGroup* zoom_group_;
  std::function<void(int)> command_handler_;
  std::function<void()> close_handler_;
  bool closed_ = false;
};

}  // namespace corvane
