#include "settings/settings_file.h"

#include <windows.h>

#include <vector>

namespace rr::settings {

std::string settingsFilePath(const std::string& programDirectory) {
    if (programDirectory.empty()) {
        return {};
    }
    return programDirectory + "\\" + kSettingsFileName;
}

std::string readSettingsValue(const std::string& file, const char* section, const char* entry) {
    if (file.empty()) {
        return {};
    }
    std::vector<char> buffer(kValueBufferSize, '\0');
    // A null default reads an absent entry as the empty text.
    DWORD length = GetPrivateProfileStringA(section, entry, nullptr, buffer.data(),
                                            static_cast<DWORD>(buffer.size()), file.c_str());
    return std::string(buffer.data(), length);
}

bool writeSettingsValue(const std::string& file, const char* section, const char* entry,
                        const std::string& value) {
    if (file.empty()) {
        return false;
    }
    return WritePrivateProfileStringA(section, entry, value.c_str(), file.c_str()) != FALSE;
}

} // namespace rr::settings
