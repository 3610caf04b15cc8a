// Child processes of benchmark.exe run in turns, so that a busy moment of the machine falls on
// all of them alike, and the times they print collected.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace bench {

// One child process to run (benchmark.exe with these arguments), and what to put in place
// right before it.
struct ChildRun {
    std::wstring arguments;
    std::function<bool()> prepare;
};

// The arguments, each quoted so that a path with blanks arrives whole.
ChildRun Child(std::initializer_list<std::wstring> args);

// Runs each of `runs` of `program` in turn, `rounds` times over (every other round in reverse
// order); the times each printed, in the order of `runs`. A run that cannot be prepared,
// started, or that ends with a non-zero status sets *failed.
std::vector<std::vector<double>> Interleave(const std::wstring& program,
                                            const std::vector<ChildRun>& runs, std::int64_t rounds,
                                            bool* failed);

}  // namespace bench
