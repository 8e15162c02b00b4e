#include "win32/file_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <string>

namespace corvane {
namespace {

// The dialog's buffers: a path as long as the system allows, and the file's
// title.
constexpr DWORD kPathCapacity = MAX_PATH;
constexpr DWORD kTitleCapacity = 512;

// Filter text and pattern pairs, each ending in a NUL, the list in two.
constexpr char kParameterFilter[] = "SPB Files (*.SPB)\0*.spb\0";
constexpr char kParameterExtension[] = "spb";
constexpr char kScreenImageFilter[] = "PNG Files (*.png)\0*.png\0";
constexpr char kScreenImageExtension[] = "png";

std::optional<FileChoice> Run(HWND owner, const FileChooserRequest& request, bool save) {
  char path[kPathCapacity] = {};
  char file_title[kTitleCapacity] = {};
  request.default_name.copy(path, kPathCapacity - 1);
  const std::string title(request.title);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  const bool image = request.kind == FileKind::kScreenImage;
  dialog.lpstrFilter = image ? kScreenImageFilter : kParameterFilter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrFileTitle = file_title;
  dialog.nMaxFileTitle = kTitleCapacity;
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = image ? kScreenImageExtension : kParameterExtension;
  // The dialogs would otherwise move the working directory, where
  // config.dpm and a later dialog's start are looked for.
  dialog.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : 0);

  if (save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) {
    return FileChoice{path, file_title};
  }
  // The open dialog reports nothing: a failure ends the command as a
  // cancel does.
  if (save) {
    const std::string_view reason = CommonDialogErrorName(CommDlgExtendedError());
    if (!reason.empty()) {
      MessageBoxA(owner, std::string(reason).c_str(), "Dialog Error", MB_OK);
    }
  }
  return std::nullopt;
}

}  // namespace

std::string_view CommonDialogErrorName(DWORD code) {
  switch (code) {
    case CDERR_STRUCTSIZE: return "CDERR_STRUCTSIZE";
    case CDERR_INITIALIZATION: return "CDERR_INITIALIZATION";
    case CDERR_NOTEMPLATE: return "CDERR_NOTEMPLATE";
    case CDERR_NOHINSTANCE: return "CDERR_NOHINSTANCE";
    case CDERR_LOADSTRFAILURE: return "CDERR_LOADSTRFAILURE";
    case CDERR_FINDRESFAILURE: return "CDERR_FINDRESFAILURE";
    case CDERR_LOADRESFAILURE: return "CDERR_LOADRESFAILURE";
    case CDERR_LOCKRESFAILURE: return "CDERR_LOCKRESFAILURE";
    case CDERR_MEMALLOCFAILURE: return "CDERR_MEMALLOCFAILURE";
    case CDERR_MEMLOCKFAILURE: return "CDERR_MEMLOCKFAILURE";
    case CDERR_NOHOOK: return "CDERR_NOHOOK";
    case CDERR_REGISTERMSGFAIL: return "CDERR_REGISTERMSGFAIL";
    case CDERR_DIALOGFAILURE: return "CDERR_DIALOGFAILURE";
    default: return {};
  }
}

std::optional<FileChoice> FileDialogs::ChooseSaveFile(const FileChooserRequest& request) {
  return Run(owner_, request, /*save=*/true);
}

std::optional<FileChoice> FileDialogs::ChooseOpenFile(const FileChooserRequest& request) {
  return Run(owner_, request, /*save=*/false);
}

}  // namespace corvane
