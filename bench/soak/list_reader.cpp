#include "list_reader.h"

#include <commctrl.h>

#include <algorithm>

namespace soak {

namespace {

constexpr std::size_t kTextBytes = 2048;

// Memory in another process, freed with it.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, std::size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    char* address() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

} // namespace

std::vector<std::string> readColumn(HANDLE process, HWND list, int column) {
    std::vector<std::string> cells;
    RemoteBlock block(process, sizeof(LVITEMA) + kTextBytes);
    if (block.address() == nullptr) {
        return cells;
    }
    char* remoteText = block.address() + sizeof(LVITEMA);
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<char> text(kTextBytes);
    for (int row = 0; row < rows; ++row) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iSubItem = column;
        item.pszText = remoteText;
        item.cchTextMax = static_cast<int>(kTextBytes);
        SIZE_T done = 0;
        if (!WriteProcessMemory(process, block.address(), &item, sizeof(item), &done)) {
            return {};
        }
        LRESULT length = SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                      reinterpret_cast<LPARAM>(block.address()));
        if (!ReadProcessMemory(process, remoteText, text.data(), kTextBytes, &done)) {
            return {};
        }
        std::size_t n = length > 0 ? static_cast<std::size_t>(length) : 0;
        cells.emplace_back(text.data(), std::min(n, kTextBytes - 1));
    }
    return cells;
}

} // namespace soak
