// benchmark.exe's child processes: started by the benchmark with one of these first arguments,
// each measures in a fresh process of its own, like a host's first start.
//
//   --probe cold                 dtutInitializeTSC as the first call after loading the DLL: one
//                                time in ms (the session is then ended)
//   --probe cycle <warm-up> <cycles>
//                                dtutInitializeTSC + dtutUninitializeTSC, repeated: one time per
//                                line
//   --probe update <entries> <warm-up> <repeats>
//                                dtutUpdatePathForTSC with a PATH of that many entries, PATH put
//                                back before each call: one time per line
//   --baseline cold <sdk path> <folder>
//                                the platform calls a start cannot do without (trust check,
//                                publisher search, load, the SDK's Initialize, ReleaseMemory and
//                                LockDirectory) as the first calls of the process: one time
//   --baseline cycle <sdk path> <folder> <warm-up> <cycles>
//                                a whole bare start and end (the above, then UnLockDirectory,
//                                Uninitialize, FreeLibrary), repeated: one time per line
//   --baseline snapshot <process id> <warm-up> <cycles>
//                                a process snapshot walked until the id turns up, with the
//                                self-update check's own walk: one time per line
//   --sleep <parent id> <semaphore name>
//                                an idle process in the process list: it releases the semaphore
//                                once it is up and waits until its parent ends (ten minutes at
//                                most); without a live parent it ends at once
//
// <folder> is the folder to lock, without the trailing backslash the SDK receives.
// Exit status: 0 on success, 1 when a call did not answer as expected, 2 on bad arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

// The exit status of the child mode that `args` (the command line without the program) names;
// nullopt when the first argument names none.
std::optional<int> RunChildMode(const std::vector<std::wstring>& args);

}  // namespace bench
