#include "qt/port_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/port_dialog_texts.h"
#include "qt/network_port_dialog.h"

namespace corvane {

CommPortDialog::CommPortDialog(int current_port, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kPortDialogTitle.data(), kPortDialogTitle.size()));
  setObjectName("CommPortDialog");

  auto* number_label =
      new QLabel(QString::fromUtf8(kPortNumberLabel.data(), kPortNumberLabel.size()), this);
  // Any characters may be typed; OK decides what they mean.
  edit_ = new QLineEdit(QString::number(static_cast<unsigned>(current_port)), this);
  edit_->setObjectName("PortNumberEdit");
  edit_->setFixedWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
  number_label->setBuddy(edit_);
  auto* about_label = new QLabel(
      QString::fromUtf8(kPortDialogExplanation.data(), kPortDialogExplanation.size()), this);
  about_label->setWordWrap(true);
  auto* range_label = new QLabel(QString::fromStdString(PortRangeText()), this);

  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* number_row = new QHBoxLayout;
  number_row->addWidget(number_label);
  number_row->addWidget(edit_);
  number_row->addStretch();

  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* text = new QVBoxLayout;
  text->addLayout(number_row);
  text->addWidget(about_label);
  text->addWidget(range_label);
  text->addStretch();

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(text, 1);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  // The number is selected and has the focus, so typing replaces it.
  edit_->selectAll();
  edit_->setFocus();
}

QString CommPortDialog::EnteredText() const { return edit_->text(); }

std::optional<std::string> QtPortDialog::AskPortNumber(int current_port) {
  CommPortDialog dialog(current_port, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.EnteredText().toStdString();
}

std::optional<std::string> QtPortDialog::AskNetworkAddress(std::string_view current_address) {
  NetworkPortDialog dialog(current_address, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Address();
}

}  // namespace corvane
