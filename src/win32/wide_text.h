// Text between the program and the system's wide calls. Texts inside the
// program are UTF-8 (captions, messages, a file's name as the operator reads
// it); the window, its boxes and its dialogs take UTF-16, so that a name
// outside the code page (Greek, CJK) shows as it is, never as "?".
//
// Threads: pure functions, any thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace corvane {

// Invalid UTF-8 shows as U+FFFD, never as nothing.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// SetWindowTextW with UTF-8 text.
void SetWindowTextUtf8(HWND window, std::string_view text);

}  // namespace corvane
