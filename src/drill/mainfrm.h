#pragma once
// The drill window: the status strip, the working area where the ladder is
// written, the run clock and the end of a run. The ladder's rules live in
// ladder.h; this window shows them and forwards the keyboard.

#include "ladder.h"

#include "foundation/runcontext.h"
#include "foundation/synchronous_step.h"

#include <QLabel>
#include <QWidget>
#include <vector>

namespace soinsuu {

// The working area: everything printed on it is kept, so it repaints itself.
class LadderArea : public QWidget {
    Q_OBJECT
public:
    explicit LadderArea(QWidget* parent);
    void setDigitFont(const QFont& font);
    double tw() const { return tw_; }  // one character cell
    double th() const { return th_; }  // one row
    void print(double x, double y, const QString& text);
    void fillBar(double x1, double y1, double x2, double y2);
    void clear();
    const QStringList& printedTexts() const { return printedTexts_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Item {
        QRectF rect;  // a bar when text is empty
        QString text;
    };
    std::vector<Item> items_;
    QStringList printedTexts_;
    double tw_ = 0;
    double th_ = 0;
};

// An input cell: text on the baseline the working area uses, so typed digits
// stand exactly under the printed ones.
class LadderCell : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
protected:
    void paintEvent(QPaintEvent* event) override;
};

class MainFrm : public QWidget {
    Q_OBJECT
public:
    explicit MainFrm(RunContext& ctx, QWidget* parent = nullptr);

    void 初期設定();
    void レベル別設定();
    void スタート();
    void 問題作成表示();
    void 判定();
    void 判定後処理();
    void endRun();
    void waitThenShowEndWindow(int seconds);

    const Problem& problem() const { return problem_; }
    const AnswerCells& cells() const { return cells_; }
    LadderArea* ladderArea() const { return area_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool startSequence();
    // The clocks' handlers.
    void runClockTick();
    void workingTimeTick();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void typed(QChar c);
    void restartProblem();
    void layoutCells(int row, double lift);
    void printRowStart(int row, int number);
    void drawBar(int row);
    void showCells();
    void updateStatus();
    void setRemaining();
    bool runOver() const;

    RunContext& ctx_;
    Problem problem_;
    AnswerCells cells_;
    bool started_ = false;
    double rowLift_ = 0;
    double l0_ = 0, w0_ = 0, l1_ = 0, w1_ = 0;
    int digitSize_ = 0;

    QWidget* strip_;
    QLabel* title_;
    QLabel* workingMinutes_;
    QLabel* runsToday_;
    QLabel* runsLevel_;
    QLabel* levelName_;
    QLabel* remaining_;
    QLabel* time_;
    QLabel* school_;
    QLabel* student_;
    QWidget* panel_;
    LadderArea* area_;
    LadderCell* cellLabels_[2];
    QLabel* answerLabels_[2];
    QWidget* cross_;
    QLabel* plusPrompt_;
    QWidget* cover_;
    QLabel* recording_;
    QLabel* timeUp_;
    WindowTimer runClock_;
    WindowTimer workClock_;
};

} // namespace soinsuu
