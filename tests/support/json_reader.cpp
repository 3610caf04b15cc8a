#include "support/json_reader.h"

#include <stdexcept>

namespace tsctest {

namespace {

class ParseError : public std::runtime_error {
  public:
    ParseError(const std::string& what, std::size_t at)
        : std::runtime_error(what + " at byte " + std::to_string(at)) {}
};

void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Length of a well-formed UTF-8 sequence at `at`, 0 when malformed.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead == 0xE0)
        length = 3, low = 0xA0;
    else if (lead == 0xED)
        length = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF)
        length = 3;
    else if (lead == 0xF0)
        length = 4, low = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3)
        length = 4;
    else if (lead == 0xF4)
        length = 4, high = 0x8F;
    else
        return 0;
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

class JsonParser {
  public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    Json Document() {
        Json value = Value();
        SkipSpace();
        if (at_ != text_.size()) throw ParseError("trailing text", at_);
        return value;
    }

  private:
    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }

    char Peek() {
        if (at_ >= text_.size()) throw ParseError("unexpected end", at_);
        return text_[at_];
    }

    void Expect(char c) {
        if (Peek() != c) throw ParseError(std::string("expected '") + c + "'", at_);
        ++at_;
    }

    void Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) throw ParseError("bad literal", at_);
        at_ += word.size();
    }

    Json Value() {
        SkipSpace();
        Json value;
        switch (Peek()) {
            case '{':
                return Object();
            case '[':
                return Array();
            case '"':
                value.kind_ = Json::Kind::kString;
                value.text_ = String();
                return value;
            case 't':
                Literal("true");
                value.kind_ = Json::Kind::kBool;
                value.flag_ = true;
                return value;
            case 'f':
                Literal("false");
                value.kind_ = Json::Kind::kBool;
                return value;
            case 'n':
                Literal("null");
                return value;
            default:
                return Number();
        }
    }

    Json Object() {
        Expect('{');
        Json value;
        value.kind_ = Json::Kind::kObject;
        SkipSpace();
        if (Peek() == '}') {
            ++at_;
            return value;
        }
        for (;;) {
            SkipSpace();
            std::string key = String();
            if (value.Has(key)) throw ParseError("duplicate key \"" + key + "\"", at_);
            SkipSpace();
            Expect(':');
            value.members_.emplace_back(std::move(key), Value());
            SkipSpace();
            if (Peek() == '}') {
                ++at_;
                return value;
            }
            Expect(',');
        }
    }

    Json Array() {
        Expect('[');
        Json value;
        value.kind_ = Json::Kind::kArray;
        SkipSpace();
        if (Peek() == ']') {
            ++at_;
            return value;
        }
        for (;;) {
            value.items_.push_back(Value());
            SkipSpace();
            if (Peek() == ']') {
                ++at_;
                return value;
            }
            Expect(',');
        }
    }

    std::size_t Digits() {
        const std::size_t begin = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
        if (at_ == begin) throw ParseError("expected a digit", at_);
        return at_ - begin;
    }

    Json Number() {
        const std::size_t begin = at_;
        if (Peek() == '-') ++at_;
        const std::size_t intBegin = at_;
        if (Digits() > 1 && text_[intBegin] == '0') throw ParseError("leading zero", intBegin);
        bool whole = true;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            Digits();
            whole = false;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            Digits();
            whole = false;
        }
        Json value;
        value.kind_ = Json::Kind::kNumber;
        value.text_ = std::string(text_.substr(begin, at_ - begin));
        if (whole) value.integer_ = std::stoll(value.text_);
        return value;
    }

    std::uint32_t Hex4() {
        if (at_ + 4 > text_.size()) throw ParseError("short \\u escape", at_);
        std::uint32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                throw ParseError("bad \\u escape", at_ - 1);
        }
        return code;
    }

    std::uint32_t UnicodeEscape() {
        const std::uint32_t code = Hex4();
        if (code >= 0xDC00 && code <= 0xDFFF) throw ParseError("lone low surrogate", at_);
        if (code < 0xD800 || code > 0xDBFF) return code;
        if (text_.substr(at_, 2) != "\\u") throw ParseError("lone high surrogate", at_);
        at_ += 2;
        const std::uint32_t low = Hex4();
        if (low < 0xDC00 || low > 0xDFFF) throw ParseError("bad surrogate pair", at_);
        return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }

    void Escape(std::string& out) {
        const char c = Peek();
        ++at_;
        switch (c) {
            case '"':
                out.push_back('"');
                return;
            case '\\':
                out.push_back('\\');
                return;
            case '/':
                out.push_back('/');
                return;
            case 'b':
                out.push_back('\b');
                return;
            case 'f':
                out.push_back('\f');
                return;
            case 'n':
                out.push_back('\n');
                return;
            case 'r':
                out.push_back('\r');
                return;
            case 't':
                out.push_back('\t');
                return;
            case 'u':
                AppendUtf8(UnicodeEscape(), out);
                return;
            default:
                throw ParseError("bad escape", at_ - 1);
        }
    }

    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            const char c = Peek();
            if (c == '"') {
                ++at_;
                return out;
            }
            if (c == '\\') {
                ++at_;
                Escape(out);
                continue;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                throw ParseError("raw control character", at_);
            const std::size_t length = Utf8Length(text_, at_);
            if (length == 0) throw ParseError("invalid UTF-8", at_);
            out.append(text_.substr(at_, length));
            at_ += length;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

namespace {

[[noreturn]] void WrongKind(const char* expected) {
    throw std::runtime_error(std::string("JSON value is not ") + expected);
}

}  // namespace

bool Json::AsBool() const {
    if (kind_ != Kind::kBool) WrongKind("a bool");
    return flag_;
}

std::int64_t Json::AsInt() const {
    if (kind_ != Kind::kNumber || !integer_) WrongKind("a whole number");
    return *integer_;
}

const std::string& Json::AsString() const {
    if (kind_ != Kind::kString) WrongKind("a string");
    return text_;
}

const std::vector<Json>& Json::Items() const {
    if (kind_ != Kind::kArray) WrongKind("an array");
    return items_;
}

bool Json::Has(const std::string& key) const {
    for (const auto& member : members_) {
        if (member.first == key) return true;
    }
    return false;
}

const Json& Json::operator[](const std::string& key) const {
    if (kind_ != Kind::kObject) WrongKind("an object");
    for (const auto& member : members_) {
        if (member.first == key) return member.second;
    }
    throw std::runtime_error("JSON object has no key \"" + key + "\"");
}

const Json& Json::operator[](std::size_t index) const {
    const std::vector<Json>& items = Items();
    if (index >= items.size()) throw std::runtime_error("JSON array index out of range");
    return items[index];
}

std::optional<Json> ParseJson(std::string_view text, std::string* error) {
    try {
        return JsonParser(text).Document();
    } catch (const std::exception& failure) {
        if (error != nullptr) *error = failure.what();
        return std::nullopt;
    }
}

}  // namespace tsctest
