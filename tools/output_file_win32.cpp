#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "dibplatform.h"
#include "tools/output_file.h"

namespace dibtool {

namespace {

std::string LastErrorText()
{
    char text[256] = {};
    const DWORD code = GetLastError();
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                       sizeof text, nullptr) == 0) {
        std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(code));
    }
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

std::string CreateTemporaryFile(const std::string& prefix, std::string& temporary)
{
    // A name no other process uses: this process's id and a counter.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = prefix + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++);
        const HANDLE file =
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return {};
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return "cannot create the file: " + LastErrorText();
        }
    }
    return "cannot create the file: no free temporary name";
}

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    std::string temporary;
    if (std::string problem = CreateTemporaryFile(path, temporary); !problem.empty()) {
        return problem;
    }
    std::string problem = write(temporary);
    if (problem.empty() && !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        problem = "cannot create the file: " + LastErrorText();
    }
    if (!problem.empty()) {
        DeleteFileA(temporary.c_str());
    }
    return problem;
}

void UseBinaryMode(FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

bool IsTerminal(FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace dibtool
