// The "Network Port" dialog: the host and TCP port of a serial device
// server, and whether it speaks RFC 2217 or raw TCP. OK is taken only when
// the fields make an address (app/network_port_entry.h); otherwise the
// dialog says what is wrong beneath the fields and keeps the focus on the
// field at fault. What OK does with the address is the command logic's
// (CommandDispatch::ApplyNetworkAddress).
//
// Threads: UI thread only.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane {

class NetworkPortDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens on `current_address`, or empty fields and RFC 2217 for none.
  explicit NetworkPortDialog(std::string_view current_address, QWidget* parent = nullptr);

  // The address the fields made at OK; empty before.
  const std::string& Address() const { return address_; }
  QLineEdit* HostEdit() const { return host_; }
  QLineEdit* PortEdit() const { return port_; }
  QRadioButton* Rfc2217Button() const { return rfc2217_; }
  QRadioButton* RawTcpButton() const { return raw_; }
  QLabel* ProblemLabel() const { return problem_; }
  QPushButton* OkButton() const { return ok_; }

  void accept() override;

 private:
  QLineEdit* host_;
  QLineEdit* port_;
  QRadioButton* rfc2217_;
  QRadioButton* raw_;
  QLabel* problem_;
  QPushButton* ok_;
  std::string address_;
};

}  // namespace corvane
