#include "mainfrm.h"

#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "foundation/roster.h"
#include "foundation/layout.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"
#include "foundation/sounds.h"
#include "results/statistics.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace soinsuu {
namespace {

const QColor kStripColour(192, 255, 192);
const QColor kAreaColour(128, 255, 128);
const QColor kInk(0, 0, 255);
const QColor kActiveCell(0, 192, 0);
const QColor kIdleCell(128, 255, 255);
// Where the digits stand in a row one em high: the baseline of a Gothic face.
constexpr double kBaseline = 0.86;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& rect, double points,
                  bool bold = false, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    label->setFont(designFont(kPGothic, points, bold));
    label->setGeometry(rect);
    label->setAlignment(align);
    return label;
}


// The large red cross shown beside the ladder after a wrong row.
class RedCross : public QWidget {
public:
    using QWidget::QWidget;
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(255, 0, 0), std::max(4, width() / 24), Qt::SolidLine, Qt::RoundCap));
        const QRectF r = QRectF(rect()).adjusted(width() * 0.1, height() * 0.1, -width() * 0.1, -height() * 0.1);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
    }
};

} // namespace

LadderArea::LadderArea(QWidget* parent) : QWidget(parent)
{
    fillBackground(this, kAreaColour);
}

void LadderArea::setDigitFont(const QFont& font)
{
    setFont(font);
    const QFontMetricsF fm(font);
    // A fixed-pitch face: one digit's width is every character's cell; a row
    // is one em high.
    tw_ = fm.horizontalAdvance(QStringLiteral("2"));
    th_ = font.pixelSize();
}

void LadderArea::print(double x, double y, const QString& text)
{
    items_.push_back({QRectF(x, y, tw_ * text.size(), th_), text});
    printedTexts_ << text;
    update();
}

void LadderArea::fillBar(double x1, double y1, double x2, double y2)
{
    items_.push_back({QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)), QPointF(std::max(x1, x2), std::max(y1, y2))), QString()});
    update();
}

void LadderArea::clear()
{
    items_.clear();
    printedTexts_.clear();
    update();
}

void LadderArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(kInk);
    for (const Item& item : items_) {
        if (item.text.isEmpty()) {
            p.fillRect(item.rect, kInk);
            continue;
        }
        // Character by character on the cell grid, so the ladder's columns hold.
        for (qsizetype i = 0; i < item.text.size(); ++i)
            p.drawText(QPointF(item.rect.left() + i * tw_, item.rect.top() + kBaseline * th_), QString(item.text[i]));
    }
}

void LadderCell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setFont(font());
    p.setPen(kInk);
    // Right-aligned on the character grid, so a divisor stands where the
    // printed divisors stand and a quotient under the number's last digits.
    const double cell = QFontMetricsF(font()).horizontalAdvance(QStringLiteral("2"));
    const QString t = text();
    const double right = std::round(width() / cell) * cell;
    for (qsizetype i = 0; i < t.size(); ++i)
        p.drawText(QPointF(right - (t.size() - i) * cell, kBaseline * font().pixelSize()), QString(t[i]));
}

MainFrm::MainFrm(RunContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), runClock_(ctx.clock(), 1000, false, [this] { runClockTick(); }, this),
      workClock_(ctx.clock(), 10000, false, [this] { workingTimeTick(); }, this)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("Korvane塾"));
    coverWholeScreen(this);
    // A run has no way out but its end.
    refuseCloseRequests(this);
    // The drill panel's colour: it fills a 1024 x 768 screen to its edges, and
    // on a wider screen the sides beside the design match it.
    fillBackground(this, QColor(224, 255, 224));

    // Loading: a fresh seed for the problems of this opening.
    ctx_.random().seed(std::uint32_t(ctx_.clock().secondsSinceMidnight()));

    strip_ = new QWidget(this);
    strip_->setObjectName(QStringLiteral("sPicture1"));
    fillBackground(strip_, kStripColour);
    strip_->setGeometry(twRect(0, 0, 15360, 1230));
    title_ = makeLabel(strip_, QStringLiteral("sLabel2"), QString(), twRect(150, 60, 6500, 560), 16.8, true);
    school_ = makeLabel(strip_, QStringLiteral("sLabel14"), QString(), twRect(7000, 60, 4300, 560), 14, false,
                        Qt::AlignRight | Qt::AlignVCenter);
    student_ = makeLabel(strip_, QStringLiteral("sLabel7"), QString(), twRect(11500, 60, 3700, 560), 16, true,
                         Qt::AlignRight | Qt::AlignVCenter);
    const int line2 = 660, h2 = 500;
    makeLabel(strip_, {}, QStringLiteral("起動後"), twRect(150, line2, 900, h2), 12);
    workingMinutes_ = makeLabel(strip_, QStringLiteral("sLabel13"), QString(), twRect(1050, line2, 600, h2), 14, true, Qt::AlignCenter);
    makeLabel(strip_, {}, QStringLiteral("分"), twRect(1650, line2, 400, h2), 12);
    makeLabel(strip_, {}, QStringLiteral("本日"), twRect(2250, line2, 700, h2), 12);
    runsToday_ = makeLabel(strip_, QStringLiteral("sLabel12"), QString(), twRect(2950, line2, 700, h2), 14, true, Qt::AlignCenter);
    makeLabel(strip_, {}, QStringLiteral("回目"), twRect(3650, line2, 700, h2), 12);
    makeLabel(strip_, {}, QStringLiteral("このレベル"), twRect(4500, line2, 1400, h2), 12);
    runsLevel_ = makeLabel(strip_, QStringLiteral("sLabel11"), QString(), twRect(5900, line2, 700, h2), 14, true, Qt::AlignCenter);
    makeLabel(strip_, {}, QStringLiteral("回目"), twRect(6600, line2, 700, h2), 12);
    levelName_ = makeLabel(strip_, QStringLiteral("sLabel8"), QString(), twRect(7500, line2, 2200, h2), 14, true, Qt::AlignCenter);
    makeLabel(strip_, {}, QStringLiteral("残り"), twRect(9900, line2, 700, h2), 12);
    remaining_ = makeLabel(strip_, QStringLiteral("sLabel9"), QString(), twRect(10600, line2, 700, h2), 14, true, Qt::AlignCenter);
    makeLabel(strip_, {}, QStringLiteral("問"), twRect(11300, line2, 400, h2), 12);
    makeLabel(strip_, {}, QStringLiteral("タイム"), twRect(12000, line2, 1000, h2), 12);
    time_ = makeLabel(strip_, QStringLiteral("sLabel10"), QStringLiteral("0"), twRect(13000, line2, 1500, h2), 16, true,
                      Qt::AlignRight | Qt::AlignVCenter);

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Keisan2BasePic"));
    panel_->setGeometry(twRect(0, 1125, 15435, 10770));
    fillBackground(panel_, QColor(224, 255, 224));
    makeLabel(panel_, QStringLiteral("Label1"), QStringLiteral("素因数分解しなさい"), twRect(360, 20, 5000, 340), 14, true);
    area_ = new LadderArea(panel_);
    area_->setObjectName(QStringLiteral("Picture2"));
    area_->setGeometry(twRect(360, 360, 8700, 9105));
    for (int i = 0; i < 2; ++i) {
        cellLabels_[i] = new LadderCell(area_);
        cellLabels_[i]->setObjectName(QStringLiteral("Keisan2Lbl1_%1").arg(i));
        fillBackground(cellLabels_[i], kIdleCell);
        answerLabels_[i] = new LadderCell(area_);
        answerLabels_[i]->setObjectName(QStringLiteral("Keisan2Lbl4_%1").arg(i));
        fillBackground(answerLabels_[i], QColor(255, 255, 255));
        answerLabels_[i]->hide();
    }
    cross_ = new RedCross(panel_);
    cross_->setObjectName(QStringLiteral("RedCross"));
    cross_->setGeometry(twRect(9400, 900, 5400, 6900));
    cross_->hide();

    auto* help = makeLabel(this, QStringLiteral("KeyHelp"),
                           QStringLiteral("←→＝移動　　↓＝クリア　　↑＝オールクリア 　スペース＝右移動と判定"),
                           twRect(360, 10640, 11000, 360), 12);
    help->raise();
    plusPrompt_ = makeLabel(this, QStringLiteral("PlusPrompt"), QStringLiteral("\"+\"を２回押しなさい"),
                            twRect(360, 11020, 5200, 460), 18, true, Qt::AlignCenter);
    fillBackground(plusPrompt_, QColor(255, 255, 0));
    plusPrompt_->hide();

    auto* confirm = new QPushButton(QStringLiteral("確認"), this);
    confirm->setObjectName(QStringLiteral("Commandkakunin"));
    confirm->hide();
    connect(confirm, &QPushButton::clicked, this, [this] { restartProblem(); });

    cover_ = new QWidget(this);
    cover_->setObjectName(QStringLiteral("sPicture2"));
    fillBackground(cover_, QColor(0, 128, 128));
    cover_->setGeometry(twRect(0, 0, 6990, 2835));
    recording_ = makeLabel(cover_, QStringLiteral("lblsss1"), QStringLiteral("成績記録中"), cover_->rect(), 36, true, Qt::AlignCenter);
    recording_->setStyleSheet(QStringLiteral("color: white;"));
    timeUp_ = makeLabel(cover_, QStringLiteral("lblsss2"), QStringLiteral("時間切れ"), cover_->rect(), 36, true, Qt::AlignCenter);
    timeUp_->setStyleSheet(QStringLiteral("color: red;"));
    cover_->hide();

    runClock_.setObjectName(QStringLiteral("sTimer1"));
    workClock_.setObjectName(QStringLiteral("sTimer2"));
    workClock_.start();
    setFocusPolicy(Qt::StrongFocus);
}

void MainFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once per opening: coming back from another window must not restart
    // the clock or pose a new problem.
    if (started_)
        return;
    started_ = true;
    setFocus();
    startSequence();
}

bool MainFrm::startSequence()
{
    if (ctx_.criteria[std::size_t(ctx_.selectedLevel)].minimumLineTime <= 0 || !drillParameters(ctx_.selectedLevel)) {
        ctx_.navigator().closeStudentMenu();
        ctx_.navigator().closeWaitWindow();
        ctx_.dialogs().message(QStringLiteral("素因数分解"),
                               QStringLiteral("このレベルは時間の設定がないため始められません。先生を呼びなさい。"),
                               Dialogs::Icon::Warning);
        ctx_.navigator().showStudentMenu();
        ctx_.navigator().closeDrillWindow();
        return false;
    }
    初期設定();
    レベル別設定();
    スタート();
    問題作成表示();
    return true;
}

void MainFrm::初期設定()
{
    ctx_.navigator().closeStudentMenu();
    ctx_.navigator().closeWaitWindow();
    ctx_.runFinished = 0;
    ctx_.endStarted = 0;
    ctx_.judgeResult = 0;
    cells_.clearAll();
    ctx_.timeLimit = 5 * ctx_.criteria[std::size_t(ctx_.selectedLevel)].minimumLineTime;
    time_->setText(QStringLiteral("0"));
    updateStatus();
}

void MainFrm::updateStatus()
{
    title_->setText(ctx_.programTitle);
    title_->setFont(designFont(kPGothic, ctx_.programTitle.size() > 9 ? 14 : 16.8, true));
    student_->setText(trimHalfWidthSpaces(ctx_.studentName));
    levelName_->setText(ctx_.levelNames[std::size_t(ctx_.selectedLevel)]);
    school_->setText(ctx_.schoolName);
    workingTimeTick();
    if (isPracticeLevel(ctx_, ctx_.selectedLevel)) {
        runsToday_->setText(QStringLiteral("－"));
        runsLevel_->setText(QStringLiteral("－"));
        return;
    }
    const int s = ctx_.currentStudent;
    double today = 0;
    for (int level = 1; level <= 15; ++level)
        today += ctx_.todayRuns(s, level);
    runsToday_->setText(QString::number(1 + int(today)));
    runsLevel_->setText(QString::number(1 + int(ctx_.todayRuns(s, ctx_.selectedLevel))));
}

void MainFrm::workingTimeTick()
{
    workingMinutes_->setText(QString::number(minutesSinceNameConfirmed(ctx_)));
}

void MainFrm::レベル別設定()
{
    ctx_.problemsPerRun = std::int16_t(drillParameters(ctx_.selectedLevel)->problemsPerRun);
    setRemaining();
}

void MainFrm::setRemaining() { remaining_->setText(QString::number(ctx_.problemsPerRun - ctx_.solvedCount)); }

void MainFrm::スタート()
{
    ctx_.runStartTime = float(ctx_.clock().secondsSinceMidnight());
    ctx_.runStartTick = ctx_.clock().monotonicMs();
    runClock_.start();
}

bool MainFrm::runOver() const { return ctx_.runEnd == 1 || ctx_.runFinished == 1; }

void MainFrm::問題作成表示()
{
    if (runOver() || ctx_.judging == 1)
        return;
    const DrillParameters params = *drillParameters(ctx_.selectedLevel);
    digitSize_ = params.digitSize;
    const QFont font = designFont(kGothic, digitSize_);
    area_->setDigitFont(font);
    for (int i = 0; i < 2; ++i) {
        cellLabels_[i]->setFont(font);
        answerLabels_[i]->setFont(font);
    }
    const int n = drawProblemNumber(ctx_.random(), params, ctx_.previousNumber);
    ctx_.previousNumber = n;
    problem_.pose(n);
    rowLift_ = -tw(30);

    const double TW = area_->tw();
    w0_ = 2 * TW;
    w1_ = problem_.digitCount * TW;
    l0_ = (area_->width() - (w0_ + w1_ + 1.5 * TW)) / 2;
    l1_ = l0_ + w0_ + TW;
    layoutCells(0, rowLift_);
    printRowStart(0, n);
    drawBar(0);
    for (int i = 0; i < 2; ++i) {
        answerLabels_[i]->setGeometry(cellLabels_[i]->geometry().translated(0, int(area_->th())));
        answerLabels_[i]->setText(QString::number(i == 0 ? problem_.expectedDivisor : problem_.expectedQuotient));
        answerLabels_[i]->hide();
    }
    cells_.clearAll();
    showCells();
}

void MainFrm::layoutCells(int row, double lift)
{
    const double TH = area_->th();
    cellLabels_[0]->setGeometry(int(std::lround(l0_)), int(std::lround(row * TH + lift)), int(std::lround(w0_)), int(std::lround(TH)));
    cellLabels_[1]->setGeometry(int(std::lround(l1_)), int(std::lround((row + 1) * TH + lift)), int(std::lround(w1_)), int(std::lround(TH)));
}

void MainFrm::printRowStart(int row, int number)
{
    area_->print(l0_ + w0_, row * area_->th(), QStringLiteral(")") + QString::number(number).rightJustified(problem_.digitCount, u' '));
}

void MainFrm::drawBar(int row)
{
    const double TW = area_->tw(), TH = area_->th();
    const double y0 = (row + 1) * TH;
    area_->fillBar(l0_ + w0_ + 0.1 * TW, y0 - 0.05 * TH, l1_ + w1_ + 0.5 * TW, y0 - tw(digitSize_) - 0.05 * TH);
}

void MainFrm::showCells()
{
    for (int i = 0; i < 2; ++i) {
        cellLabels_[i]->setText(cells_.text(i));
        fillBackground(cellLabels_[i], i == cells_.activeCell() ? kActiveCell : kIdleCell);
        cellLabels_[i]->show();
    }
}

void MainFrm::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        keyDown(key, event->modifiers());
        return;
    case Qt::Key_Space:
        keyDown(key, event->modifiers());
        break;
    default:
        break;
    }
    if (key == Qt::Key_Backspace)
        typed(QChar(u'\b'));
    else if (!event->text().isEmpty())
        typed(event->text().at(0));
}

void MainFrm::keyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (ctx_.retryLock > 0)
        return;
    const bool modifier = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (cells_.keyDown(key, modifier) == AnswerCells::KeyResult::Judge) {
        ctx_.judging = 1;
        判定();
        判定後処理();
        ctx_.judging = 0;
    }
    if (ctx_.retryLock == 0 && !runOver())
        showCells();
}

void MainFrm::typed(QChar c)
{
    if (runOver() || ctx_.judging == 1)
        return;
    if (ctx_.retryLock == 1 || ctx_.retryLock == 2) {
        if (c == u'+') {
            if (++ctx_.retryLock == 3) {
                plusPrompt_->hide();
                findChild<QPushButton*>(QStringLiteral("Commandkakunin"))->click();
            }
        } else {
            ctx_.retryLock = 1;
        }
        return;
    }
    if (cells_.type(c) == AnswerCells::TypeResult::TooLong) {
        playSoundFile(ctx_, kWarningFile);
        return;
    }
    showCells();
}

void MainFrm::判定()
{
    if (runOver()) {
        ctx_.judging = 0;
        return;
    }
    ctx_.judgeResult = problem_.isCorrect(cells_.text(0), cells_.text(1)) ? 1 : 2;
}

void MainFrm::判定後処理()
{
    if (runOver())
        return;
    const double TW = area_->tw(), TH = area_->th();
    if (ctx_.judgeResult == 1) {
        const int dividend = problem_.currentNumber;
        const int divisor = problem_.expectedDivisor;
        const bool solved = problem_.advance();
        const int r = int(problem_.rowRecord.size()) - (solved ? 1 : 0);
        cells_.clearAll();
        cellLabels_[0]->move(int(std::lround(l0_)), int(std::lround(r * TH - tw(30))));
        cellLabels_[1]->move(int(std::lround(l1_)), int(std::lround((r + 1) * TH)));
        showCells();
        printRowStart(r - 1, dividend);
        area_->print(l0_ + w0_ - 4 * TW, (r - 1) * TH, QString::number(divisor).rightJustified(4, u' '));
        if (solved) {
            area_->print(l0_ + w0_ + TW, r * TH, QString::number(problem_.currentNumber).rightJustified(problem_.digitCount, u' '));
            cellLabels_[0]->hide();
            cellLabels_[1]->hide();
            repaint();
            ctx_.judgeResult = 0;
            if (!playRandomSound(ctx_, Sound::正解音1, true))
                return;
            ++ctx_.solvedCount;
            setRemaining();
            if (ctx_.solvedCount < ctx_.problemsPerRun) {
                ctx_.judging = 0;
                cells_.clearAll();
                area_->clear();
                問題作成表示();
            } else {
                runClock_.stop();
                ctx_.runFinished = 1;
                endRun();
            }
            return;
        }
        printRowStart(r, problem_.currentNumber);
        drawBar(r);
        playRandomSound(ctx_, Sound::正解音2, true);
        return;
    }

    ctx_.retryLock = 1;
    for (int i = 0; i < 2; ++i) {
        answerLabels_[i]->setGeometry(cellLabels_[i]->geometry().translated(0, int(std::lround(TH))));
        answerLabels_[i]->setText(QString::number(i == 0 ? problem_.expectedDivisor : problem_.expectedQuotient));
        answerLabels_[i]->show();
        answerLabels_[i]->raise();
    }
    cross_->show();
    repaint();
    if (!playRandomSound(ctx_, Sound::間違い音2, true))
        return;
    ctx_.solvedCount = std::max(0, ctx_.solvedCount - 1);
    setRemaining();
    ctx_.judging = 0;
    plusPrompt_->show();
    plusPrompt_->raise();
}

void MainFrm::restartProblem()
{
    ctx_.retryLock = 0;
    answerLabels_[0]->hide();
    answerLabels_[1]->hide();
    cross_->hide();
    plusPrompt_->hide();
    cells_.clearAll();
    area_->clear();
    problem_.restart();
    const double TW = area_->tw(), TH = area_->th();
    area_->print(l0_ + w0_ - 4 * TW, 0,
                 QString::number(problem_.expectedDivisor).rightJustified(3, u' ') + QStringLiteral(" )")
                     + QString::number(problem_.posedNumber).rightJustified(problem_.digitCount, u' '));
    drawBar(0);
    cellLabels_[0]->move(int(std::lround(l0_)), 0);
    cellLabels_[1]->move(int(std::lround(l1_)), int(std::lround(TH)));
    showCells();
}

void MainFrm::runClockTick()
{
    ctx_.elapsedSeconds = std::int32_t(std::lround((ctx_.clock().monotonicMs() - ctx_.runStartTick) / 1000.0));
    time_->setText(QString::number(ctx_.elapsedSeconds));
    SynchronousStep::letPendingEventsRun();
    if (ctx_.elapsedSeconds >= ctx_.timeLimit && ctx_.endStarted != 1 && ctx_.runFinished != 1 && ctx_.judging != 1) {
        ctx_.runEnd = 1;
        runClock_.stop();
        endRun();
    }
}

void MainFrm::endRun()
{
    SynchronousStep::letPendingEventsRun();
    if (ctx_.endStarted == 1)
        return;
    ctx_.endStarted = 1;
    recording_->setVisible(ctx_.runEnd != 1);
    timeUp_->setVisible(ctx_.runEnd == 1);
    cover_->show();
    cover_->raise();
    repaint();
    if (isPracticeLevel(ctx_, ctx_.selectedLevel)) {
        ctx_.navigator().showWaitWindow();
        ctx_.navigator().closeDrillWindow();
        ctx_.navigator().showStudentMenu();
        SynchronousStep::letPendingEventsRun();
        return;
    }
    runClock_.stop();
    ctx_.runTime = ctx_.runEnd == 1 ? kNoTime : ctx_.elapsedSeconds;
    if (!Seisekikiroku(ctx_, ctx_.selectedLevel))
        return;
    ctx_.navigator().showWaitWindow();
    SynchronousStep::letPendingEventsRun();
    waitThenShowEndWindow(1);
}

void MainFrm::waitThenShowEndWindow(int seconds)
{
    ctx_.clock().waitResponsive(seconds * 1000);
    ctx_.navigator().closeDrillWindow();
    ctx_.navigator().showEndOfDrill();
}

} // namespace soinsuu
