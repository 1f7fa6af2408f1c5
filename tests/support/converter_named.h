// A family member of the converter registry by its name, for tests that name
// the converter they drive: "Blit8To8Mode2Gray". A name the registry does
// not hold stops the test program at once, naming it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "convert/registry.h"

namespace testsupport {

inline BlitterFn Converter(std::string_view name)
{
    const dibdraw::ConverterEntry* entry = dibdraw::EntryNamed(name);
    if (entry == nullptr) {
        std::fprintf(stderr, "no converter is named %.*s\n", static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return entry->fn;
}

}  // namespace testsupport
