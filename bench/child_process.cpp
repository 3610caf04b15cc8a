#include "child_process.h"

#include <vector>

#include "bench_handles.h"

namespace bench {
namespace {

std::wstring Quoted(const std::wstring& text) {
    return text.find_first_of(L" \t") == std::wstring::npos ? text : L"\"" + text + L"\"";
}

// A pipe whose write end the child inherits as its standard output.
struct OutputPipe {
    UniqueKernelHandle read;
    UniqueKernelHandle write;
};

std::optional<OutputPipe> MakeOutputPipe() {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    OutputPipe pipe;
    if (!CreatePipe(pipe.read.put(), pipe.write.put(), &inherit, 0)) return std::nullopt;
    // Only the write end goes to the child; the read end stays here alone.
    SetHandleInformation(pipe.read.get(), HANDLE_FLAG_INHERIT, 0);
    return pipe;
}

std::string ReadAll(HANDLE pipe) {
    std::string out;
    std::vector<char> chunk(4096);
    DWORD got = 0;
    while (ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
           got > 0) {
        out.append(chunk.data(), got);
    }
    return out;
}

}  // namespace

std::wstring CommandLine(const std::wstring& program, std::initializer_list<std::wstring> args) {
    std::wstring line = Quoted(program);
    for (const std::wstring& arg : args) line += L" " + Quoted(arg);
    return line;
}

std::optional<ChildOutput> RunChild(const std::wstring& commandLine) {
    std::optional<OutputPipe> pipe = MakeOutputPipe();
    if (!pipe) return std::nullopt;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = pipe->write.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started = {};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return std::nullopt;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    // Closed here so that the read below ends when the child's copy goes.
    pipe->write.reset();
    ChildOutput result;
    result.out = ReadAll(pipe->read.get());
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

}  // namespace bench
