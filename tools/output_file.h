// Writing an output file so that it either gets its whole content or is not
// touched: the content goes to a temporary file in the same directory, which
// then replaces the file.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>

// <windows.h> defines ReplaceFile as ReplaceFileA; included here, it renames
// the function below alike in every file that declares, defines or calls it.
#include "dibplatform.h"

namespace dibtool {

// Calls write(temporaryPath), which returns an empty string on success or
// why it failed, then moves the temporary file to `path` (on POSIX systems to
// the file a symbolic link `path` leads to, keeping the link). Returns an empty
// string on success, otherwise why the file could not be written. No
// temporary file is left behind either way, nor when write() throws (the
// exception goes on to the caller) or, on POSIX systems, when SIGINT,
// SIGTERM or SIGHUP ends the process meanwhile.
std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write);

// Writes an output file, `path` "-" being standard output: write() fills a
// temporary file (in the system's temporary directory), which is copied to
// standard output and removed. Any other path goes to ReplaceFile.
std::string WriteOutput(const std::string& path, const std::function<std::string(const std::string&)>& write);

// Creates an empty file of a new name that starts with `prefix`, calls
// use(its path) and removes the file again, with the same care as
// ReplaceFile. Returns use's result, or why the file could not be created.
std::string UseTemporaryFile(const std::string& prefix, const std::function<std::string(const std::string&)>& use);

// Makes a standard stream carry bytes unchanged (Windows translates line
// ends in text mode; elsewhere there is nothing to do).
void UseBinaryMode(FILE* stream);

// Whether a stream goes to a terminal, where a person watches it.
bool IsTerminal(FILE* stream);

// Writes bytes to a file. Returns an empty string on success, otherwise why
// it failed.
std::string WriteBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace dibtool
