#include "convert/vector_isa.h"

#include <cstdlib>
#include <cstring>

namespace dibdraw {

namespace {

bool DisabledByEnvironment(const char* name)
{
    const char* disabled = std::getenv("DIBDRAW_DISABLE");
    return disabled != nullptr && std::strstr(disabled, name) != nullptr;
}

// The compiler's check also asks the system whether it saves the 512-bit
// registers. Its processor model is filled in by a constructor, which the
// first caller into a DLL may run ahead of; filling it twice is harmless.
bool ProcessorHasByteTables()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

}  // namespace

bool ByteTableVectorsAvailable()
{
    static const bool available = ProcessorHasByteTables() && !DisabledByEnvironment("avx512");
    return available;
}

}  // namespace dibdraw
