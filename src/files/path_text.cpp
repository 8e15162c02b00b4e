#include "files/path_text.h"

#include <cstdint>
#include <exception>

namespace corvane {

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A name's text by the system's form of it. UTF-16 is converted by hand:
// the library's conversion throws on a lone surrogate, which a Windows name
// may hold, and a caption must never throw.
[[maybe_unused]] std::string TextOf(const std::string& bytes) { return bytes; }

[[maybe_unused]] std::string TextOf(const std::wstring& wide) {
  constexpr uint32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const uint32_t unit = static_cast<uint16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
      const uint32_t low = static_cast<uint16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return out;
}

}  // namespace

std::string PathText(const std::filesystem::path& path) { return TextOf(path.native()); }

std::filesystem::path PathFromText(std::string_view text) {
  // The char8_t form is the one the library reads as UTF-8 on every system;
  // a plain string would be read in the Windows code page.
  const std::u8string utf8(text.begin(), text.end());
  try {
    return std::filesystem::path(utf8);
  } catch (const std::exception&) {
    // Not UTF-8 at all: the name as the system would read the bytes.
    return std::filesystem::path(std::string(text));
  }
}

}  // namespace corvane
