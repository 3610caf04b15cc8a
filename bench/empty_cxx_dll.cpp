// A DLL with nothing in it but the C++ runtime that dttscsdk.dll links statically (a string and
// an exception handler pull it in): its loads show what that runtime costs and keeps per load,
// apart from anything the library itself does.
#include <stdexcept>
#include <string>

extern "C" __declspec(dllexport) int BenchTouch(int size) {
    try {
        const std::string text(static_cast<std::size_t>(size), 'x');
        return static_cast<int>(text.size());
    } catch (const std::exception&) {
        return -1;
    }
}
