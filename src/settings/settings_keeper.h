#pragma once
// Carries the directory box and the suffix box from one start of the tool to the next.

#include "ui/units.h"

#include <string>

namespace rr::settings {

// Shown once, as a row of the lower list view, when the settings could not be saved.
constexpr char kSaveFailedText[] =
    "设置未能保存：无法写入程序目录中的 peizhi.ini，下次启动时目录和后缀将为空。";

class SettingsKeeper {
public:
    explicit SettingsKeeper(std::string programDirectory);

    // Sets both boxes from the file, also to the empty text: a first start empties the suffix
    // box too.
    void load(ui::Units& units) const;

    // Stores both boxes' contents. False when either value could not be written.
    bool save(ui::Units& units);

    // Adds the failure row to the lower list view if a save has failed and no row has said
    // so yet; the row comes after the rows of the run that is shown.
    void tellSaveFailureOnce(ui::Units& units);

private:
    std::string file_;
    bool failed_ = false;
    bool told_ = false;
};

} // namespace rr::settings
