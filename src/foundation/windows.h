#pragma once
// The small windows of start-up: the splash, the wait window and the version dialog.

#include "runcontext.h"
#include "synchronous_step.h"

#include <QDialog>
#include <QWidget>
#include <functional>

class QLabel;
class QWindow;

namespace soinsuu {

// The splash shown while start-up reads the installation.
class Firstfrm : public QWidget {
    Q_OBJECT
public:
    // `startUpWork` runs once, from the 100 ms start-up timer.
    Firstfrm(RunContext& ctx, std::function<void()> startUpWork, QWidget* parent = nullptr);
    // Shows the splash and starts the start-up sequence.
    void begin();
    WindowTimer* startUpTimer() { return &timer_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onTimer();
    RunContext& ctx_;
    std::function<void()> work_;
    WindowTimer timer_;
    QLabel* dateLabel_;
};

// "Just a moment, please." while a run is recorded or a new one starts.
class BASEFRM : public QWidget {
    Q_OBJECT
public:
    explicit BASEFRM(QWidget* parent = nullptr);
    // Adds (or takes away) a line saying that the program waits for the
    // shared results file, which another machine is using.
    void setSharedFileNote(bool shown);
protected:
    void showEvent(QShowEvent* event) override;

private:
    // Stands in front of `window` when it is one of the program's
    // full-screen windows.
    void stayInFrontOf(QWindow* window);
    bool loaded_ = false;
    QLabel* label_;
    QLabel* note_;
};

// The version dialog, opened from the title banner of the name window.
class frmver : public QDialog {
    Q_OBJECT
public:
    frmver(const RunContext& ctx, QWidget* parent = nullptr);
};

} // namespace soinsuu
