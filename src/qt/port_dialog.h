// The "COMM Port" dialog: the operator types the number of the COM port
// the controller hangs on. What OK does with the text is the command
// logic's (CommandDispatch::ApplyPortNumber); this is only the dialog.
//
// Threads: UI thread only.
#pragma once

#include <QDialog>

#include "app/front_end.h"

class QLineEdit;
class QPushButton;

namespace corvane {

class CommPortDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CommPortDialog(int current_port, QWidget* parent = nullptr);

  QString EnteredText() const;
  QLineEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// PortDialog for the program: runs CommPortDialog, or NetworkPortDialog
// (qt/network_port_dialog.h), modally over `owner`.
class QtPortDialog : public PortDialog {
 public:
  explicit QtPortDialog(QWidget* owner) : owner_(owner) {}
  std::optional<std::string> AskPortNumber(int current_port) override;
  std::optional<std::string> AskNetworkAddress(std::string_view current_address) override;

 private:
  QWidget* owner_;
};

}  // namespace corvane
