#include "frmsyuuryou.h"

#include "statistics.h"

#include "foundation/criteria.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/sounds.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace soinsuu {
namespace {

void pumpEvents() { QCoreApplication::processEvents(); }

} // namespace

QString pointsLine(int base, float multiplier, int points)
{
    return QStringLiteral("獲得ポイント：%1点×%2→%3点").arg(base).arg(multiplierText(multiplier)).arg(points);
}

FrmSyuuryou::FrmSyuuryou(RunContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("FrmSyuuryou"));
    setWindowTitle(QStringLiteral("終了"));
    coverWholeScreen(this);

    struct Spec {
        int index;
        double left, top, width, height, points;
        bool bold;
        bool visible;
    };
    const Spec specs[] = {
        {15, 1845, 405, 11490, 960, 48, false, true},
        {16, 1845, 1755, 11490, 960, 36, false, true},
        {17, 1845, 3255, 11490, 960, 48, false, true},
        {18, 1845, 4440, 11490, 825, 36, false, true},
        {19, 1845, 5280, 11490, 825, 36, false, true},
        {20, 1845, 6390, 11490, 735, 27.75, false, false},
        {14, 10215, 1395, 3135, 375, 14.25, true, true},
        {13, 10260, 2745, 3105, 405, 14.25, true, true},
        {2, 180, 7710, 15075, 555, 24, false, false},
    };
    for (const Spec& s : specs) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label%1").arg(s.index));
        label->setGeometry(twRect(s.left, s.top, s.width, s.height));
        label->setFont(designFont(kPGothic, s.points, s.bold));
        label->setAlignment(s.index == 13 || s.index == 14 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setVisible(s.visible);
        label_[s.index] = label;
    }
    label_[20]->setStyleSheet(QStringLiteral("color: rgb(220, 0, 0);"));
    label_[2]->setStyleSheet(QStringLiteral("color: rgb(0, 96, 192);"));
    label_[2]->setText(QStringLiteral("このレベルクリア"));

    banner_ = new QLabel(QStringLiteral("目標レベルクリア。おめでとう！"), this);
    banner_->setObjectName(QStringLiteral("Picture1"));
    banner_->setGeometry(twRect(180, 8145, 15105, 1785));
    banner_->setFont(designFont(kPGothic, 36, true));
    static_cast<QLabel*>(banner_)->setAlignment(Qt::AlignCenter);
    banner_->setStyleSheet(QStringLiteral("background: rgb(255, 215, 0); color: rgb(192, 0, 0); border: 6px solid rgb(255, 140, 0);"));
    banner_->hide();

    auto makeButton = [&](const char* name, const QString& text, double left) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(twRect(left, 8325, 5235, 1005));
        b->setFont(designFont(kPGothic, 27.75));
        b->hide();
        return b;
    };
    menuButton_ = makeButton("Command4", QStringLiteral("メニューへ"), 1890);
    againButton_ = makeButton("Command5", QStringLiteral("もう一度"), 8055);
    banner_->raise();
    connect(menuButton_, &QPushButton::clicked, this, [this] { toMenu(); });
    connect(againButton_, &QPushButton::clicked, this, [this] { again(); });

    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setSingleShot(true);
    timer_.setInterval(500);
    connect(&timer_, &QTimer::timeout, this, [this] { onTimer(); });
}

void FrmSyuuryou::paintEvent(QPaintEvent*)
{
    // The background: a calm sky with a band of light behind the result.
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(225, 240, 255));
    sky.setColorAt(1, QColor(255, 250, 230));
    p.fillRect(rect(), sky);
    p.fillRect(QRect(0, tw(4300), width(), tw(1900)), QColor(255, 255, 255, 160));
}

void FrmSyuuryou::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    activate();
}

void FrmSyuuryou::activate()
{
    const int s = ctx_.currentStudent;
    const int level = ctx_.selectedLevel;
    label_[13]->setText(QString::number(int(ctx_.todayRuns(s, level)) + 1));
    if (!computeCounts(ctx_))
        return;
    const bool cleared = levelCleared(ctx_, s, level);
    if (cleared) {
        label_[2]->show();
        bool goalMarked = true;
        for (int k = 1; k <= kMaxLevel; ++k)
            goalMarked = goalMarked && ctx_.criteria[std::size_t(k)].clearCount != 9999;
        if (level == ctx_.topLevel && goalMarked)
            banner_->show();
    }
    pumpEvents();
    timer_.start();

    const LevelCriteria& c = ctx_.criteria[std::size_t(level)];
    const RunPoints points = runPointsFormula(ctx_.runTime, ctx_.runTime, c.targetTime, c.pointMultiplier);
    label_[19]->setText(pointsLine(points.base, c.pointMultiplier, points.points));
    label_[18]->setText(ctx_.runTime > 99997 ? QStringLiteral("記録なし")
                                             : QStringLiteral("今の成績：%1秒").arg(ctx_.runTime));
    label_[17]->setText(ctx_.studentName.trimmed());
    label_[15]->setText(ctx_.programTitle);
    label_[16]->setText(ctx_.levelNames[std::size_t(level)]);
    label_[13]->setText(QStringLiteral(" (このレベル　%1回目)").arg(int(ctx_.todayRuns(s, level))));
    double today = 0;
    for (int k = 1; k <= kMaxLevel; ++k)
        today += ctx_.todayRuns(s, k);
    label_[14]->setText(QStringLiteral("（%1回目)").arg(int(today)));

    pumpEvents();
    if (ctx_.runEnd == 1) {
        label_[20]->setText(QStringLiteral("時間切れ"));
        label_[20]->show();
    } else if (ctx_.newPersonalBest == 1 && ctx_.newSchoolBest != 1) {
        label_[20]->setText(QStringLiteral("新記録おめでとう"));
        label_[20]->show();
        pumpEvents();
        playRandomSound(ctx_, Sound::自己最高音2, false);
        pumpEvents();
    } else if (ctx_.newSchoolBest == 1) {
        label_[20]->setText(QStringLiteral("！！！最高新記録！！！"));
        label_[20]->show();
        pumpEvents();
        playSoundFile(ctx_, kSchoolBestFile);
        pumpEvents();
    } else if (ctx_.runTime <= c.minimumLineTime) {
        playRandomSound(ctx_, Sound::不合格音1, false);
    }

    if (cleared && level == ctx_.topLevel) {
        if (ctx_.clearedBefore != 1)
            playSoundFile(ctx_, kGoalClearedFile);
    } else {
        banner_->hide();
    }
    ctx_.newPersonalBest = 0;
    ctx_.newSchoolBest = 0;
    pumpEvents();
    ctx_.navigator().closeWaitWindow();
}

void FrmSyuuryou::onTimer()
{
    if (timerDone_)
        return;
    timerDone_ = true;
    timer_.stop();
    banner_->hide();
    menuButton_->show();
    pumpEvents();
    menuButton_->setFocus();

    const int s = ctx_.currentStudent;
    const int level = ctx_.selectedLevel;
    if (overPractised(ctx_, s, level) && levelCleared(ctx_, s, level)) {
        if (level == ctx_.topLevel) {
            label_[2]->clear();
            label_[2]->hide();
            againButton_->show();
        } else if (ctx_.topLevelCleared == 0) {
            label_[2]->setText(QStringLiteral("次のレベルへ進みましょう"));
        } else {
            againButton_->show();
        }
        return;
    }
    againButton_->show();
}

void FrmSyuuryou::toMenu()
{
    menuButton_->setEnabled(false);
    ctx_.navigator().showStudentMenu();
    close();
    pumpEvents();
}

void FrmSyuuryou::again()
{
    menuButton_->setEnabled(false);
    ctx_.navigator().showWaitWindow();
    close();
    pumpEvents();
    startDrillRun(ctx_);
}

} // namespace soinsuu
