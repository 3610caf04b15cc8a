// Runs whole sessions through dttscsdk.dll (beside this program), for the test of several
// processes writing the wrapper log at once. Usage: session_runner <cycles>
// Exit code: the number of cycles whose start did not answer true.
#include <cstdlib>

#include "support/dttscsdk_dll.h"

int main(int argc, char** argv) {
    if (argc != 2) return 255;
    const tsctest::DttscsdkDll dll;
    int failures = 0;
    for (int cycles = std::atoi(argv[1]); cycles > 0; --cycles) {
        if (!dll.Initialize()) ++failures;
        dll.Uninitialize();
    }
    return failures;
}
