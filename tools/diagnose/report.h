// The report of one diagnosis: numbered steps, each with a verdict, a plain-words summary and the
// facts it found, kept as JSON; the text form is made from the same facts.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tscdiag {

using Json = nlohmann::ordered_json;

enum class Verdict { kPassed, kFailed, kSkipped };

// A leveled message the library emitted while a step ran.
struct Diagnostic {
    std::string level;
    std::string message;
};
inline void to_json(Json& out, const Diagnostic& in) {
    out = {{"level", in.level}, {"message", in.message}};
}

struct Step {
    int number = 0;
    std::string id;
    std::string title;
    Verdict verdict = Verdict::kPassed;
    std::string summary;
    Json facts = Json::object();
    std::vector<Diagnostic> diagnostics;

    void Conclude(Verdict result, std::string text) {
        verdict = result;
        summary = std::move(text);
    }
    void Pass(std::string text) { Conclude(Verdict::kPassed, std::move(text)); }
    void Fail(std::string text) { Conclude(Verdict::kFailed, std::move(text)); }
    void Skip(std::string text) { Conclude(Verdict::kSkipped, std::move(text)); }
};

// The end of the report: 0 when everything a host needs works, else the first failing step.
struct Outcome {
    int exitCode = 0;  // also the first failing step
    std::string result;
};

Outcome Conclude(const std::vector<Step>& steps);

// The JSON form, one document; docs/diagnose.md describes its fields. The format version is
// raised whenever the fields change in a way a script could notice.
inline constexpr int kJsonFormatVersion = 1;
std::string ReportJson(const std::vector<Step>& steps, const Outcome& outcome);

// The text form, in plain words for a support engineer: the title, then each step as it is done
// (its header, the library's messages, the facts indented under it, the verdict and summary),
// then the result.
std::string TitleText();
std::string StepText(const Step& step);
std::string OutcomeText(const Outcome& outcome);

}  // namespace tscdiag
