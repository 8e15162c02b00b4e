#include "app/app_config.h"

#include <string>
#include <system_error>

#include "params/decimal_number.h"
#include "params/text_file.h"

namespace corvane {

int32_t ParsePortNumber(std::string_view text, int32_t fallback, int32_t minimum, int32_t maximum) {
  const DigitRun run = ReadDigitRun(text);
  if (run.end != text.size()) return fallback;
  if (run.value < static_cast<uint32_t>(minimum) || run.value > static_cast<uint32_t>(maximum)) {
    return fallback;
  }
  return static_cast<int32_t>(run.value);
}

std::optional<uint32_t> ParseDialogPortNumber(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  const DigitRun run = ReadDigitRun(text);
  if (text.empty() || run.end != text.size() || run.wrapped) return std::nullopt;
  return run.value;
}

void ApplyConfigLine(AppConfig& config, std::string_view line) {
  const size_t equals = line.find('=');
  const std::string_view key = line.substr(0, equals);
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
  for (size_t i = 0; i < AppConfig::kEntries; ++i) {
    if (key == AppConfig::kKeys[i]) {
      config.values[i] =
          ParsePortNumber(value, config.values[i], kConfigPortMinimum, kConfigPortMaximum);
      return;
    }
  }
}

ReadConfigResult ReadConfig(AppConfig& config, const std::filesystem::path& base_directory,
                            std::string_view name) {
  const std::filesystem::path path = base_directory / name;
  std::error_code error;
  const std::unique_ptr<TextFileReader> file = TextFileReader::Open(path, error);
  if (!file) {
    // Only a file that is not there is replaced by the defaults; one that
    // merely cannot be read is the operator's and stays as it is.
    if (error != std::errc::no_such_file_or_directory) return ReadConfigResult::kUnreadable;
    return WriteConfig(config, base_directory, name) ? ReadConfigResult::kMissing
                                                     : ReadConfigResult::kCreated;
  }
  std::string line;
  while (file->ReadLine(line)) ApplyConfigLine(config, line);
  // A file that cannot be read to its end (a directory of that name, an I/O
  // error) is not the operator's setting; what was read of it stands.
  return file->Failed() ? ReadConfigResult::kUnreadable : ReadConfigResult::kRead;
}

std::error_code WriteConfig(const AppConfig& config, const std::filesystem::path& base_directory,
                            std::string_view name) {
  std::error_code error;
  const std::unique_ptr<TextFileWriter> file = TextFileWriter::Create(base_directory / name, error);
  if (!file) return error;
  for (size_t i = 0; i < AppConfig::kEntries; ++i) {
    std::string line(AppConfig::kKeys[i]);
    line += '=';
    line += std::to_string(config.values[i]);
    line += '\n';
    file->Write(line);
  }
  file->Close();
  return file->Error();
}

}  // namespace corvane
