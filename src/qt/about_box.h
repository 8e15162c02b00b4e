// The About box: the program's icon, "Corvane Version <version>" and OK,
// with a line of link statistics for the service technician below.
//
// Threads: UI thread only.
#pragma once

#include <QDialog>
#include <string>

namespace corvane {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  // `details`, when not empty, is a smaller line below the version.
  explicit AboutBox(const std::string& details = {}, QWidget* parent = nullptr);
};

}  // namespace corvane
