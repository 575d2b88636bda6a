#include "frmdata.h"

#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <limits>

namespace soinsuu {
namespace {

const QColor kWindowColour(200, 216, 232);
const QColor kPanelColour(236, 242, 250);
const QColor kListColour(255, 255, 192);  // light yellow

constexpr int kReadAttempts = 4;


QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text, const QRect& rect, double points)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setFont(designFont(kPGothic, points, true));
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

FrmData::FrmData(RunContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("FrmData"));
    setWindowTitle(ctx_.programTitle);
    coverWholeScreen(this);
    build();
}

void FrmData::build()
{
    fillBackground(this, kWindowColour);

    hintPanel_ = new QWidget(this);
    hintPanel_->setObjectName(QStringLiteral("Picture10"));
    hintPanel_->setGeometry(twRect(120, 120, 15120, 840));
    fillBackground(hintPanel_, kPanelColour);
    hint_ = makeLabel(hintPanel_, QStringLiteral("Label5"), twRect(240, 0, 9000, 840), 16, true);
    hint_->setText(QStringLiteral("ダブルクリックすると変更、消去できます"));
    back_ = makeButton(hintPanel_, QStringLiteral("Command4"), QStringLiteral("戻る"), twRect(13080, 90, 1920, 660), 16);
    connect(back_, &QPushButton::clicked, this, [this] { leave(); });
    treatCloseRequestsAs(this, [this] { leave(); });

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Picture3"));
    panel_->setGeometry(twRect(120, 1080, 15120, 1500));
    fillBackground(panel_, kPanelColour);
    const double top = 420;
    const double height = 660;
    number_ = makeLabel(panel_, QStringLiteral("Label1"), twRect(120, top, 1080, height), 16, true, Qt::AlignRight | Qt::AlignVCenter);
    level_ = makeLabel(panel_, QStringLiteral("Label2_1"), twRect(1380, top, 1260, height), 16, true);
    date_ = makeLabel(panel_, QStringLiteral("Label2_2"), twRect(2700, top, 2040, height), 16, true);

    time_ = new QLineEdit(panel_);
    time_->setObjectName(QStringLiteral("Text1_1"));
    time_->setGeometry(twRect(4800, top, 1500, height));
    time_->setFont(designFont(kGothic, 18, true));
    time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    seconds_ = makeLabel(panel_, QStringLiteral("Label2_0"), twRect(6330, top, 420, height), 16, true);
    seconds_->setText(QStringLiteral("秒"));
    scroll_ = new QScrollBar(Qt::Vertical, panel_);
    scroll_->setObjectName(QStringLiteral("VScroll1"));
    scroll_->setGeometry(twRect(6780, 120, 300, 1260));
    scroll_->setRange(0, 6000);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(10);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!settingTime_)
            time_->setText(QString::number(value));
    });

    student_ = new QComboBox(panel_);
    student_->setObjectName(QStringLiteral("Combo1"));
    student_->setGeometry(twRect(7260, top, 3300, height));
    student_->setFont(designFont(kPGothic, 14));
    student_->setEditable(true);
    student_->setInsertPolicy(QComboBox::NoInsert);
    // No completion: it would fill in another student's number while the
    // teacher is still typing one.
    student_->setCompleter(nullptr);
    student_->setMaxVisibleItems(20);
    connect(student_, &QComboBox::textActivated, this, [this](const QString& text) { showGradeFor(text); });
    connect(student_, &QComboBox::editTextChanged, this, [this](const QString& text) { showGradeFor(text); });
    grade_ = makeLabel(panel_, QStringLiteral("Label2_4"), twRect(10620, top, 780, height), 16, true);

    save_ = makeButton(panel_, QStringLiteral("Command2"), QStringLiteral("変更して記録"), twRect(11460, top - 30, 1680, 720), 12);
    delete_ = makeButton(panel_, QStringLiteral("Command3"), QStringLiteral("消去"), twRect(13200, top - 30, 780, 720), 12);
    cancel_ = makeButton(panel_, QStringLiteral("Command6"), QStringLiteral("キャンセル"), twRect(14040, top - 30, 1020, 720), 10.5);
    save_->setEnabled(false);
    delete_->setEnabled(false);
    connect(save_, &QPushButton::clicked, this, [this] { saveRecord(); });
    connect(delete_, &QPushButton::clicked, this, [this] { deleteRecord(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelEdit(); });
    panel_->hide();

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List1"));
    list_->setGeometry(twRect(120, 2700, 15120, 8700));
    list_->setFont(designFont(kGothic, 18));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Base, kListColour);
    list_->setPalette(palette);
    list_->hide();
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openRecord(list_->row(item)); });
    connect(list_, &QListWidget::itemClicked, this, [this] { hidePanel(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { hidePanel(); });

    cover_ = new QWidget(this);
    cover_->setObjectName(QStringLiteral("Picture1"));
    cover_->setGeometry(twRect(0, 0, 15360, 11520));
    fillBackground(cover_, kWindowColour);
    cover_->hide();
}

void FrmData::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (opened_)
        return;
    opened_ = true;
    list_->show();
    buildList();
}

void FrmData::loadRoster()
{
    roster_ = MaintenanceRoster{};
    const QString path = rosterFilePath(ctx_);
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        ctx_.dialogs().message(QStringLiteral("名簿"),
                               QStringLiteral("名簿 %1 を読めません（%2）。\n名前と学年は表示されません。")
                                   .arg(QDir::toNativeSeparators(path), why),
                               Dialogs::Icon::Warning);
    } else if (!fillMaintenanceRoster(*text, computeSchoolYear(ctx_.clock().today(), ctx_.schoolYearStartMonth),
                                      &roster_, &why)) {
        ctx_.dialogs().message(QStringLiteral("名簿"),
                               QStringLiteral("名簿 %1 を最後まで読めません。\n%2")
                                   .arg(QDir::toNativeSeparators(path), why),
                               Dialogs::Icon::Warning);
    }
    student_->blockSignals(true);
    student_->clear();
    student_->addItems(roster_.entries);
    student_->blockSignals(false);
}

bool FrmData::buildList()
{
    loadRoster();
    hidePanel();
    list_->clear();
    lineRecords_.clear();
    listBytes_.clear();
    listFirstRecord_ = 1;

    const QString path = resultsFilePath(ctx_);
    RawRecords raw;
    FileError error;
    for (int attempt = 1;; ++attempt) {
        error = readNewestRaw(path, std::numeric_limits<int>::max(), &raw);
        if (error.status != FileStatus::SharingConflict || attempt == kReadAttempts)
            break;
        ctx_.clock().waitResponsive(1000);
    }
    if (error.status != FileStatus::Ok) {
        ctx_.dialogs().message(QStringLiteral("成績の一覧"),
                               QStringLiteral("成績の記録を読めません。\n%1").arg(error.description),
                               Dialogs::Icon::Warning);
        return false;
    }
    RecordLineSettings settings;
    settings.ownSchoolCode = ctx_.schoolCode;
    settings.schoolName = ctx_.schoolName;
    settings.numberWidth = recordNumberWidth(raw.firstRecordNumber + raw.size() - 1);
    RecordLines lines = buildRecordLines(raw, roster_, settings);
    list_->setUpdatesEnabled(false);
    list_->addItems(lines.lines);
    list_->setUpdatesEnabled(true);
    lineRecords_ = std::move(lines.numbers);
    listBytes_ = std::move(raw.bytes);
    listFirstRecord_ = raw.firstRecordNumber;
    return true;
}

void FrmData::openRecord(int row)
{
    if (row < 0 || row >= int(lineRecords_.size()))
        return;
    const std::int64_t n = lineRecords_[std::size_t(row)];
    const QString path = resultsFilePath(ctx_);
    QByteArray bytes;
    ChangeResult read = readRawRecord(path, n, &bytes);
    // The line must still stand for the record it was built from: another
    // machine's deletion moves every record after it down by one.
    const std::int64_t offset = (n - listFirstRecord_) * kRecordSize;
    if (read.outcome == ChangeOutcome::Done && bytes != listBytes_.mid(qsizetype(offset), kRecordSize)) {
        read.outcome = ChangeOutcome::Changed;
        read.description = QStringLiteral("%1の記録%2は一覧を作ったあとで変わっています")
                               .arg(QDir::toNativeSeparators(path))
                               .arg(n);
    }
    if (read.outcome != ChangeOutcome::Done) {
        reportChange(QStringLiteral("記録の変更"), read);
        return;
    }
    chosenRecord_ = n;
    chosenBytes_ = bytes;
    const ResultRecord r = decodeRecord(bytes.constData());
    number_->setText(QString::number(n));
    save_->setEnabled(true);
    delete_->setEnabled(true);
    level_->setText(QString::number(r.level) + QStringLiteral("ﾚﾍﾞﾙ"));
    date_->setText(recordDateText(r.date));
    // A time the scroll bar cannot hold (99999 for a timed-out run) stays
    // in the field; the bar stands at its nearest end until it is moved.
    settingTime_ = true;
    time_->setText(QString::number(r.time));
    scroll_->setValue(std::clamp<std::int32_t>(r.time, scroll_->minimum(), scroll_->maximum()));
    settingTime_ = false;
    const QString name = isValidStudentNumber(r.Bangou) ? roster_.names[std::size_t(r.Bangou)] : QString();
    student_->setCurrentIndex(-1);
    student_->setEditText(studentEntry(r.Bangou, name));
    showGradeFor(student_->currentText());
    panel_->show();
    time_->setFocus();
    time_->selectAll();
}

void FrmData::showGradeFor(const QString& studentText)
{
    const std::optional<std::int16_t> n = parseStudentField(studentText);
    grade_->setText(n ? trimHalfWidthSpaces(roster_.gradeNames[std::size_t(*n)]) : QString());
}

void FrmData::saveRecord()
{
    if (chosenRecord_ < 1 || chosenBytes_.size() != kRecordSize)
        return;
    const std::optional<std::int32_t> time = parseTimeField(time_->text());
    if (!time) {
        ctx_.dialogs().message(QStringLiteral("記録の変更"),
                               QStringLiteral("時間「%1」は記録できません。0以上の秒数を入れてください。").arg(time_->text()),
                               Dialogs::Icon::Warning);
        time_->setFocus();
        return;
    }
    const QString studentText = student_->currentText();
    const std::optional<std::int16_t> student = parseStudentField(studentText);
    if (!student) {
        ctx_.dialogs().message(QStringLiteral("記録の変更"),
                               QStringLiteral("生徒「%1」は記録できません。一覧から生徒を選ぶか、"
                                              "「番号 /  名前」の形で0から5000までの番号を入れてください。")
                                   .arg(studentText),
                               Dialogs::Icon::Warning);
        student_->setFocus();
        return;
    }
    const QByteArray corrected = correctedRecord(chosenBytes_, *student, *time);
    const ChangeResult result = writeRecordInPlace(resultsFilePath(ctx_), chosenRecord_, chosenBytes_, corrected);
    if (result.outcome != ChangeOutcome::Done) {
        reportChange(QStringLiteral("記録の変更"), result);
        if (!changeReachedFile(result.outcome))
            return;
    }
    chosenBytes_ = corrected;
    const std::int64_t chosen = chosenRecord_;
    buildList();
    selectRecordLine(chosen);
}

void FrmData::deleteRecord()
{
    if (chosenRecord_ < 1 || chosenBytes_.size() != kRecordSize)
        return;
    if (!ctx_.dialogs().confirm(QStringLiteral("注意"), QStringLiteral("本当に消去しますか")))
        return;
    const ChangeResult result = deleteRecordInPlace(resultsFilePath(ctx_), chosenRecord_, chosenBytes_);
    if (result.outcome != ChangeOutcome::Done) {
        reportChange(QStringLiteral("記録の消去"), result);
        if (!changeReachedFile(result.outcome))
            return;
    }
    // The record is gone: nothing is left for the panel's buttons to act on.
    chosenBytes_.clear();
    save_->setEnabled(false);
    delete_->setEnabled(false);
    const std::int64_t chosen = chosenRecord_;
    buildList();
    selectRecordLine(chosen);
}

void FrmData::reportChange(const QString& title, const ChangeResult& result)
{
    QString text;
    switch (result.outcome) {
    case ChangeOutcome::Done:
        return;
    case ChangeOutcome::Missing:
    case ChangeOutcome::Changed:
        text = QStringLiteral("%1。\nほかのコンピュータで記録が変更または消去されたようです。"
                              "記録は変えていません。一覧を作り直します。")
                   .arg(result.description);
        break;
    case ChangeOutcome::Conflict:
        text = QStringLiteral("%1。\n記録は変えていません。しばらくしてからもう一度やり直してください。")
                   .arg(result.description);
        break;
    case ChangeOutcome::Failed:
        text = QStringLiteral("%1。\n記録は変えていません。").arg(result.description);
        break;
    case ChangeOutcome::Interrupted:
    case ChangeOutcome::Unflushed:
        // The change reached the file: saying nothing was changed would be false.
        text = result.description + QStringLiteral("。");
        break;
    }
    ctx_.dialogs().message(title, text, Dialogs::Icon::Warning);
    if (result.outcome == ChangeOutcome::Missing || result.outcome == ChangeOutcome::Changed) {
        const int row = list_->currentRow();
        buildList();
        if (row >= 0 && list_->count() > 0)
            list_->setCurrentRow(std::min(row, list_->count() - 1));
    }
}

void FrmData::selectRecordLine(std::int64_t number)
{
    if (lineRecords_.empty())
        return;
    const auto at = std::lower_bound(lineRecords_.begin(), lineRecords_.end(), number);
    const int row = at == lineRecords_.end() ? int(lineRecords_.size()) - 1 : int(at - lineRecords_.begin());
    list_->setCurrentRow(row);
    list_->scrollToItem(list_->item(row), QAbstractItemView::PositionAtCenter);
    hidePanel();
}

void FrmData::hidePanel() { panel_->hide(); }

void FrmData::cancelEdit()
{
    hidePanel();
    list_->setFocus();
}

void FrmData::leave()
{
    cover_->show();
    cover_->raise();
    repaint();
    ctx_.navigator().showStudentMenu();
    close();
}

} // namespace soinsuu
