// Command-line options of the form "--name <whole number>", each with a default.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

class Options {
  public:
    // Every option the program knows, with its default value.
    explicit Options(std::map<std::string, std::int64_t> defaults);

    // args: the command line without the program. False, with a message, on "--help", an unknown
    // name, a missing value or a value that is not a non-negative whole number.
    bool Parse(const std::vector<std::string>& args, std::string* error);
    std::int64_t Get(const std::string& name) const;
    // "usage: <program> [--name N (default)]..."
    std::string Usage(const std::string& program) const;

  private:
    std::map<std::string, std::int64_t> values_;
};

}  // namespace bench
