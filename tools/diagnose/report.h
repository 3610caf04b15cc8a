// The report of one diagnosis: numbered steps, each with a verdict, a plain-words summary and the
// facts it found, kept as JSON; the text form is made from the same facts.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tscdiag {

using Json = nlohmann::ordered_json;

enum class Verdict { kPassed, kFailed, kSkipped };

// A leveled message the library emitted while a step ran, and what it means on this machine
// when its level alone would mislead (the override step's FATAL message without an override).
struct Diagnostic {
    std::string level;
    std::string message;
    std::string note;
};
inline void to_json(Json& out, const Diagnostic& in) {
    out = {{"level", in.level}, {"message", in.message}};
    if (!in.note.empty()) out["note"] = in.note;
}

// What was looked at: the tool's own version (the library code its checks and its session run)
// and the dttscsdk.dll beside it, which the application in that folder loads.
struct Identity {
    std::string toolVersion;
    std::string libraryFile;
    bool libraryFound = false;
    std::string libraryVersion;  // empty when the file has no version resource
};
// identity.cpp
Identity IdentifyTool();

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
inline constexpr int kJsonFormatVersion = 2;
std::string ReportJson(const Identity& identity, const std::vector<Step>& steps,
                       const Outcome& outcome);

// The text form, in plain words for a support engineer: the title, then each step as it is done
// (its header, the library's messages, the facts indented under it, the verdict and summary),
// then the result.
std::string TitleText(const Identity& identity);
std::string StepText(const Step& step);
std::string OutcomeText(const Outcome& outcome);

}  // namespace tscdiag
