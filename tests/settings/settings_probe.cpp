// Starts up as the program does (program directory, current directory), then leaves traces
// the test can look for: "probe.txt" written relative to the current directory, holding the
// program directory, and that directory stored under "路径" in the settings file.

#include "app/program_directory.h"
#include "settings/settings_file.h"

#include <cstdio>
#include <string>

int main() {
    std::string directory = rr::app::programDirectory();
    if (!rr::app::enterDirectory(directory)) {
        return 1;
    }
    std::FILE* trace = std::fopen("probe.txt", "wb");
    if (trace == nullptr) {
        return 2;
    }
    std::fwrite(directory.data(), 1, directory.size(), trace);
    std::fclose(trace);
    std::string file = rr::settings::settingsFilePath(directory);
    bool saved = rr::settings::writeSettingsValue(file, rr::settings::kSection,
                                                  rr::settings::kPathEntry, directory);
    return saved ? 0 : 3;
}
