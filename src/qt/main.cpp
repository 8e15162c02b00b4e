// Corvane: mirrors a Mirelon controller's screen, forwards keys and soft-key
// clicks to it, and backs up and restores its station parameters.
#include <QApplication>
#include <QIcon>
#include <filesystem>
#include <system_error>

#include "qt/main_window.h"
#include "qt/qt_program.h"
#include "qt/quit_signals.h"
#include "qt/settings_store.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(corvane::kSettingsOrganisation);
  QApplication::setApplicationName(corvane::kSettingsApplication);
  QApplication::setWindowIcon(QIcon(":/corvane/corvane.png"));
  // A quit request from the system closes the window like the operator
  // would, so nothing of a backup is left unflushed. Caught from here on,
  // before the program starts up and writes its files.
  corvane::QuitSignals quit;

  // The working directory holds config.dpm and the com<n> device entries.
  std::error_code error;
  std::filesystem::path base = std::filesystem::current_path(error);
  if (error) base = ".";

  corvane::QtProgram program({.base_directory = base});
  quit.SetWindow(&program.Window());
  // The program ends with its window. A box without an owner (the start-up's
  // "could not open the port") is a window of its own and would otherwise
  // keep the application going after the main window closed.
  QObject::connect(&program.Window(), &corvane::MainWindow::Closed, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  program.Start();
  const int code = QApplication::exec();
  program.Shutdown();
  return code;
}
