#include "win32/file_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/path_text.h"
#include "win32/wide_text.h"

namespace corvane {
namespace {

// The dialog's buffer: a name as long as the system allows one (a longer
// one fails the dialog with FNERR_BUFFERTOOSMALL, never cut short).
constexpr DWORD kPathCapacity = 32768;

// The filters as the dialog takes them: each one's text and pattern, each
// ending in a NUL, and the list in one more (the string's own).
std::wstring DialogFilter(const std::vector<FileFilter>& filters) {
  std::wstring text;
  for (const FileFilter& filter : filters) {
    text += WideFromUtf8(filter.text);
    text += L'\0';
    text += WideFromUtf8(filter.pattern);
    text += L'\0';
  }
  return text;
}

std::optional<FileChoice> Run(HWND owner, const FileChooserRequest& request, bool save) {
  // Wide from the dialog to the disk: the name stays exactly the one chosen,
  // whatever its letters.
  std::wstring path(kPathCapacity, L'\0');
  const std::wstring default_name = WideFromUtf8(request.default_name);
  default_name.copy(path.data(), kPathCapacity - 1);
  const std::wstring title = WideFromUtf8(request.title);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  const std::vector<FileFilter> filters = FiltersFor(request.kind);
  const std::wstring filter = DialogFilter(filters);
  const std::wstring extension = WideFromUtf8(filters.front().suffix);
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrTitle = title.c_str();
  // None for a folder of PNG frames: a name without an extension is the
  // folder's.
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // The dialogs would otherwise move the working directory, where
  // config.dpm and a later dialog's start are looked for.
  dialog.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : 0);

  if (save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) {
    path.resize(path.find(L'\0'));
    FileChoice choice{std::filesystem::path(path), {}};
    choice.title = PathText(choice.path.filename());
    return choice;
  }
  // The open dialog reports only a name it could not take: any other
  // failure ends the command as a cancel does.
  const DWORD error = CommDlgExtendedError();
  if (save || error == FNERR_BUFFERTOOSMALL) {
    const std::string_view reason = CommonDialogErrorName(error);
    if (!reason.empty()) {
      MessageBoxW(owner, WideFromUtf8(reason).c_str(), L"Dialog Error", MB_OK);
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
    case FNERR_BUFFERTOOSMALL: return "FNERR_BUFFERTOOSMALL";
    case FNERR_INVALIDFILENAME: return "FNERR_INVALIDFILENAME";
    case FNERR_SUBCLASSFAILURE: return "FNERR_SUBCLASSFAILURE";
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
