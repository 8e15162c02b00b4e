#include "qt/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/captions.h"

namespace corvane {

AboutBox::AboutBox(const std::string& details, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  setObjectName("AboutBox");

  auto* icon = new QLabel(this);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  auto* text = new QLabel(QString::fromStdString(AboutText()), this);
  text->setObjectName("AboutText");
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(icon);
  layout->addSpacing(12);
  if (details.empty()) {
    layout->addWidget(text, 1);
  } else {
    auto* lines = new QVBoxLayout;
    lines->addWidget(text);
    auto* detail = new QLabel(QString::fromStdString(details), this);
    detail->setObjectName("AboutDetails");
    lines->addWidget(detail);
    layout->addLayout(lines, 1);
  }
  layout->addWidget(ok, 0, Qt::AlignTop);
}

}  // namespace corvane
