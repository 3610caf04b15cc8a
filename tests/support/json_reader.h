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
    // Each accessor throws std::runtime_error on a kind mismatch or a missing key or index.
    bool IsNull() const { return kind_ == kNull; }
    bool AsBool() const { return Of(kBool).flag_; }
    std::int64_t AsInt() const;                                        // whole numbers only
    const std::string& AsString() const { return Of(kString).text_; }  // UTF-8, escapes resolved
    const std::vector<Json>& Items() const { return Of(kArray).items_; }
    const Json& operator[](const std::string& key) const;
    const Json& operator[](std::size_t index) const;

  private:
    friend class JsonParser;
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject };
    const Json& Of(Kind kind) const;  // this, when it is of that kind
    const Json* Member(const std::string& key) const;
    Kind kind_ = kNull;
    bool flag_ = false;
    std::optional<std::int64_t> integer_;
    std::string text_;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

// The document, or nothing and the reason in *error when the text is not exactly one well-formed
// JSON value (white space around it allowed): bad escapes, raw control characters, invalid UTF-8,
// lone surrogates, duplicate keys and trailing commas are all refused.
std::optional<Json> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace tsctest
