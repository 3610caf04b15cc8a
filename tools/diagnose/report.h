// The report of one diagnosis: numbered steps, each with a verdict, a plain-words summary and the
// facts it found. The facts carry two names: a key for the JSON form and a label for people.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tscdiag {

struct Field;
class Value;
using Object = std::vector<Field>;
using Array = std::vector<Value>;

// One fact: nothing (null), a yes/no, a whole number, a UTF-8 text, a group of facts or a list.
class Value {
  public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool flag) : data_(flag) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) Value(T number) : data_(static_cast<std::int64_t>(number)) {}
    Value(std::string text) : data_(std::move(text)) {}
    Value(const char* text) : data_(std::string(text)) {}
    // Wide texts (paths, registry and environment values) are kept as UTF-8.
    Value(const std::wstring& text);
    Value(Object object) : data_(std::move(object)) {}
    Value(Array array) : data_(std::move(array)) {}

    using Data = std::variant<std::monostate, bool, std::int64_t, std::string, Object, Array>;
    const Data& data() const { return data_; }

  private:
    Data data_;
};

struct Field {
    std::string key;
    std::string label;
    Value value;
};

enum class Verdict { kPassed, kFailed, kSkipped };

const char* VerdictName(Verdict verdict);

// A leveled message the library emitted while a step ran.
struct Diagnostic {
    std::string level;
    std::string message;
};

struct Step {
    int number = 0;
    std::string id;
    std::string title;
    Verdict verdict = Verdict::kPassed;
    std::string summary;
    Object facts;
    std::vector<Diagnostic> diagnostics;
};

// The end of the report: 0 when everything a host needs works, else the first failing step.
struct Outcome {
    int exitCode = 0;
    int firstFailingStep = 0;  // 0: none
    std::string result;
};

Outcome Conclude(const std::vector<Step>& steps);

}  // namespace tscdiag
