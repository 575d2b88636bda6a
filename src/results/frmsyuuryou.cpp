#include "frmsyuuryou.h"

#include "statistics.h"

#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/window_rules.h"
#include "foundation/sounds.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace soinsuu {
namespace {

void pumpEvents() { SynchronousStep::letPendingEventsRun(); }

} // namespace

FrmSyuuryou::FrmSyuuryou(RunContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), timer_(ctx.clock(), 500, true, [this] { onTimer(); }, this)
{
    setObjectName(QStringLiteral("FrmSyuuryou"));
    setWindowTitle(QStringLiteral("終了"));
    coverWholeScreen(this);
    // The evaluation and its way on are the only way out.
    refuseCloseRequests(this);

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
    label_[15]->setStyleSheet(QStringLiteral("color: rgb(0, 64, 128);"));
    label_[16]->setStyleSheet(QStringLiteral("color: rgb(0, 96, 64);"));
    label_[13]->setStyleSheet(QStringLiteral("color: rgb(80, 80, 80);"));
    label_[14]->setStyleSheet(QStringLiteral("color: rgb(80, 80, 80);"));
    label_[20]->setStyleSheet(QStringLiteral("color: rgb(220, 0, 0);"));
    label_[2]->setStyleSheet(QStringLiteral("color: rgb(0, 96, 192);"));
    label_[2]->setText(QStringLiteral("このレベルクリア"));
    // The goal banner overlaps the foot of this label, and the Gothic
    // substitute's line is taller than the label: keep the text up top.
    label_[2]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    banner_ = new QLabel(QStringLiteral("目標レベルクリア。おめでとう！"), this);
    banner_->setObjectName(QStringLiteral("Picture1"));
    banner_->setGeometry(twRect(180, 8145, 15105, 1785));
    banner_->setFont(designFont(kPGothic, 36, true));
    banner_->setAlignment(Qt::AlignCenter);
    banner_->setStyleSheet(QStringLiteral(
        "background: rgb(255, 215, 0); color: rgb(192, 0, 0); border: 6px solid rgb(255, 140, 0);"));
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
    // Drawn over the banner's edge rather than cut off by it.
    label_[2]->raise();
    connect(menuButton_, &QPushButton::clicked, this, [this] { toMenu(); });
    connect(againButton_, &QPushButton::clicked, this, [this] { again(); });

    timer_.setObjectName(QStringLiteral("Timer1"));
}


void FrmSyuuryou::paintEvent(QPaintEvent*)
{
    // A calm sky fading to warm light, with a soft band behind the result
    // and the points so they read well from the back of the room.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(214, 234, 255));
    sky.setColorAt(0.6, QColor(240, 247, 255));
    sky.setColorAt(1, QColor(255, 246, 224));
    p.fillRect(rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRoundedRect(QRectF(twRect(1200, 4300, 12780, 1960).translated(designOrigin(this))), tw(180), tw(180));
    // Two faint hills along the bottom edge.
    p.setBrush(QColor(196, 230, 196, 140));
    p.drawEllipse(QRectF(-width() * 0.2, height() * 0.86, width() * 0.8, height() * 0.4));
    p.setBrush(QColor(176, 218, 180, 140));
    p.drawEllipse(QRectF(width() * 0.4, height() * 0.88, width() * 0.85, height() * 0.4));
}

void FrmSyuuryou::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    evaluating_ = true;
    // The show event comes before the window is on screen, and the caller
    // (the ending drill) is still on the stack: evaluate from the event loop
    // instead, so the sounds do not play over the wait window.
    QMetaObject::invokeMethod(this, [this] { activate(); }, Qt::QueuedConnection);
}

void FrmSyuuryou::activate()
{
    // One synchronous step: keys and clicks wait until the evaluation and
    // its sounds are over; the timer may fire where events are let run.
    SynchronousStep step;
    RunContext& ctx = ctx_;

    const int s = ctx.currentStudent;
    const int level = ctx.selectedLevel;
    if (s >= 0 && s <= kMaxStudent && level >= 0 && level <= kMaxLevel)
        label_[13]->setText(QString::number(int(ctx.todayRuns(s, level)) + 1));
    if (!computeCounts(ctx))
        return;
    const EndOfDrillView v = evaluateEndOfDrill(ctx);
    // The flags speak of this run only.
    ctx.newPersonalBest = 0;
    ctx.newSchoolBest = 0;

    if (v.levelCleared) {
        label_[2]->show();
        if (v.goalBanner)
            banner_->show();
    }
    pumpEvents();
    timer_.start();

    label_[19]->setText(v.pointsLine);
    label_[18]->setText(v.resultLine);
    label_[17]->setText(v.studentName);
    label_[15]->setText(v.title);
    label_[16]->setText(v.levelName);
    label_[13]->setText(v.levelRunsLine);
    label_[14]->setText(v.allRunsLine);
    pumpEvents();

    const QString message = endMessageText(v.message);
    if (!message.isEmpty()) {
        label_[20]->setText(message);
        label_[20]->show();
    }
    switch (v.message) {
    case EndMessage::PersonalBest:
        pumpEvents();
        playRandomSound(ctx, Sound::自己最高音2, false);
        pumpEvents();
        break;
    case EndMessage::SchoolBest:
        pumpEvents();
        playSoundFile(ctx, kSchoolBestFile);
        pumpEvents();
        break;
    case EndMessage::AtMinimumLine:
        playRandomSound(ctx, Sound::不合格音1, false);
        break;
    case EndMessage::None:
    case EndMessage::TimedOut:
        break;
    }

    if (v.levelCleared && level == ctx.topLevel) {
        if (v.goalFanfare)
            playSoundFile(ctx, kGoalClearedFile);
    } else {
        banner_->hide();
    }
    pumpEvents();
    evaluating_ = false;
    ctx.navigator().closeWaitWindow();
}

void FrmSyuuryou::onTimer()
{
    if (timerDone_ || leaving_)
        return;
    timerDone_ = true;
    timer_.stop();
    banner_->hide();
    menuButton_->show();
    QPointer<FrmSyuuryou> self(this);
    pumpEvents();
    if (!self || leaving_)
        return;
    menuButton_->setFocus();

    const int s = ctx_.currentStudent;
    const int level = ctx_.selectedLevel;
    const WayOn w = wayOnFor(overPractised(ctx_, s, level), levelCleared(ctx_, s, level), level == ctx_.topLevel,
                             ctx_.topLevelCleared != 0);
    switch (w.label2) {
    case WayOn::Label2::Hide:
        label_[2]->clear();
        label_[2]->hide();
        break;
    case WayOn::Label2::MoveOn:
        label_[2]->setText(QStringLiteral("次のレベルへ進みましょう"));
        break;
    case WayOn::Label2::Keep:
        break;
    }
    againButton_->setVisible(w.again);
}

bool FrmSyuuryou::beginLeaving()
{
    if (leaving_)
        return false;
    leaving_ = true;
    // Both buttons go dead at once: a second press must not open a second window.
    menuButton_->setEnabled(false);
    againButton_->setEnabled(false);
    timer_.stop();
    return true;
}

void FrmSyuuryou::toMenu()
{
    if (!beginLeaving())
        return;
    RunContext& ctx = ctx_;
    ctx.navigator().showStudentMenu();
    close();
    pumpEvents();
}

void FrmSyuuryou::again()
{
    if (!beginLeaving())
        return;
    RunContext& ctx = ctx_;
    ctx.navigator().showWaitWindow();
    close();
    // This window may be gone after the events have run.
    pumpEvents();
    startDrillRun(ctx);
}

} // namespace soinsuu
