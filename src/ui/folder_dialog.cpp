#include "ui/folder_dialog.h"

#include <shlobj.h>

#include <memory>

namespace rr::ui {

namespace {

constexpr char kPrompt[] = "选择目录：";

struct PidlDeleter {
    void operator()(ITEMIDLIST* pidl) const { CoTaskMemFree(pidl); }
};

} // namespace

std::string chooseFolder(HWND owner) {
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr; // the desktop
    info.lpszTitle = kPrompt;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
    std::unique_ptr<ITEMIDLIST, PidlDeleter> chosen(SHBrowseForFolderA(&info));
    if (!chosen) {
        return {};
    }
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), path)) {
        return {};
    }
    return path;
}

} // namespace rr::ui
