// dibdraw render INPUT... --out-dir DIR: every input rendered with the same
// options, each to a file of its own.
#pragma once

#include <functional>

#include "tools/options.h"

namespace dibtool {

// Renders each of options.inputs with renderOne (options for that input and
// its output, DIR/<stem>.<format>; it reports its own problems and returns
// the exit status of a single render), going on past failures. On a terminal
// a progress line per file goes to standard error. Returns true when every
// file was rendered; otherwise reports how many failed (or that DIR is not a
// directory) and returns false.
bool RunBatch(const Options& options, const std::function<int(const Options&)>& renderOne);

}  // namespace dibtool
