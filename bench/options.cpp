#include "options.h"

#include <charconv>
#include <utility>

namespace bench {

Options::Options(std::map<std::string, std::int64_t> defaults) : values_(std::move(defaults)) {}

bool Options::Parse(const std::vector<std::string>& args, std::string* error) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            *error = "options (each takes a whole number):";
            return false;
        }
        const auto known = arg.rfind("--", 0) == 0 ? values_.find(arg.substr(2)) : values_.end();
        if (known == values_.end()) {
            *error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = "missing value for " + arg;
            return false;
        }
        const std::string& text = args[i + 1];
        std::int64_t value = -1;
        const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (code != std::errc() || end != text.data() + text.size() || value < 0) {
            *error = "not a whole number for " + arg + ": " + text;
            return false;
        }
        known->second = value;
    }
    return true;
}

std::int64_t Options::Get(const std::string& name) const { return values_.at(name); }

std::string Options::Usage(const std::string& program) const {
    std::string usage = "usage: " + program;
    for (const auto& [name, value] : values_) {
        usage += " [--" + name + " N (" + std::to_string(value) + ")]";
    }
    return usage;
}

}  // namespace bench
