#include "tools/stretch_counter_win32.h"

#include <cstring>

#include "dibplatform.h"

namespace dibtool {

namespace {

using StretchDIBitsFn = int(WINAPI*)(HDC, int, int, int, int, int, int, int, int, const void*, const BITMAPINFO*,
                                     UINT, DWORD);

StretchDIBitsFn g_stretchDIBits = nullptr;
size_t g_calls = 0;

int WINAPI CountingStretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                                 int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                                 DWORD rop)
{
    ++g_calls;
    return g_stretchDIBits(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, bits, info,
                           usage, rop);
}

// The import address table slot through which `module` calls `function`
// of `library`, or null.
void** FindImportSlot(HMODULE module, const char* library, const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return nullptr;
    }
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) {
            continue;
        }
        const DWORD namesAt = entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesAt);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

}  // namespace

bool InstallStretchCounter()
{
    if (g_stretchDIBits != nullptr) {
        return true;
    }
    const HMODULE library = GetModuleHandleA("dibdraw32.dll");
    void** slot = library != nullptr ? FindImportSlot(library, "gdi32.dll", "StretchDIBits") : nullptr;
    DWORD protection = 0;
    if (slot == nullptr || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        return false;
    }
    g_stretchDIBits = reinterpret_cast<StretchDIBitsFn>(*slot);
    *slot = reinterpret_cast<void*>(&CountingStretchDIBits);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}

void ClearStretchCount() { g_calls = 0; }

size_t StretchCount() { return g_calls; }

}  // namespace dibtool
