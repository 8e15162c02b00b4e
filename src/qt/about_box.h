// The About box: the program's icon, "Corvane Version <version>" and OK.
//
// Threads: UI thread only.
#pragma once

#include <QDialog>

namespace corvane {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace corvane
