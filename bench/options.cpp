#include "options.h"

#include <charconv>
#include <cstdio>

namespace bench {
namespace {

// Why the arguments were not taken; empty when they were.
std::string Problem(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& arg = args[i];
        if (arg == "--help") return "options (each takes a whole number):";
        const auto known = arg.rfind("--", 0) == 0 ? options.find(arg.substr(2)) : options.end();
        if (known == options.end()) return "unknown option " + arg;
        if (i + 1 >= args.size()) return "missing value for " + arg;
        const std::string& text = args[i + 1];
        std::int64_t value = -1;
        const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (code != std::errc() || end != text.data() + text.size() || value < 0) {
            return "not a whole number for " + arg + ": " + text;
        }
        known->second = value;
    }
    return {};
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, const char* program, Options& options) {
    const std::string problem = Problem(args, options);
    if (problem.empty()) return true;
    std::string usage = std::string("usage: ") + program;
    for (const auto& [name, value] : options) {
        usage += " [--" + name + " N (" + std::to_string(value) + ")]";
    }
    std::fprintf(stderr, "%s\n%s\n", problem.c_str(), usage.c_str());
    return false;
}

}  // namespace bench
