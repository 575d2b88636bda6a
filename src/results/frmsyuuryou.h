#pragma once
// The end-of-drill window: the run's result and points, today's counts, a
// new record or a cleared level with their sounds, then the way on.

#include "foundation/runcontext.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace soinsuu {

// "獲得ポイント：11点×1.5→16点", the multiplier in its shortest form.
QString pointsLine(int base, float multiplier, int points);

class FrmSyuuryou : public QWidget {
    Q_OBJECT
public:
    explicit FrmSyuuryou(RunContext& ctx, QWidget* parent = nullptr);
    // The one-shot timer's work; public so tests need not wait for it.
    void onTimer();
    QTimer* timer() { return &timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void activate();
    void toMenu();
    void again();

    RunContext& ctx_;
    bool activated_ = false;
    bool timerDone_ = false;
    QTimer timer_;
    QLabel* label_[21] = {};
    QWidget* banner_;
    QPushButton* menuButton_;
    QPushButton* againButton_;
};

} // namespace soinsuu
