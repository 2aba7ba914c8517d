#pragma once
// A stand-in for the main window's units: texts, enabled states and list rows in memory,
// with a log of every text a unit was given, so tests see what the user would have seen.

#include "ui/units.h"

#include <map>
#include <string>
#include <vector>

namespace rr::test {

class FakeUnits : public ui::Units {
public:
    std::map<ui::UnitId, std::string> texts;
    std::map<ui::UnitId, bool> enabled;
    std::map<ui::UnitId, std::vector<ui::Row>> rows;
    // Every text set, in order, per unit.
    std::map<ui::UnitId, std::vector<std::string>> history;
    // Enabled states set on 按钮2, in order.
    std::vector<bool> button2States;

    std::string text(ui::UnitId unit) override { return texts[unit]; }
    void setText(ui::UnitId unit, std::string_view text) override {
        texts[unit] = std::string(text);
        history[unit].emplace_back(text);
    }
    void setEnabled(ui::UnitId button, bool on) override {
        enabled[button] = on;
        if (button == ui::UnitId::按钮2) {
            button2States.push_back(on);
        }
    }
    int rowCount(ui::UnitId list) override { return static_cast<int>(rows[list].size()); }
    void deleteAllRows(ui::UnitId list) override { rows[list].clear(); }
    int insertRow(ui::UnitId list) override {
        rows[list].push_back({});
        return static_cast<int>(rows[list].size()) - 1;
    }
    void setCell(ui::UnitId list, int row, int column, std::string_view text) override {
        auto& r = rows[list].at(static_cast<std::size_t>(row));
        (column == 0 ? r.number : r.path) = std::string(text);
    }
    std::string cell(ui::UnitId list, int row, int column) override {
        const auto& r = rows[list].at(static_cast<std::size_t>(row));
        return column == 0 ? r.number : r.path;
    }
    void appendRows(ui::UnitId list, const std::vector<ui::Row>& more) override {
        rows[list].insert(rows[list].end(), more.begin(), more.end());
    }

    std::vector<std::string> paths(ui::UnitId list) {
        std::vector<std::string> out;
        for (const auto& r : rows[list]) {
            out.push_back(r.path);
        }
        return out;
    }
};

} // namespace rr::test
