#pragma once
// The unit operations of a real main window. A call from another thread is carried to the
// window's thread with SendMessage and waits there, so the window's controls are only ever
// touched by their own thread.

#include "ui/units.h"

#include <windows.h>

#include <functional>

namespace rr::ui {

struct MainWindowState;

// Carries a std::function<void()>* in lParam to the window's thread.
constexpr UINT kCallOnWindowThread = WM_APP + 1;

class WindowUnits : public Units {
public:
    explicit WindowUnits(HWND window) : window_(window) {}

    std::string text(UnitId unit) override;
    void setText(UnitId unit, std::string_view text) override;
    void setEnabled(UnitId button, bool enabled) override;
    int rowCount(UnitId list) override;
    void deleteAllRows(UnitId list) override;
    int insertRow(UnitId list) override;
    void setCell(UnitId list, int row, int column, std::string_view text) override;
    std::string cell(UnitId list, int row, int column) override;
    void appendRows(UnitId list, const std::vector<Row>& rows) override;

private:
    // Runs `work` on the window's thread with the window's state; does nothing once the
    // window is gone.
    void onWindowThread(const std::function<void(MainWindowState&)>& work);

    HWND window_;
};

} // namespace rr::ui
