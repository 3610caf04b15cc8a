#include "utf8.h"

namespace tscdiag {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The allowed range of the second byte depends on the lead byte (Unicode table 3-7); every
// later byte is a plain continuation byte.
struct LeadRule {
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadRule RuleFor(unsigned char lead) {
    if (lead < 0x80) return {1, 0, 0};
    if (InRange(lead, 0xC2, 0xDF)) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (InRange(lead, 0xE1, 0xEF)) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    if (InRange(lead, 0xF1, 0xF3)) return {4, 0x80, 0xBF};
    return {0, 0, 0};
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const LeadRule rule = RuleFor(static_cast<unsigned char>(text[at]));
    if (rule.length <= 1) return rule.length;
    if (at + rule.length > text.size()) return 0;
    if (!InRange(static_cast<unsigned char>(text[at + 1]), rule.secondLow, rule.secondHigh)) {
        return 0;
    }
    for (std::size_t i = 2; i < rule.length; ++i) {
        if (!InRange(static_cast<unsigned char>(text[at + i]), 0x80, 0xBF)) return 0;
    }
    return rule.length;
}

}  // namespace tscdiag
