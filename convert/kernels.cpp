#include "convert/kernels.h"

#include <array>
#include <cstdlib>
#include <string_view>

#include "convert/kernels_avx2.h"
#include "convert/kernels_avx512.h"
#include "convert/kernels_scalar.h"
#include "convert/kernels_sse2.h"

namespace dibdraw {

namespace {

bool Always()
{
    return true;
}

// The compiler's checks also ask the system whether it saves the wider
// registers. Its processor model is filled in by a constructor, which the
// first caller into a DLL may run ahead of; filling it twice is harmless.
bool ProcessorHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

bool ProcessorHasByteTables()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

constexpr KernelSet kScalar = {"scalar",
                               Always,
                               QuantizeRgb24BlocksScalar,
                               JudgeRgb24BlocksScalar,
                               ThresholdRgb24BlocksScalar,
                               LuminanceRgb24BlocksScalar,
                               PackLightCodesScalar,
                               DiffusionStepIndicesScalar,
                               SumRunErrorsScalar,
                               MapBytesScalar};

constexpr KernelSet kSse2 = {"sse2",
                             Always,
                             QuantizeRgb24BlocksSse2,
                             JudgeRgb24BlocksSse2,
                             ThresholdRgb24BlocksSse2,
                             LuminanceRgb24BlocksSse2,
                             PackLightCodesSse2,
                             DiffusionStepIndicesSse2,
                             SumRunErrorsSse2,
                             kScalar.mapBytes};

// Wider sets take the narrower set's kernel wherever they have none of
// their own.
constexpr KernelSet kAvx2 = {"avx2",
                             ProcessorHasAvx2,
                             QuantizeRgb24BlocksAvx2,
                             JudgeRgb24BlocksAvx2,
                             ThresholdRgb24BlocksAvx2,
                             LuminanceRgb24BlocksAvx2,
                             kSse2.packLightCodes,
                             kSse2.stepIndices,
                             kSse2.sumRunErrors,
                             MapBytesAvx2};

constexpr KernelSet kAvx512 = {"avx512",
                               ProcessorHasByteTables,
                               QuantizeRgb24BlocksAvx512,
                               JudgeRgb24BlocksAvx512,
                               ThresholdRgb24BlocksAvx512,
                               LuminanceRgb24BlocksAvx512,
                               kAvx2.packLightCodes,
                               kAvx2.stepIndices,
                               kAvx2.sumRunErrors,
                               MapBytesAvx512};

constexpr std::array<KernelSet, 4> kSets = {kAvx512, kAvx2, kSse2, kScalar};

// Whether the comma list names the set.
bool Disabled(std::string_view list, std::string_view name)
{
    while (!list.empty()) {
        const size_t comma = list.find(',');
        if (list.substr(0, comma) == name) {
            return true;
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

const KernelSet& ChooseKernels()
{
    const char* disabled = std::getenv("DIBDRAW_DISABLE");
    for (const KernelSet& set : kSets) {
        if (set.supported() && (disabled == nullptr || !Disabled(disabled, set.name))) {
            return set;
        }
    }
    return kSets.back();
}

}  // namespace

std::span<const KernelSet> KernelSets()
{
    return kSets;
}

const KernelSet& ActiveKernels()
{
    static const KernelSet& active = ChooseKernels();
    return active;
}

}  // namespace dibdraw
