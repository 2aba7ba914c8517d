#pragma once
// The settings file peizhi.ini beside the executable: one value per call, read and written
// through the platform's private-profile functions, so nothing of the file is kept open or
// cached between uses.

#include <cstddef>
#include <string>

namespace rr::settings {

constexpr char kSettingsFileName[] = "peizhi.ini";
constexpr char kSection[] = "配置";
constexpr char kPathEntry[] = "路径";
constexpr char kSuffixEntry[] = "后缀";

// The profile functions fill a buffer of this size, so at most one byte less of a value
// comes back.
constexpr std::size_t kValueBufferSize = 10240;

// The program directory, then "\peizhi.ini". Empty when the directory is unknown, so the file
// can never land in a directory the user did not choose.
std::string settingsFilePath(const std::string& programDirectory);

// The entry's value; the empty text for a missing file, section or entry, an unreadable file
// or an empty path.
std::string readSettingsValue(const std::string& file, const char* section, const char* entry);

// Stores the value, creating file, section and entry as needed. False on failure.
bool writeSettingsValue(const std::string& file, const char* section, const char* entry,
                        const std::string& value);

} // namespace rr::settings
