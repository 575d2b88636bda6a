#pragma once
// Stand-ins for the windows and message boxes the benchmarks do not open.

#include "foundation/services.h"

namespace soinsuu::bench {

struct NoWindows final : Navigator {
    void showNameSelection() override {}
    void closeNameSelection() override {}
    void showStudentMenu() override {}
    void closeStudentMenu() override {}
    void showDrillWindow() override {}
    void closeDrillWindow() override {}
    void showEndOfDrill() override {}
    void showWaitWindow() override {}
    void closeWaitWindow() override {}
    void showVersionDialog(QWidget*) override {}
    void showCriteriaEditor() override {}
    void showRecordsMaintenance() override {}
    void endProgram(int) override {}
};

struct NoBoxes final : Dialogs {
    void message(const QString&, const QString&, Icon) override {}
    bool question(const QString&, const QString&) override { return false; }
    bool confirm(const QString&, const QString&) override { return false; }
};

} // namespace soinsuu::bench
