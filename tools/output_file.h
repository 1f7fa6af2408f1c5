// Writing an output file so that it either gets its whole content or is not
// touched: the content goes to a temporary file in the same directory, which
// then replaces the file.
#pragma once

#include <functional>
#include <span>
#include <string>

namespace dibtool {

// Calls write(temporaryPath), which returns an empty string on success or
// why it failed, then moves the temporary file to `path`. Returns an empty
// string on success, otherwise why the file could not be written. No
// temporary file is left behind either way, nor when write() throws (the
// exception goes on to the caller) or, on POSIX systems, when SIGINT,
// SIGTERM or SIGHUP ends the process meanwhile.
std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write);

// Writes bytes to a file. Returns an empty string on success, otherwise why
// it failed.
std::string WriteBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace dibtool
