#include "archiver/archiver_image.h"

#include <windows.h>

namespace rr::archiver {

std::string_view archiverImage() {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, kArchiverImageResource, RT_RCDATA);
    if (found == nullptr) {
        return {};
    }
    // A loaded resource stays mapped for the life of the process; nothing to free.
    HGLOBAL loaded = LoadResource(self, found);
    DWORD size = SizeofResource(self, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return {};
    }
    return {static_cast<const char*>(bytes), size};
}

} // namespace rr::archiver
