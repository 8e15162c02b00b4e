#include "qt/network_port_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/network_port_entry.h"

namespace corvane {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

NetworkPortDialog::NetworkPortDialog(std::string_view current_address, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Text(kNetworkPortDialogTitle));
  setObjectName("NetworkPortDialog");
  const NetworkPortFields fields = FieldsOfNetworkAddress(current_address);

  auto* explanation = new QLabel(Text(kNetworkPortExplanation), this);
  explanation->setWordWrap(true);
  host_ = new QLineEdit(QString::fromStdString(fields.host), this);
  host_->setObjectName("NetworkHostEdit");
  port_ = new QLineEdit(QString::fromStdString(fields.port), this);
  port_->setObjectName("NetworkTcpPortEdit");
  port_->setFixedWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
  rfc2217_ = new QRadioButton(Text(kNetworkRfc2217Text), this);
  raw_ = new QRadioButton(Text(kNetworkRawTcpText), this);
  (fields.kind == NetworkAddress::Kind::kRawTcp ? raw_ : rfc2217_)->setChecked(true);
  problem_ = new QLabel(this);
  problem_->setObjectName("NetworkPortProblem");
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  problem_->hide();

  auto* form = new QFormLayout;
  form->addRow(Text(kNetworkHostLabel), host_);
  form->addRow(Text(kNetworkTcpPortLabel), port_);
  form->addRow(QString(), rfc2217_);
  form->addRow(QString(), raw_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addLayout(form);
  layout->addWidget(problem_);
  layout->addWidget(buttons);
  setMinimumWidth(460);

  host_->selectAll();
  host_->setFocus();
}

void NetworkPortDialog::accept() {
  const NetworkPortCheck check = CheckNetworkPortFields(
      {host_->text().toStdString(), port_->text().toStdString(),
       raw_->isChecked() ? NetworkAddress::Kind::kRawTcp : NetworkAddress::Kind::kRfc2217});
  if (!check.problem.empty()) {
    // The dialog stays, so nothing typed is lost; the field at fault gets
    // the focus with its text selected for retyping.
    problem_->setText(QString::fromStdString(check.problem));
    problem_->show();
    QLineEdit* at_fault = check.field == NetworkPortField::kPort ? port_ : host_;
    at_fault->setFocus();
    at_fault->selectAll();
    return;
  }
  address_ = check.address;
  QDialog::accept();
}

}  // namespace corvane
