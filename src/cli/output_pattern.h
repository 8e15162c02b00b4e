// File names from a pattern: one -o for a whole fleet run, such as
// "backups/{name}-{date}.spb", gives each controller a file of its own.
//
//   {name}  the controller's name, made safe for a file name
//   {n}     its place in the run, 1, 2, ...
//   {date}  the run's start, local time, YYYY-MM-DD
//   {time}  the same, HHMMSS
//
// Any other "{...}" is refused, so a typing error in a field never becomes
// a file name.
//
// Threads: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace corvane::cli {

struct PatternFields {
  std::string name;  // as the operator wrote it; made safe here
  int n = 1;
  std::string date;  // "2024-05-02"
  std::string time;  // "140311"
};

// Empty when `pattern` is good; else why not.
std::string CheckPattern(std::string_view pattern);
// True when the pattern gives each controller a file of its own ({name} or
// {n} in it).
bool PatternNamesEachController(std::string_view pattern);
// `pattern` with its fields filled in. The pattern must have passed
// CheckPattern.
std::string ExpandPattern(std::string_view pattern, const PatternFields& fields);

// `name` as one file name: letters of any script, accents and digits kept;
// path separators, characters Windows refuses in a name (":*?\"<>|") and
// control characters become "_", and so do a name of dots alone and a
// trailing dot or blank, which Windows drops.
std::string SafeFileName(std::string_view name);

// The run's start as {date} and {time} show it, local time.
void FillPatternTimes(PatternFields& fields);

}  // namespace corvane::cli
