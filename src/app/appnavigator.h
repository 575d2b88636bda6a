#pragma once
// Opens and closes the program's windows for the rest of the program, which
// asks for them through the Navigator interface.

#include "foundation/runcontext.h"

#include <QPointer>
#include <QWidget>

namespace soinsuu {

class AppNavigator final : public Navigator {
public:
    explicit AppNavigator(RunContext& ctx) : ctx_(ctx) {}
    void showNameSelection() override;
    void closeNameSelection() override;
    void showStudentMenu() override;
    void closeStudentMenu() override;
    void showDrillWindow() override;
    void closeDrillWindow() override;
    void showEndOfDrill() override;
    void showWaitWindow() override;
    void closeWaitWindow() override;
    void showSharedFileWait(bool waiting) override;
    void showVersionDialog(QWidget* over) override;
    void showCriteriaEditor() override;
    void showRecordsMaintenance() override;
    void endProgram(int exitCode) override;
    bool ending() const { return ending_; }

private:
    // Shows a new top-level window that deletes itself when closed.
    void open(QPointer<QWidget>& slot, QWidget* window);
    static void closeWindow(QPointer<QWidget>& slot);

    RunContext& ctx_;
    QPointer<QWidget> nameWindow_;
    QPointer<QWidget> menuWindow_;
    QPointer<QWidget> drillWindow_;
    QPointer<QWidget> endWindow_;
    QPointer<QWidget> waitWindow_;
    QPointer<QWidget> adminWindow_;
    bool ending_ = false;
    bool waitShownForSharedFile_ = false;
};

} // namespace soinsuu
