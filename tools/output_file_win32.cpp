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

// A new empty file whose name starts with `prefix`, removed when the object
// goes (on every return and exception) unless it has been moved away.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& prefix)
    {
        // A name no other process uses: this process's id and a counter.
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = prefix + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++);
            const HANDLE file =
                CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
                m_exists = true;
                return;
            }
            if (GetLastError() != ERROR_FILE_EXISTS) {
                m_problem = "cannot create the file: " + LastErrorText();
                return;
            }
        }
        m_problem = "cannot create the file: no free temporary name";
    }
    ~TemporaryFile()
    {
        if (m_exists) {
            DeleteFileA(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Why the file could not be created; empty when it exists.
    const std::string& problem() const { return m_problem; }
    const std::string& path() const { return m_path; }

    // Returns an empty string on success, otherwise why the move failed.
    std::string MoveTo(const std::string& path)
    {
        if (!MoveFileExA(m_path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return "cannot create the file: " + LastErrorText();
        }
        m_exists = false;
        return {};
    }

private:
    std::string m_path;
    std::string m_problem;
    bool m_exists = false;
};

}  // namespace

std::string UseTemporaryFile(const std::string& prefix, const std::function<std::string(const std::string&)>& use)
{
    TemporaryFile temporary(prefix);
    return temporary.problem().empty() ? use(temporary.path()) : temporary.problem();
}

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    TemporaryFile temporary(path);
    if (!temporary.problem().empty()) {
        return temporary.problem();
    }
    const std::string problem = write(temporary.path());
    return problem.empty() ? temporary.MoveTo(path) : problem;
}

void UseBinaryMode(FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

bool IsTerminal(FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace dibtool
