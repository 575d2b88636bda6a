#include "appnavigator.h"

#include "admin/frmdata.h"
#include "admin/frmtimedata.h"
#include "drill/mainfrm.h"
#include "foundation/windows.h"
#include "hub/namesel.h"
#include "hub/seisekitime1.h"
#include "results/frmsyuuryou.h"

#include <QApplication>

namespace soinsuu {

void AppNavigator::open(QPointer<QWidget>& slot, QWidget* window)
{
    if (ending_) {
        delete window;
        return;
    }
    closeWindow(slot);
    window->setAttribute(Qt::WA_DeleteOnClose);
    slot = window;
    window->show();
    window->raise();
    window->activateWindow();
}

void AppNavigator::closeWindow(QPointer<QWidget>& slot)
{
    if (slot)
        slot->close();
    slot = nullptr;
}

void AppNavigator::showNameSelection() { open(nameWindow_, new namesel(ctx_)); }

void AppNavigator::closeNameSelection() { closeWindow(nameWindow_); }

void AppNavigator::showStudentMenu() { open(menuWindow_, new seisekitime1(ctx_)); }

void AppNavigator::closeStudentMenu() { closeWindow(menuWindow_); }

void AppNavigator::showDrillWindow() { open(drillWindow_, new MainFrm(ctx_)); }

void AppNavigator::closeDrillWindow() { closeWindow(drillWindow_); }

void AppNavigator::showEndOfDrill() { open(endWindow_, new FrmSyuuryou(ctx_)); }

void AppNavigator::showWaitWindow()
{
    if (waitWindow_ || ending_)
        return;
    auto* wait = new BASEFRM;
    wait->setAttribute(Qt::WA_DeleteOnClose);
    waitWindow_ = wait;
    wait->show();
    wait->raise();
}

void AppNavigator::closeWaitWindow() { closeWindow(waitWindow_); }

void AppNavigator::showSharedFileWait(bool waiting)
{
    if (waiting && !waitWindow_) {
        // A wait outside the drill's end (the statistics of a window being
        // built) gets the wait window of its own.
        showWaitWindow();
        waitShownForSharedFile_ = waitWindow_ != nullptr;
    }
    if (auto* wait = qobject_cast<BASEFRM*>(waitWindow_.data()))
        wait->setSharedFileNote(waiting);
    if (!waiting && waitShownForSharedFile_) {
        waitShownForSharedFile_ = false;
        closeWaitWindow();
    }
}

void AppNavigator::showVersionDialog(QWidget* over)
{
    frmver dialog(ctx_, over);
    dialog.exec();
}

void AppNavigator::showCriteriaEditor() { open(adminWindow_, new FrmTimeData(ctx_)); }

void AppNavigator::showRecordsMaintenance() { open(adminWindow_, new FrmData(ctx_)); }

void AppNavigator::endProgram(int exitCode)
{
    if (ending_)
        return;
    ending_ = true;
    // Newest first, as a person closing them by hand would.
    for (QPointer<QWidget>* slot : {&waitWindow_, &adminWindow_, &endWindow_, &drillWindow_, &menuWindow_, &nameWindow_})
        closeWindow(*slot);
    QApplication::closeAllWindows();
    QCoreApplication::exit(exitCode);
}

} // namespace soinsuu
