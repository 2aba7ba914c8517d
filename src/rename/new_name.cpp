#include "rename/new_name.h"

#include "platform/cp936_text.h"

#include <array>

namespace rr::rename {

namespace {

constexpr char kSeparator = '\\';
constexpr std::string_view kForbidden = "\\/:*?\"<>|";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kFirstTrailByte = 0x40;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kLastTrailByte = 0xFE;

constexpr std::array<std::string_view, 6> kDeviceNames = {"con", "prn",    "aux",
                                                          "nul", "conin$", "conout$"};
// COM1-COM9 and LPT1-LPT9.
constexpr std::array<std::string_view, 2> kNumberedDevices = {"com", "lpt"};

bool isValidTrailByte(unsigned char b) {
    return b >= kFirstTrailByte && b <= kLastTrailByte && b != kDelete;
}

bool hasOnlyPlainCharacters(std::string_view name) {
    for (std::size_t pos = 0; pos < name.size();) {
        auto b = static_cast<unsigned char>(name[pos]);
        if (cp936::isLeadByte(b)) {
            if (pos + 1 >= name.size() ||
                !isValidTrailByte(static_cast<unsigned char>(name[pos + 1]))) {
                return false;
            }
            pos += 2;
            continue;
        }
        if (b < kFirstPrintable ||
            kForbidden.find(static_cast<char>(b)) != std::string_view::npos) {
            return false;
        }
        ++pos;
    }
    return true;
}

// Windows takes the part before the first dot, less trailing spaces, as the device name.
bool isDeviceName(std::string_view name) {
    std::string stem = cp936::asciiLower(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    for (auto device : kDeviceNames) {
        if (stem == device) {
            return true;
        }
    }
    for (auto device : kNumberedDevices) {
        if (stem.size() == 4 && stem.compare(0, 3, device) == 0 && stem[3] >= '1' &&
            stem[3] <= '9') {
            return true;
        }
    }
    return false;
}

} // namespace

std::string entryFileName(std::string_view entryName) {
    std::size_t cut = cp936::findLast(entryName, kSeparator);
    if (cut == std::string_view::npos) {
        return std::string(entryName);
    }
    auto pieces = cp936::split(entryName, kSeparator);
    return pieces.empty() ? std::string() : pieces.back();
}

std::optional<std::string> newArchiveName(std::string_view fileName, std::size_t suffixLength) {
    if (fileName.size() <= suffixLength) {
        return std::nullopt;
    }
    std::string name(fileName.substr(0, fileName.size() - suffixLength));
    name += kArchiveExtension;
    return name;
}

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    if (name.back() == ' ' || name.back() == '.') {
        return false;
    }
    return hasOnlyPlainCharacters(name) && !isDeviceName(name);
}

std::string directoryOf(std::string_view path) {
    std::size_t cut = cp936::findLast(path, kSeparator);
    if (cut == std::string_view::npos) {
        return std::string();
    }
    return std::string(path.substr(0, cut + 1));
}

} // namespace rr::rename
