// Command-line options of the form "--name <whole number>", each with a default.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace bench {

class Options {
  public:
    // Every option the program knows, with its default value.
    explicit Options(std::map<std::string, std::int64_t> defaults);

    // False, with a message, on "--help", an unknown name, a missing value or a value that is
    // not a non-negative whole number.
    bool Parse(int argc, char** argv, std::string* error);
    std::int64_t Get(const std::string& name) const;
    // "usage: <program> [--name N (default)]..."
    std::string Usage(const std::string& program) const;

  private:
    std::map<std::string, std::int64_t> values_;
};

}  // namespace bench
