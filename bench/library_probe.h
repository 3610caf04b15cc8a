// The library's side of the benchmark, run in a child process of its own (benchmark.exe
// --probe ...), so that every measurement starts from a fresh process like the baseline's:
//
//   cold                         dtutInitializeTSC as the first call after loading the DLL: one
//                                time in ms (the session is then ended)
//   cycle <warm-up> <cycles>     dtutInitializeTSC + dtutUninitializeTSC, repeated: one time
//                                per line
//   update <entries> <warm-up> <repeats>
//                                dtutUpdatePathForTSC with a PATH of that many entries, PATH
//                                put back before each call: one time per line
//
// Exit status: 0 on success, 1 when a call did not answer as expected, 2 on bad arguments.
#pragma once

#include <string>
#include <vector>

namespace bench {

// args: what follows "--probe" on the command line.
int RunLibraryProbe(const std::vector<std::string>& args);

// A PATH of that many short, distinct entries, none naming the shared components.
std::wstring PathOfEntries(int entries);

}  // namespace bench
