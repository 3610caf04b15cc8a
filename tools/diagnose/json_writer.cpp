#include "json_writer.h"

#include <cstdio>

#include "utf8.h"

namespace tscdiag {
namespace {

constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";

void AppendEscapedAscii(char c, std::string& out) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\u%04X", static_cast<unsigned>(c));
        out += escaped;
        return;
    }
    out.push_back(c);
}

std::string Indentation(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

void AppendValue(const Value& value, int depth, std::string& out);

void AppendObject(const Object& object, int depth, std::string& out) {
    if (object.empty()) {
        out += "{}";
        return;
    }
    out += "{\n";
    for (std::size_t i = 0; i < object.size(); ++i) {
        out += Indentation(depth + 1) + JsonString(object[i].key) + ": ";
        AppendValue(object[i].value, depth + 1, out);
        out += i + 1 < object.size() ? ",\n" : "\n";
    }
    out += Indentation(depth) + "}";
}

void AppendArray(const Array& array, int depth, std::string& out) {
    if (array.empty()) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (std::size_t i = 0; i < array.size(); ++i) {
        out += Indentation(depth + 1);
        AppendValue(array[i], depth + 1, out);
        out += i + 1 < array.size() ? ",\n" : "\n";
    }
    out += Indentation(depth) + "]";
}

void AppendValue(const Value& value, int depth, std::string& out) {
    const Value::Data& data = value.data();
    if (std::holds_alternative<std::monostate>(data)) {
        out += "null";
    } else if (const bool* flag = std::get_if<bool>(&data)) {
        out += *flag ? "true" : "false";
    } else if (const std::int64_t* number = std::get_if<std::int64_t>(&data)) {
        out += std::to_string(*number);
    } else if (const std::string* text = std::get_if<std::string>(&data)) {
        out += JsonString(*text);
    } else if (const Object* object = std::get_if<Object>(&data)) {
        AppendObject(*object, depth, out);
    } else {
        AppendArray(std::get<Array>(data), depth, out);
    }
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacementCharacter;
            ++i;
        } else if (length == 1) {
            AppendEscapedAscii(text[i], out);
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    out += "\"";
    return out;
}

std::string JsonText(const Value& value, int indent) {
    std::string out;
    AppendValue(value, indent, out);
    return out;
}

}  // namespace tscdiag
