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

}  // namespace

bool ByteTableVectorsAvailable()
{
    // The compiler's check also asks the system whether it saves the
    // 512-bit registers.
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vl") &&
                                  __builtin_cpu_supports("avx512vbmi") && !DisabledByEnvironment("avx512");
    return available;
}

}  // namespace dibdraw
