#include "namesel.h"

#include "launcher.h"

#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"
#include "foundation/roster.h"
#include "foundation/sounds.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace soinsuu {
namespace {

const QString kChooseName = QStringLiteral("名前を選びなさい");



} // namespace

namesel::namesel(RunContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("namesel"));
    setWindowTitle(QStringLiteral("Lumora"));
    coverWholeScreen(this);

    auto* strip = new QWidget(this);
    strip->setGeometry(twRect(0, 0, 15360, 1500));
    fillBackground(strip, QColor(0, 64, 128));
    title_ = new ClickableLabel(strip, [this] { ctx_.navigator().showVersionDialog(this); });
    title_->setObjectName(QStringLiteral("Label4"));
    title_->setGeometry(twRect(300, 100, 10500, 1300));
    title_->setStyleSheet(QStringLiteral("color: white;"));
    title_->setCursor(Qt::PointingHandCursor);

    leaveButton_ = new QPushButton(QStringLiteral("ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)"), strip);
    leaveButton_->setObjectName(QStringLiteral("Command7"));
    leaveButton_->setGeometry(twRect(11200, 300, 3900, 900));
    leaveButton_->setFont(designFont(kPGothic, 14, true));
    connect(leaveButton_, &QPushButton::clicked, this, [this] { leave(); });
    treatCloseRequestsAs(this, [this] { leave(); });

    chosen_ = new QLabel(kChooseName, this);
    chosen_->setObjectName(QStringLiteral("Label1"));
    chosen_->setGeometry(twRect(600, 1800, 8400, 900));
    chosen_->setFont(designFont(kPGothic, 28, true));
    chosen_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fillBackground(chosen_, QColor(255, 255, 255));
    number_ = new QLabel(this);
    number_->setObjectName(QStringLiteral("Label2"));
    number_->hide();

    confirmButton_ = new QPushButton(QStringLiteral("O.K."), this);
    confirmButton_->setObjectName(QStringLiteral("Command14"));
    confirmButton_->setGeometry(twRect(9300, 1800, 2400, 900));
    confirmButton_->setFont(designFont(kPGothic, 24, true));
    connect(confirmButton_, &QPushButton::clicked, this, [this] { confirm(); });

    const QStringList captions = displayKindCaptions();
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(captions[i], this);
        options_[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        options_[i]->setGeometry(twRect(600 + i * 3500, 2900, 3400, 450));
        options_[i]->setFont(designFont(kPGothic, 11));
        connect(options_[i], &QRadioButton::clicked, this, [this, i] {
            displayKind_ = i;
            名簿表示();
        });
    }
    grade_ = new QComboBox(this);
    grade_->setObjectName(QStringLiteral("Combo1"));
    grade_->setGeometry(twRect(600, 3450, 2700, 450));
    grade_->setFont(designFont(kPGothic, 12));
    grade_->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    connect(grade_, &QComboBox::activated, this, [this] {
        ctx_.gradeFilterText = grade_->currentText();
        if (名簿表示())
            list_->setFocus();
    });

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List1"));
    list_->setGeometry(twRect(600, 4000, 14160, 7200));
    list_->setFont(designFont(kGothic, 14.25));
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);  // three columns of lines, filled top to bottom
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    list_->setTextElideMode(Qt::ElideNone);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { lineChosen(row); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (row <= 0) {
            chosen_->setText(kChooseName);
            return;
        }
        if (building_)
            return;
        chosen_->setText(trimHalfWidthSpaces(item->text().section(u'/', 0, 0)));
        number_->setText(QString::number(listing_.numbers.value(row - 1)));
        confirm();
    });

    waitPanel_ = new QLabel(QStringLiteral("Just a moment, please."), this);
    waitPanel_->setObjectName(QStringLiteral("Picture5"));
    waitPanel_->setGeometry(twRect(0, 0, 15360, 11520));
    waitPanel_->setFont(designFont(kPGothic, 28, true));
    static_cast<QLabel*>(waitPanel_)->setAlignment(Qt::AlignCenter);

    // The window sees keys before its controls, as the children's keys are used to it.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

void namesel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (opened_)
        return;
    opened_ = true;
    open();
}

void namesel::open()
{
    fillBackground(this, ctx_.seasonColour);
    fillBackground(waitPanel_, ctx_.seasonColour);
    waitPanel_->setGeometry(twRect(0, 0, 15360, 11520));
    waitPanel_->show();
    waitPanel_->raise();
    ctx_.random().seed(std::uint32_t(ctx_.clock().secondsSinceMidnight()));
    displayKind_ = 1;
    options_[1]->setChecked(true);
    grade_->clear();
    grade_->addItems(gradeFilterChoices());
    grade_->setCurrentIndex(0);
    ctx_.gradeFilterText = QStringLiteral("全学年");
    ctx_.navigator().closeStudentMenu();
    chosen_->setText(kChooseName);
    // Three columns, each a third of the list, as the lines are designed for.
    const int columnWidth = (list_->width() - 2 * list_->frameWidth()) / 3;
    list_->setGridSize(QSize(columnWidth, list_->fontMetrics().height()));
    if (!名簿表示())
        return;
    title_->setText(ctx_.programTitle);
    title_->setFont(designFont(kPGothic, 48, true));
    waitPanel_->hide();
    list_->setFocus();
}

bool namesel::名簿表示()
{
    // The build lets window events run while it waits; a choice made then
    // asks for one more build instead of starting a second one inside it.
    if (building_) {
        rebuildWanted_ = true;
        return true;
    }
    QPointer<namesel> self(this);
    building_ = true;
    RosterListing fresh;
    bool ok = true;
    do {
        rebuildWanted_ = false;
        ok = buildRosterListing(ctx_, displayKind_, grade_->currentText(), &fresh);
    } while (ok && self && rebuildWanted_);
    if (!self)
        return false;
    building_ = false;
    if (!ok)
        return false;
    listing_ = std::move(fresh);
    list_->setUpdatesEnabled(false);
    list_->clear();
    list_->addItems(listing_.lines);
    list_->setUpdatesEnabled(true);
    list_->setCurrentRow(0);
    lineChosen(0);
    return true;
}

void namesel::lineChosen(int row)
{
    if (row <= 0) {
        chosen_->setText(kChooseName);
        return;
    }
    chosen_->setText(trimHalfWidthSpaces(list_->item(row)->text().left(10)));
    number_->setText(QString::number(listing_.numbers.value(row - 1)));
}

bool namesel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(watched, static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void namesel::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(this, event))
        QWidget::keyPressEvent(event);
}

bool namesel::handleKey(QObject* watched, QKeyEvent* event)
{
    // Keys typed while the list is being rebuilt belong to the old list.
    if (building_)
        return true;
    if (event->text() == u"1" && confirmButton_->isVisible()) {
        confirm();
        return true;
    }
    if (event->text() == u"0" && leaveButton_->isVisible()) {
        leave();
        return true;
    }
    if (watched == list_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)) {
        confirm();
        return true;
    }
    return false;
}

void namesel::confirm()
{
    if (building_)
        return;
    if (chosen_->text() == kChooseName || chosen_->text().isEmpty()) {
        playRandomSound(ctx_, Sound::間違い音2, true);
        return;
    }
    ctx_.nameConfirmTime = std::int32_t(std::lround(ctx_.clock().secondsSinceMidnight()));
    const int n = number_->text().toInt();
    if (!isValidStudentNumber(n))
        return;
    ctx_.currentStudent = std::int16_t(n);
    ctx_.studentName = ctx_.studentNames[std::size_t(n)];
    ctx_.gradeLabel = ctx_.studentGradeNames[std::size_t(n)];
    confirmButton_->hide();
    waitPanel_->show();
    waitPanel_->raise();
    repaint();
    buildLevelTable(ctx_);
    ctx_.navigator().showStudentMenu();
}

void namesel::leave()
{
    if (building_)
        return;
    startLauncher(ctx_.programFolder);
    ctx_.navigator().endProgram(0);
}

} // namespace soinsuu
