#include "support/json_reader.h"

#include <windows.h>

#include <stdexcept>

#include "support/loader_support.h"

namespace tsctest {

class JsonParser {
  public:
    explicit JsonParser(std::string_view text) : s_(text) {}

    Json Document() {
        // Outside strings a document is ASCII, so checking the whole text checks every string.
        if (!s_.empty() && !MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s_.data(),
                                                static_cast<int>(s_.size()), nullptr, 0)) {
            Fail("invalid UTF-8");
        }
        Json value = Value();
        if (Space(), at_ != s_.size()) Fail("trailing text");
        return value;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(what + " at byte " + std::to_string(at_));
    }
    void Space() {
        while (at_ < s_.size() && std::string_view(" \t\r\n").find(s_[at_]) != s_.npos) ++at_;
    }
    bool Next(std::string_view word) {  // takes `word` when it comes next
        if (s_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }
    bool Take(char c) { return Space(), Next(std::string_view(&c, 1)); }  // after white space
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected '") + c + "'");
    }
    std::size_t Digits() {
        const std::size_t begin = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
        if (at_ == begin) Fail("expected a digit");
        return at_ - begin;
    }

    Json Value() {
        Json v;
        if (Take('{')) {
            v.kind_ = Json::kObject;
            if (Take('}')) return v;
            do {
                Space();
                std::string key = String();
                if (v.Member(key)) Fail("duplicate key \"" + key + "\"");
                Expect(':');
                v.members_.emplace_back(std::move(key), Value());
            } while (Take(','));
            Expect('}');
        } else if (Take('[')) {
            v.kind_ = Json::kArray;
            if (Take(']')) return v;
            do v.items_.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (at_ < s_.size() && s_[at_] == '"') {
            v.kind_ = Json::kString;
            v.text_ = String();
        } else if (const bool yes = Next("true"); yes || Next("false")) {
            v.kind_ = Json::kBool;
            v.flag_ = yes;
        } else if (!Next("null")) {
            const std::size_t begin = at_;
            Next("-");
            if (const std::size_t first = at_; Digits() > 1 && s_[first] == '0')
                Fail("leading zero");
            const bool fraction = Next(".");
            if (fraction) Digits();
            const bool exponent = Next("e") || Next("E");
            if (exponent && !Next("+")) Next("-");
            if (exponent) Digits();
            v.kind_ = Json::kNumber;
            if (!fraction && !exponent)
                v.integer_ = std::stoll(std::string(s_.substr(begin, at_ - begin)));
        }
        return v;
    }

    std::string String() {
        if (!Next("\"")) Fail("expected a string");
        std::string out;
        for (;;) {
            const char c = Char();
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail("raw control character");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char escape = Char();
            if (const std::size_t simple = std::string_view("\"\\/bfnrt").find(escape);
                simple != s_.npos) {
                out += "\"\\/\b\f\n\r\t"[simple];
            } else if (escape == 'u') {
                std::wstring units(1, Hex4());  // one code unit, or a surrogate pair
                if (IS_HIGH_SURROGATE(units[0]) && Next("\\u")) units += Hex4();
                const bool pair = units.size() == 2 && IS_SURROGATE_PAIR(units[0], units[1]);
                if (!pair && (IS_HIGH_SURROGATE(units[0]) || IS_LOW_SURROGATE(units[0])))
                    Fail("lone surrogate");
                out += Utf8(units);
            } else {
                Fail("bad escape");
            }
        }
    }
    char Char() {
        if (at_ >= s_.size()) Fail("unterminated string");
        return s_[at_++];
    }
    wchar_t Hex4() {
        const std::string digits(s_.substr(at_, 4));
        if (digits.size() != 4 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != digits.npos) {
            Fail("bad \\u escape");
        }
        at_ += 4;
        return static_cast<wchar_t>(std::stoul(digits, nullptr, 16));
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

const Json& Json::Of(Kind kind) const {
    static const char* const kNames[] = {"null",     "a bool",   "a number",
                                         "a string", "an array", "an object"};
    if (kind_ != kind) throw std::runtime_error(std::string("JSON value is not ") + kNames[kind]);
    return *this;
}

std::int64_t Json::AsInt() const {
    if (!Of(kNumber).integer_) throw std::runtime_error("JSON number is not whole");
    return *integer_;
}

const Json* Json::Member(const std::string& key) const {
    for (const auto& member : members_) {
        if (member.first == key) return &member.second;
    }
    return nullptr;
}

const Json& Json::operator[](const std::string& key) const {
    const Json* member = Of(kObject).Member(key);
    if (member == nullptr) throw std::runtime_error("JSON object has no key \"" + key + "\"");
    return *member;
}

const Json& Json::operator[](std::size_t index) const {
    if (index >= Items().size())
        throw std::runtime_error("JSON array has no index " + std::to_string(index));
    return items_[index];
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
