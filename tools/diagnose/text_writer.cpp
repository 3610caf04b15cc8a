#include "text_writer.h"

#include <cstdio>

namespace tscdiag {
namespace {

constexpr int kFactIndent = 2;

std::string Spaces(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

// Control characters would break the layout of the lines; they are shown as \xHH instead.
std::string Visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20) {
            out.push_back(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned>(c));
        out += escaped;
    }
    return out;
}

bool IsScalar(const Value& value) {
    return !std::holds_alternative<Object>(value.data()) &&
           !std::holds_alternative<Array>(value.data());
}

std::string ScalarText(const Value& value) {
    const Value::Data& data = value.data();
    if (const bool* flag = std::get_if<bool>(&data)) return *flag ? "yes" : "no";
    if (const std::int64_t* number = std::get_if<std::int64_t>(&data)) {
        return std::to_string(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&data)) {
        return text->empty() ? "(empty)" : Visible(*text);
    }
    return "none";
}

void AppendFields(const Object& fields, int indent, std::string& out);

// A list item: a scalar on the dash line; a group with its first fact on the dash line and the
// others below it.
void AppendItem(const Value& item, int indent, std::string& out) {
    const Object* group = std::get_if<Object>(&item.data());
    if (group == nullptr || group->empty()) {
        out += Spaces(indent) + "- " + (group ? "none" : ScalarText(item)) + "\n";
        return;
    }
    std::string nested;
    AppendFields(*group, indent + 2, nested);
    nested.replace(static_cast<std::size_t>(indent), 2, "- ");
    out += nested;
}

void AppendField(const Field& field, int indent, std::string& out) {
    if (IsScalar(field.value)) {
        out += Spaces(indent) + field.label + ": " + ScalarText(field.value) + "\n";
        return;
    }
    if (const Object* group = std::get_if<Object>(&field.value.data())) {
        out += Spaces(indent) + field.label + ":\n";
        AppendFields(*group, indent + 2, out);
        return;
    }
    const Array& items = std::get<Array>(field.value.data());
    if (items.empty()) {
        out += Spaces(indent) + field.label + ": none\n";
        return;
    }
    out += Spaces(indent) + field.label + ":\n";
    for (const Value& item : items) AppendItem(item, indent + 2, out);
}

void AppendFields(const Object& fields, int indent, std::string& out) {
    for (const Field& field : fields) AppendField(field, indent, out);
}

std::string VerdictWord(Verdict verdict) {
    switch (verdict) {
        case Verdict::kPassed:
            return "Passed";
        case Verdict::kFailed:
            return "FAILED";
        case Verdict::kSkipped:
            return "Skipped";
    }
    return "FAILED";
}

}  // namespace

std::string TitleText() {
    return "tscdiag: shared components of release 2026 and the installer-service session\n\n";
}

std::string StepHeaderText(const Step& step) {
    return "Step " + std::to_string(step.number) + ". " + step.title + "\n";
}

std::string StepBodyText(const Step& step) {
    std::string out;
    AppendFields(step.facts, kFactIndent, out);
    out += Spaces(kFactIndent) + VerdictWord(step.verdict) + ": " + Visible(step.summary) + "\n\n";
    return out;
}

std::string DiagnosticText(const Diagnostic& diagnostic) {
    return Spaces(kFactIndent) + "Library message [" + diagnostic.level + "] " +
           Visible(diagnostic.message) + "\n";
}

std::string OutcomeText(const Outcome& outcome) {
    return "Result: " + Visible(outcome.result) + "\n";
}

}  // namespace tscdiag
