// The whole report as one JSON document; docs/diagnose.md describes its fields.
#pragma once

#include <string>
#include <vector>

#include "report.h"

namespace tscdiag {

// Raised whenever the document's fields change in a way a script could notice.
inline constexpr int kJsonFormatVersion = 2;

std::string ReportJson(const std::vector<Step>& steps, const Outcome& outcome);

}  // namespace tscdiag
