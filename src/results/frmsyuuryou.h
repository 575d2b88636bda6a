#pragma once
// The end-of-drill window: the run's result and points, today's counts, a
// new record or a cleared level with their sounds, then the way on.

#include "endofdrill.h"

#include "foundation/runcontext.h"
#include "foundation/synchronous_step.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace soinsuu {

class FrmSyuuryou : public QWidget {
    Q_OBJECT
public:
    explicit FrmSyuuryou(RunContext& ctx, QWidget* parent = nullptr);
    WindowTimer* timer() { return &timer_; }
    // True while the evaluation and its sounds are under way.
    bool evaluating() const { return evaluating_; }

protected:
    // The first showing starts the evaluation, once the window is on screen.
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void activate();
    // The one-shot timer's work: shows the buttons.
    void onTimer();
    void toMenu();
    void again();
    // False when the window is already on its way out.
    bool beginLeaving();

    RunContext& ctx_;
    bool activated_ = false;
    bool evaluating_ = false;
    bool leaving_ = false;
    bool timerDone_ = false;
    WindowTimer timer_;
    QLabel* label_[21] = {};
    QLabel* banner_;
    QPushButton* menuButton_;
    QPushButton* againButton_;
};

} // namespace soinsuu
