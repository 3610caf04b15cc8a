// A strict reader of JSON documents (RFC 8259), for tests of programs that print JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tsctest {

class Json {
  public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::kNull; }

    // Each accessor throws std::runtime_error, naming what was expected, on a kind mismatch.
    bool AsBool() const;
    std::int64_t AsInt() const;           // whole numbers only
    const std::string& AsString() const;  // UTF-8, escapes resolved
    const std::vector<Json>& Items() const;
    bool Has(const std::string& key) const;
    const Json& operator[](const std::string& key) const;  // throws when the key is missing
    const Json& operator[](std::size_t index) const;

  private:
    friend class JsonParser;
    Kind kind_ = Kind::kNull;
    bool flag_ = false;
    std::optional<std::int64_t> integer_;
    std::string text_;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

// The document, or nothing and the reason in *error when the text is not exactly one well-formed
// JSON value (whitespace around it allowed): bad escapes, raw control characters, invalid UTF-8,
// lone surrogates, duplicate keys and trailing commas are all rejected.
std::optional<Json> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace tsctest
