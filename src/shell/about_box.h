// The About box: the program's icon, "Corvane Version 1.8" and OK.
//
// Threads: UI thread only.
#pragma once

#include <QDialog>

namespace corvane {

inline constexpr char kAboutText[] = "Corvane Version 1.8";

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace corvane
