#include "seisekitime1.h"

#include "graphpanel.h"
#include "menu_columns.h"
#include "personal.h"
#include "results_lists.h"

#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"
#include "foundation/roster.h"
#include "results/statistics.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <limits>

namespace soinsuu {
namespace {

const QColor kGrey(224, 224, 224);




} // namespace

seisekitime1::seisekitime1(RunContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("seisekitime1"));
    setWindowTitle(ctx_.programTitle);
    coverWholeScreen(this);
    build();
}

void seisekitime1::build()
{
    fillBackground(this, ctx_.seasonColour);
    period_ = 3;

    title_ = makeLabel(this, QStringLiteral("Label11"), twRect(300, 120, 5200, 700), 24, true);
    student_ = makeLabel(this, QStringLiteral("Label12"), twRect(5600, 120, 5200, 700), 20, true);
    number_ = makeLabel(this, QStringLiteral("Label13"), twRect(5600, 780, 5200, 400), 11);
    workingTime_ = makeLabel(this, QStringLiteral("Label17"), twRect(11000, 120, 2000, 450), 12, true);
    todayTotal_ = makeLabel(this, QStringLiteral("Label18"), twRect(11000, 600, 4000, 450), 12, true);
    listCaption_ = makeLabel(this, QStringLiteral("Label5"), twRect(300, 800, 5200, 400), 11);

    // Columns of equal width side by side, from 2 % of the window's width.
    const int n = std::max(1, int(ctx_.levelCount));
    const double w = 14592.0 / n;
    const double x0 = 15360 * 0.02;
    const double top = 1400;
    for (int i = 1; i <= ctx_.levelCount; ++i) {
        const double x = x0 + (i - 1) * w;
        const LevelCriteria& c = ctx_.criteria[std::size_t(i)];
        Column col{};
        col.number = makeLabel(this, QStringLiteral("Label1_%1").arg(i), twRect(x, top, 0.2 * w, 500), 16, true, Qt::AlignCenter);
        col.number->setText(QString::number(i));
        col.name = new ClickableLabel(this, [this, i] { startLevel(i, true); });
        col.name->setObjectName(QStringLiteral("Label3_%1").arg(i));
        col.name->setGeometry(twRect(x + 0.2 * w, top, 0.8 * w - 60, 500));
        col.name->setFont(designFont(kPGothic, 16, true));
        col.name->setText(ctx_.levelNames[std::size_t(i)]);
        col.name->setToolTip(ctx_.levelNames[std::size_t(i)]);
        col.name->setCursor(Qt::PointingHandCursor);
        col.start = new QPushButton(QStringLiteral("ｽﾀｰﾄ(&%1)").arg(i), this);
        col.start->setObjectName(QStringLiteral("Command4_%1").arg(i));
        col.start->setGeometry(twRect(x + 60, top + 550, w - 180, 650));
        col.start->setFont(designFont(kPGothic, 18, true));
        col.start->setEnabled(false);
        connect(col.start, &QPushButton::clicked, this, [this, i] { startLevel(i); });
        col.target = makeLabel(this, QStringLiteral("Label7_%1").arg(i), twRect(x, top + 1260, w - 60, 330), 10);
        col.target->setText(targetLine(c));
        col.judgement = makeLabel(this, QStringLiteral("Label8_%1").arg(i), twRect(x, top + 1610, w - 60, 330), 10);
        col.todayHeader = makeLabel(this, QStringLiteral("Label9_%1").arg(i), twRect(x, top + 1960, w / 2, 300), 10, true);
        col.todayHeader->setText(QStringLiteral("今日"));
        col.allHeader = makeLabel(this, QStringLiteral("Label10_%1").arg(i), twRect(x + w / 2, top + 1960, w / 2, 300), 10, true);
        col.allHeader->setText(QStringLiteral("今まで"));
        col.today = makeLabel(this, QStringLiteral("Label14_%1").arg(i), twRect(x, top + 2260, w / 2, 330), 10);
        col.allTime = makeLabel(this, QStringLiteral("Label15_%1").arg(i), twRect(x + w / 2, top + 2260, w / 2, 330), 10);
        col.list = new QListWidget(this);
        col.list->setObjectName(QStringLiteral("List5_%1").arg(i));
        col.list->setGeometry(twRect(x, top + 2650, w - 60, 6000));
        col.list->setFont(designFont(kGothic, 9.75));
        col.banBox = makeLabel(this, QStringLiteral("Text1_%1").arg(i), twRect(x + 60, top + 2700, w - 180, 600), 16, true, Qt::AlignCenter);
        col.banBox->setStyleSheet(QStringLiteral("background: rgb(255, 224, 224); color: rgb(200, 0, 0); border: 2px solid rgb(200, 0, 0);"));
        col.banBox->hide();
        columns_.push_back(col);
    }

    backButton_ = new QPushButton(QStringLiteral("戻る(0)"), this);
    backButton_->setObjectName(QStringLiteral("Command1"));
    backButton_->setGeometry(twRect(300, 10500, 2400, 800));
    backButton_->setFont(designFont(kPGothic, 16, true));
    connect(backButton_, &QPushButton::clicked, this, [this] { goBack(); });
    // As the back button: not while it is disabled for a list rebuild.
    treatCloseRequestsAs(this, [this] { backButton_->click(); });

    grade_ = new QComboBox(this);
    grade_->setObjectName(QStringLiteral("Combo1"));
    grade_->setGeometry(twRect(8000, 10420, 2200, 400));
    grade_->setFont(designFont(kPGothic, 11));
    grade_->addItems(gradeFilterChoices());
    grade_->setCurrentText(ctx_.gradeFilterText.isEmpty() ? QStringLiteral("全学年") : ctx_.gradeFilterText);
    periodBox_ = new QComboBox(this);
    periodBox_->setObjectName(QStringLiteral("Combo2"));
    periodBox_->setGeometry(twRect(8000, 10880, 3400, 400));
    periodBox_->setFont(designFont(kPGothic, 11));
    periodBox_->addItems({QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
                          QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
                          QStringLiteral("　　今までの全成績\"")});
    periodBox_->setCurrentIndex(period_ - 1);
    periodBox_->hide();
    buildViewControls();

    graphButton_ = new QPushButton(QStringLiteral("グラフ"), this);
    graphButton_->setObjectName(QStringLiteral("Command17"));
    graphButton_->setGeometry(twRect(10400, 10420, 1900, 860));
    graphButton_->setFont(designFont(kPGothic, 14, true));
    graphButton_->hide();
    connect(graphButton_, &QPushButton::clicked, this, [this] { graphPanel_->openForCurrentStudent(); });
    graphPanel_ = new GraphPanel(ctx_,
                                 {[this] { return grade_->currentText(); },
                                  [this] { return rankingMode_ == 2 ? PointsMode::Today : PointsMode::Total; },
                                  [this](int level) {
                                      return level >= 1 && level <= int(columns_.size()) ? columns_[std::size_t(level - 1)].name->text()
                                                                                         : QString();
                                  }},
                                 this);

    dataButton_ = new QPushButton(QStringLiteral("データ処理"), this);
    dataButton_->setObjectName(QStringLiteral("Command8"));
    dataButton_->setGeometry(twRect(12600, 10500, 2400, 800));
    dataButton_->setFont(designFont(kPGothic, 14));
    dataButton_->hide();
    dataPanel_ = new QWidget(this);
    dataPanel_->setObjectName(QStringLiteral("Picture4"));
    dataPanel_->setGeometry(twRect(9600, 6600, 5400, 3700));
    fillBackground(dataPanel_, QColor(255, 255, 224));
    const std::pair<const char*, QString> entries[] = {
        {"Command9", QStringLiteral("データ変更")},
        {"Command10", QStringLiteral("合格タイムデータ変更")},
        {"Command11", QStringLiteral("戻る")},
    };
    for (int k = 0; k < 3; ++k) {
        auto* b = new QPushButton(entries[k].second, dataPanel_);
        b->setObjectName(QString::fromLatin1(entries[k].first));
        b->setGeometry(twRect(300, 300 + k * 1100, 4800, 900));
        b->setFont(designFont(kPGothic, 14, true));
    }
    connect(dataButton_, &QPushButton::clicked, this, [this] {
        dataPanel_->show();
        dataPanel_->raise();
    });
    connect(dataPanel_->findChild<QPushButton*>(QStringLiteral("Command9")), &QPushButton::clicked, this, [this] {
        ctx_.navigator().showRecordsMaintenance();
        ctx_.navigator().closeStudentMenu();
    });
    connect(dataPanel_->findChild<QPushButton*>(QStringLiteral("Command10")), &QPushButton::clicked, this, [this] {
        ctx_.navigator().showCriteriaEditor();
        ctx_.navigator().closeStudentMenu();
    });
    connect(dataPanel_->findChild<QPushButton*>(QStringLiteral("Command11")), &QPushButton::clicked, dataPanel_, &QWidget::hide);
    dataPanel_->hide();

    auto* cover = new QLabel(QStringLiteral("Just a moment, please."), this);
    cover->setAlignment(Qt::AlignCenter);
    cover->setFont(designFont(kPGothic, 28, true));
    waitCover_ = cover;
    waitCover_->setObjectName(QStringLiteral("Picture2"));
    waitCover_->setGeometry(twRect(0, 0, 15360, 11520));
    fillBackground(waitCover_, ctx_.seasonColour);
    progress_ = new QProgressBar(waitCover_);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setGeometry(twRect(4000, 7000, 7360, 400));

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void seisekitime1::buildViewControls()
{
    const QString kinds[3] = {QStringLiteral("ﾀｲﾑ表示"), QStringLiteral("ﾎﾟｲﾝﾄ表示"), QStringLiteral("個人ﾀｲﾑ")};
    auto* kindGroup = new QWidget(this);
    kindGroup->setGeometry(twRect(3000, 10420, 4800, 400));
    for (int k = 0; k < 3; ++k) {
        kindButtons_[k] = new QRadioButton(kinds[k], kindGroup);
        kindButtons_[k]->setObjectName(QStringLiteral("Option2_%1").arg(k));
        kindButtons_[k]->setGeometry(twRect(k * 1600, 0, 1550, 400));
        kindButtons_[k]->setFont(designFont(kPGothic, 11, true));
        connect(kindButtons_[k], &QRadioButton::clicked, this, [this, k] { viewKindChanged(k); });
    }
    optionPanel_ = new QWidget(this);
    optionPanel_->setObjectName(QStringLiteral("Picture1"));
    optionPanel_->setGeometry(twRect(3000, 10880, 4800, 400));
    const QString captions[4] = {{}, QStringLiteral("累計順"), QStringLiteral("本日順"), QStringLiteral("オール表示")};
    for (int k = 1; k <= 3; ++k) {
        listOptions_[k] = new QRadioButton(captions[k], optionPanel_);
        listOptions_[k]->setObjectName(QStringLiteral("Option1_%1").arg(k));
        listOptions_[k]->setGeometry(twRect((k - 1) * 1600, 0, 1550, 400));
        listOptions_[k]->setFont(designFont(kPGothic, 11));
        connect(listOptions_[k], &QRadioButton::clicked, this, [this, k] { listOptionChanged(k); });
    }
    connect(grade_, &QComboBox::activated, this, [this] {
        viewKindChanged(kindButtons_[0]->isChecked() ? 0 : 1);
        if (!columns_.empty())
            columns_[0].start->setFocus();
    });
    connect(periodBox_, &QComboBox::activated, this, [this](int index) {
        if (!listOptions_[3]->isChecked())
            return;
        period_ = index + 1;
        listOptionChanged(3);
    });

    busyPanel_ = new QLabel(QStringLiteral("Just a moment, please."), this);
    busyPanel_->setObjectName(QStringLiteral("Picture6"));
    static_cast<QLabel*>(busyPanel_)->setAlignment(Qt::AlignCenter);
    busyPanel_->setFont(designFont(kPGothic, 20, true));
    busyPanel_->setGeometry(twRect(15360 * 0.02, 4050, 14592, 6000));
    fillBackground(busyPanel_, QColor(255, 255, 240));
    busyProgress_ = new QProgressBar(busyPanel_);
    busyProgress_->setObjectName(QStringLiteral("ProgressBar2"));
    busyProgress_->setGeometry(twRect(3600, 3600, 7360, 400));
    busyPanel_->hide();
}

void seisekitime1::beginRebuild()
{
    graphButton_->hide();
    graphPanel_->hide();
    backButton_->setEnabled(false);
    for (Column& col : columns_) {
        col.start->setEnabled(false);
        col.list->hide();
    }
    busyPanel_->show();
    busyPanel_->raise();
}

void seisekitime1::endRebuild()
{
    backButton_->setEnabled(true);
    updateLevelAccess();
    for (Column& col : columns_)
        col.list->show();
    busyPanel_->hide();
}

void seisekitime1::viewKindChanged(int kind)
{
    beginRebuild();
    repaint();
    if (suppressViewRefresh_ == 1)
        return;
    if (kind == 0) {
        listOptions_[1]->setText(QStringLiteral("BEST表示"));
        listOptions_[2]->setText(QStringLiteral("本日のみ"));
        listOptions_[3]->setEnabled(true);
        viewKind_ = 1;
        for (int k = 1; k <= 3; ++k)
            if (listOptions_[k]->isChecked()) {
                listOptionChanged(k);
                return;
            }
        endRebuild();
        return;
    }
    if (kind == 1) {
        periodBox_->hide();
        listOptions_[1]->setText(QStringLiteral("合計累計"));
        listOptions_[2]->setText(QStringLiteral("合計本日"));
        listOptions_[3]->setText(QStringLiteral("すべて"));
        listOptions_[3]->setEnabled(true);
        viewKind_ = 2;
        repaint();
        if (listOptions_[1]->isChecked()) {
            rankingMode_ = 1;
            listOptionChanged(1);
        } else if (listOptions_[3]->isChecked()) {
            listOptionChanged(3);
        } else if (listOptions_[2]->isChecked()) {
            rankingMode_ = 2;
            listOptionChanged(2);
        } else {
            endRebuild();
        }
        return;
    }
    graphButton_->show();
    periodBox_->hide();
    personalList();
    endRebuild();
}

void seisekitime1::listOptionChanged(int option)
{
    beginRebuild();
    periodBox_->hide();
    optionPanel_->setEnabled(false);
    repaint();
    if (viewKind_ == 2 && option != 3) {
        rankingMode_ = option;
        listCaption_->setText(option == 1 ? QStringLiteral("獲得ポイント（今まで順位）") : QStringLiteral("獲得ポイント（今日の順位）"));
        busyProgress_->setRange(0, ctx_.levelCount);
        for (int level = 1; level <= int(columns_.size()); ++level) {
            busyProgress_->setValue(level);
            showList(level, pointsRanking(ctx_, level, option == 1 ? PointsMode::Total : PointsMode::Today, grade_->currentText()));
        }
    } else if (option == 1) {
        bestList();
    } else if (option == 2) {
        todayList();
    } else {
        periodList();
    }
    optionPanel_->setEnabled(true);
    endRebuild();
}

void seisekitime1::bestList()
{
    listCaption_->setText(QStringLiteral("ベスト成績"));
    回数など表示();
    busyProgress_->setRange(0, ctx_.levelCount);
    for (int level = 1; level <= int(columns_.size()); ++level) {
        busyProgress_->setValue(level);
        showList(level, bestTimeRanking(ctx_, level, grade_->currentText()));
    }
}

void seisekitime1::todayList()
{
    listCaption_->setText(QStringLiteral("本日の成績"));
    回数など表示();
    const LevelLists lists = todaysRuns(ctx_, grade_->currentText(), runListProgress());
    for (int level = 1; level <= int(columns_.size()); ++level)
        columns_[std::size_t(level - 1)].list->addItems(lists[std::size_t(level)]);
    成績リスト色表示();
}

void seisekitime1::periodList()
{
    listCaption_->clear();
    回数など表示();
    const LevelLists lists = periodRuns(ctx_, viewKind_, period_, grade_->currentText(), runListProgress());
    for (int level = 1; level <= int(columns_.size()); ++level)
        columns_[std::size_t(level - 1)].list->addItems(lists[std::size_t(level)]);
    成績リスト色表示();
    periodBox_->show();
}

RunListProgress seisekitime1::runListProgress()
{
    busyProgress_->setValue(0);
    return [this](std::int64_t done, std::int64_t count) {
        // The bar's end lies a tenth beyond the last record, as if the
        // lists still had to be shown once the records are read.
        const int maximum = int(std::min<std::int64_t>((count + 1) * 11 / 10, std::numeric_limits<int>::max()));
        if (busyProgress_->maximum() != maximum)
            busyProgress_->setRange(0, maximum);
        busyProgress_->setValue(int(done));
    };
}

void seisekitime1::personalList()
{
    graphPanel_->fillLists();
    graphPanel_->setViewedStudent(ctx_.currentStudent);
    optionPanel_->setEnabled(false);  // as during every other build
    listCaption_->setText(QStringLiteral("個人別ﾀｲﾑ"));
    回数など表示();
    const LevelLists lists = personalRuns(ctx_, grade_->currentText(), runListProgress());
    for (int level = 1; level <= int(columns_.size()); ++level) {
        QListWidget* list = columns_[std::size_t(level - 1)].list;
        list->addItems(lists[std::size_t(level)]);
        // Oldest first, so the latest runs are at the bottom: that is what a
        // student looks for.
        list->scrollToBottom();
    }
    optionPanel_->setEnabled(true);
}

void seisekitime1::showList(int level, const QStringList& lines)
{
    Column& col = columns_[std::size_t(level - 1)];
    col.todayHeader->setText(QStringLiteral("今日"));
    col.allHeader->setText(QStringLiteral("今まで"));
    col.list->clear();
    col.list->addItems(lines);  // in one go, not line by line with repaints
    // The student's own line comes into view with the line above it.
    const int own = int(lines.indexOf(QRegularExpression(QStringLiteral(".*●.*"))));
    if (own > 0) {
        col.list->setCurrentRow(own - 1);
        col.list->scrollToItem(col.list->item(own - 1), QAbstractItemView::PositionAtTop);
    }
    成績リスト色表示単独(level);
}

void seisekitime1::回数など表示()
{
    for (Column& col : columns_) {
        col.todayHeader->setText(QStringLiteral("今日"));
        col.allHeader->setText(QStringLiteral("今まで"));
        col.list->clear();
    }
}

void seisekitime1::成績リスト色表示()
{
    for (int level = 1; level <= int(columns_.size()); ++level)
        成績リスト色表示単独(level);
}

void seisekitime1::成績リスト色表示単独(int level)
{
    if (level < 1 || level > int(columns_.size()))
        return;
    QListWidget* list = columns_[std::size_t(level - 1)].list;
    list->clearSelection();
    list->setCurrentItem(nullptr, QItemSelectionModel::NoUpdate);
}

void seisekitime1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    activate();
}

void seisekitime1::activate()
{
    dataButton_->setVisible(isTeacher(ctx_.studentName));
    workingTime_->setText(workingTimeText(ctx_));
    menuReady_ = 0;
    waitCover_->setGeometry(twRect(0, 0, 15360, 11520));
    waitCover_->show();
    waitCover_->raise();
    repaint();

    ctx_.navigator().closeNameSelection();
    if (!computeCounts(ctx_))
        return;
    todayTotal_->setText(todayTotalText(ctx_));
    progress_->setMaximum(ctx_.levelCount);

    listOptions_[1]->setText(QStringLiteral("累計順"));
    listOptions_[2]->setText(QStringLiteral("本日順"));
    // The cumulative points rankings fill the column lists; meanwhile the
    // back button and the start buttons stay disabled.
    viewKind_ = 2;
    suppressViewRefresh_ = 1;
    listOptions_[1]->setChecked(true);
    listOptionChanged(1);
    viewKindChanged(1);
    kindButtons_[1]->setChecked(true);
    backButton_->setEnabled(true);
    suppressViewRefresh_ = 0;
    for (Column& col : columns_)
        col.list->show();
    busyPanel_->hide();

    const int s = ctx_.currentStudent;
    student_->setText(studentHeaderText(ctx_.studentName, ctx_.gradeLabel));
    number_->setText(QStringLiteral("%1:%2").arg(ctx_.currentStudent).arg(ctx_.schoolName));
    title_->setText(ctx_.programTitle);
    title_->setFont(designFont(kPGothic, ctx_.programTitle.size() > 9 ? 20 : 24, true));
    for (int i = 1; i <= int(columns_.size()); ++i) {
        Column& col = columns_[std::size_t(i - 1)];
        fillBackground(col.target, kGrey);
        fillBackground(col.judgement, kGrey);
        col.judgement->setText(judgementLine(ctx_.criteria[std::size_t(i)], ctx_.judgeRuns(s, i), ctx_.judgePoints(s, i)));
        col.today->setText(todayLine(ctx_.todayRuns(s, i), ctx_.todayPoints(s, i)));
        col.allTime->setText(allTimeLine(ctx_.totalRuns(s, i), ctx_.totalPoints(s, i)));
    }
    repaint();
    updateLevelAccess();
    waitCover_->hide();
    repaint();
    menuReady_ = 1;
    setFocus();
}

void seisekitime1::updateLevelAccess()
{
    const LevelAccess access = levelAccess(ctx_);
    ctx_.topLevelCleared = access.topLevelCleared ? 1 : 0;
    for (int i = 1; i <= int(columns_.size()); ++i) {
        Column& col = columns_[std::size_t(i - 1)];
        col.start->setEnabled(access.enabled[std::size_t(i)]);
        if (access.barred[std::size_t(i)]) {
            col.banBox->setText(QStringLiteral("やりすぎ禁止"));
            col.banBox->show();
            col.banBox->raise();
        } else {
            col.banBox->hide();
        }
    }
}

void seisekitime1::startLevel(int level, bool fromName)
{
    if (dataPanel_->isVisible() || level < 1 || level > int(columns_.size()))
        return;
    if (starting_ || !columns_[std::size_t(level - 1)].start->isEnabled())
        return;
    // Starting a run lets pending events through before the drill window
    // opens; a second click or key then must not start a second run.
    starting_ = true;
    if (fromName) {
        menuReady_ = 0;
        ctx_.selectedLevel = std::int16_t(level);
        startDrillRun(ctx_);
        ctx_.navigator().closeStudentMenu();
        return;
    }
    waitCover_->show();
    waitCover_->raise();
    ctx_.selectedLevel = std::int16_t(level);
    repaint();
    menuReady_ = 0;
    startDrillRun(ctx_);
}

void seisekitime1::goBack()
{
    if (starting_)
        return;
    waitCover_->show();
    waitCover_->raise();
    repaint();
    ctx_.navigator().showNameSelection();
}

bool seisekitime1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void seisekitime1::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}

bool seisekitime1::handleKey(QKeyEvent* event)
{
    if (menuReady_ == 0)
        return false;
    const QString t = event->text();
    if (t.size() != 1)
        return false;
    const char16_t c = t[0].unicode();
    int level = 0;
    if (c >= u'1' && c <= u'9')
        level = c - u'0';
    else if (c >= u'a' && c <= u'd')
        level = 10 + (c - u'a');
    if (level > 0) {
        if (level <= ctx_.levelCount)
            startLevel(level);
        return true;
    }
    if (c == u'0') {
        if (backButton_->isEnabled())
            goBack();
        return true;
    }
    return false;
}

} // namespace soinsuu
