#include "settings/settings_keeper.h"

#include "platform/cp936_text.h"
#include "settings/settings_file.h"

namespace rr::settings {

SettingsKeeper::SettingsKeeper(std::string programDirectory)
    : file_(settingsFilePath(programDirectory)) {}

void SettingsKeeper::load(ui::Units& units) const {
    units.setText(ui::UnitId::编辑框_路径, readSettingsValue(file_, kSection, kPathEntry));
    units.setText(ui::UnitId::编辑框_后缀, readSettingsValue(file_, kSection, kSuffixEntry));
}

bool SettingsKeeper::save(ui::Units& units) {
    // Both writes are tried, so a value that can be kept is kept.
    bool pathSaved =
        writeSettingsValue(file_, kSection, kPathEntry, units.text(ui::UnitId::编辑框_路径));
    bool suffixSaved =
        writeSettingsValue(file_, kSection, kSuffixEntry, units.text(ui::UnitId::编辑框_后缀));
    bool saved = pathSaved && suffixSaved;
    if (!saved) {
        failed_ = true;
    }
    return saved;
}

void SettingsKeeper::tellSaveFailureOnce(ui::Units& units) {
    if (!failed_ || told_) {
        return;
    }
    told_ = true;
    constexpr ui::UnitId kList = ui::UnitId::超级列表框2;
    int number = units.rowCount(kList) + 1;
    units.appendRows(kList, {ui::Row{cp936::decimal(number), kSaveFailedText}});
}

} // namespace rr::settings
