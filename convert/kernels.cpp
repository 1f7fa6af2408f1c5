#include "convert/kernels.h"

#include <cstdlib>
#include <string_view>

#include "convert/kernels_sse2.h"

namespace dibdraw {

namespace {

constexpr const KernelSet* kSets[] = {&kAvx512Kernels, &kAvx2Kernels, &kSse2Kernels, &kScalarKernels};

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
    for (const KernelSet* set : kSets) {
        if (set->supported() && (disabled == nullptr || !Disabled(disabled, set->name))) {
            return *set;
        }
    }
    return kScalarKernels;
}

}  // namespace

constinit const KernelSet kSse2Kernels = {"sse2",         AlwaysSupported, kSse2Rgb24,       kSse2Diffusion,
                                          MapBytesScalar, true,          CopyBytesSse2,
                                          DoubleRgb24Scalar};

std::span<const KernelSet* const> KernelSets()
{
    return kSets;
}

const KernelSet& ActiveKernels()
{
    static const KernelSet& active = ChooseKernels();
    return active;
}

}  // namespace dibdraw
