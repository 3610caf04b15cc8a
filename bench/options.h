// Command-line options of the form "--name <whole number>", each with a default.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Every option a program knows, by name without the dashes, with its value.
using Options = std::map<std::string, std::int64_t>;

// Sets the options that `args` (the command line without the program) name. On "--help", an
// unknown name, a missing value or a value that is not a non-negative whole number, prints why
// and "usage: <program> [--name N (default)]..." to standard error and answers false.
bool ParseOptions(const std::vector<std::string>& args, const char* program, Options& options);

}  // namespace bench
