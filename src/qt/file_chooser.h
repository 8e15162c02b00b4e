// The file dialogs, with the toolkit's own file dialog: the title is the
// command's menu text, the offered name and the filter as the request and
// its kind say (FiltersFor). The save dialog asks before overwriting, the
// open dialog never asks and accepts a name that does not exist yet.
//
// Threads: UI thread only.
#pragma once

#include <QFileDialog>

#include "app/front_end.h"

namespace corvane {

// A dialog set up for one command, not yet shown. Tests open() it and
// drive it; the program exec()s it.
std::unique_ptr<QFileDialog> MakeFileDialog(const FileChooserRequest& request, bool save,
                                            QWidget* owner);

// The choice a finished dialog holds.
FileChoice ChoiceFromPath(const QString& path);

class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* owner) : owner_(owner) {}
  std::optional<FileChoice> ChooseSaveFile(const FileChooserRequest& request) override;
  std::optional<FileChoice> ChooseOpenFile(const FileChooserRequest& request) override;

 private:
  std::optional<FileChoice> Choose(const FileChooserRequest& request, bool save);
  QWidget* owner_;
};

}  // namespace corvane
