// Appends numbered lines to the wrapper log through the library, for the test of several
// processes writing at once. Usage: log_writer <writer-id> <line-count>
#include <cstdlib>
#include <string>

#include "wrapper/quil_api_wrapper_impl.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string writer = argv[1];
    const int count = std::atoi(argv[2]);
    auto& wrapper = QUILAPIWrapperImpl::GetInstance();
    for (int i = 0; i < count; ++i) {
        wrapper.LogInfo("Writer: " + writer + " line " + std::to_string(i) +
                        " padding to make torn lines visible .............................");
    }
    return 0;
}
