// The file dialogs, with the system's common dialogs. For the parameter
// files: the title is the command's menu text, the offered name "Mirelon
// Parameters", the filter "SPB Files (*.SPB)", the default extension "spb".
// For a saved screen image: the filter "PNG Files (*.png)", the extension
// "png". For a clip (File > Export Clip...): one filter per format the
// build writes, here the PNG frames of a new folder, which take no
// extension. The save dialog asks before overwriting, the open dialog never
// asks and accepts a name that does not exist yet. A save dialog that fails says so in a
// "Dialog Error" box naming the reason, and so does either dialog for a name
// too long to take. Names travel wide, so the chosen path is exact.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/front_end.h"

namespace corvane {

// The name of a common dialog failure (CommDlgExtendedError) that the
// operator is shown; empty for a cancel and for codes that are not shown.
std::string_view CommonDialogErrorName(DWORD code);

class FileDialogs : public FileChooser {
 public:
  void Attach(HWND owner) { owner_ = owner; }
  std::optional<FileChoice> ChooseSaveFile(const FileChooserRequest& request) override;
  std::optional<FileChoice> ChooseOpenFile(const FileChooserRequest& request) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace corvane
