#include "frmtimedata.h"

#include "criteria_grid.h"
#include "distribution.h"

#include "foundation/criteria.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"
#include "results/resultsfile.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>

namespace soinsuu {
namespace {

constexpr int kColumns = 13;
constexpr double kRowTwips = 255;    // one grid row
constexpr int kGridRowsShown = 33;   // the grid is this many rows tall
const QColor kChanged(255, 255, 0);  // a cell changed by the teacher
const QColor kFixed(224, 224, 224);  // the heading row and the level column
const QColor kPaper(255, 255, 255);

// The grid's heading row stays in view however far the levels are
// scrolled: it is shown by a view of its own laid over the table's top
// header, which only keeps the room for it.
class CriteriaGrid : public QTableWidget {
public:
    CriteriaGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {}
    void setHeadings(QTableView* headings)
    {
        headings_ = headings;
        updateGeometries();
    }

protected:
    void updateGeometries() override
    {
        QTableWidget::updateGeometries();
        if (headings_)
            headings_->setGeometry(horizontalHeader()->geometry());
    }

private:
    QTableView* headings_ = nullptr;
};

QListWidget* makeList(QWidget* parent, const QString& name, const QRect& rect)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(rect);
    list->setFont(designFont(kGothic, 8));
    list->setFocusPolicy(Qt::NoFocus);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    // A long row of stars scrolls rather than losing its end to "…".
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

} // namespace

FrmTimeData::FrmTimeData(RunContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("FrmTimeData"));
    setWindowTitle(ctx_.programTitle);
    coverWholeScreen(this);
    build();

    reload();
}

void FrmTimeData::build()
{
    fillBackground(this, ctx_.seasonColour.isValid() ? ctx_.seasonColour : QColor(224, 240, 255));

    auto* banner = makeLabel(this, QStringLiteral("Label5"), twRect(300, 120, 8400, 450), 16, true);
    banner->setText(QStringLiteral("成績の基準となるデータを変更できます"));

    auto* grid = new CriteriaGrid(1, kColumns, this);
    grid_ = grid;
    grid_->setObjectName(QStringLiteral("MSFlexGrid1"));
    grid_->horizontalHeader()->setSectionsClickable(false);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(tw(kRowTwips));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    // Headings wrap onto a second line rather than lose their ends.
    grid_->setWordWrap(true);
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setFont(designFont(kPGothic, 9));
    // Below the last level the grid shows grey, as an empty sheet would.
    QPalette empty = grid_->palette();
    empty.setColor(QPalette::Base, QColor(192, 192, 192));
    grid_->setPalette(empty);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setFrameShape(QFrame::Box);
    grid_->setLineWidth(1);
    // The grid is as tall as 33 rows, plus its frame.
    const int frame = 2 * grid_->frameWidth();
    grid_->setGeometry(tw(300), tw(700), tw(8400), kGridRowsShown * tw(kRowTwips) + frame);
    // Thirteen equal columns, the first criterion a little narrower; room is
    // kept for the scroll bar a long level list brings.
    const int unit = (grid_->width() - frame - grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent)) / kColumns;
    grid_->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < kColumns; ++c)
        grid_->setColumnWidth(c, c == 1 ? unit * 8 / 10 : unit);

    // Row 0 holds the headings like any other row, but is hidden in the grid
    // and shown by a view of its own over the header strip.
    grid_->horizontalHeader()->setFixedHeight(2 * tw(kRowTwips));
    headings_ = new QTableView(grid_);
    headings_->setObjectName(QStringLiteral("MSFlexGrid1_headings"));
    headings_->setModel(grid_->model());
    headings_->horizontalHeader()->hide();
    headings_->verticalHeader()->hide();
    headings_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    headings_->setSelectionMode(QAbstractItemView::NoSelection);
    headings_->setFocusPolicy(Qt::NoFocus);
    headings_->setAttribute(Qt::WA_TransparentForMouseEvents);
    headings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    headings_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    headings_->setFrameShape(QFrame::NoFrame);
    headings_->setWordWrap(true);
    headings_->setTextElideMode(Qt::ElideNone);
    headings_->setPalette(empty);
    // A header keeps a column no narrower than its own font asks for; the
    // first criterion column is narrower than that, and would push every
    // heading after it off its column.
    headings_->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < kColumns; ++c)
        headings_->setColumnWidth(c, grid_->columnWidth(c));
    grid->setHeadings(headings_);
    showHeadings();
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (row < 1 || row > criteriaRowCount_ || column < 1 || column >= kColumns)
            return;
        moveTo(row, column);
        refreshDistribution();
        GridToText転送();
    });

    editor_ = new QLineEdit(grid_->viewport());
    editor_->setObjectName(QStringLiteral("Gridinputtext"));
    editor_->setFont(grid_->font());
    editor_->setFrame(false);
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::textChanged, this, [this] { TextToGrid転送(); });

    auto* hints = makeLabel(this, QStringLiteral("Label1"), twRect(300, 9300, 8400, 360), 11);
    hints->setText(QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"));

    const std::pair<const char*, QString> buttons[] = {
        {"Command3", QStringLiteral("更新記録")},
        {"Command2", QStringLiteral("元に戻す")},
        {"Command4", QStringLiteral("戻る")},
    };
    QPushButton* made[3];
    for (int k = 0; k < 3; ++k) {
        made[k] = new QPushButton(buttons[k].second, this);
        made[k]->setObjectName(QString::fromLatin1(buttons[k].first));
        made[k]->setFont(designFont(kPGothic, 14, true));
    }
    saveButton_ = made[0];
    reloadButton_ = made[1];
    backButton_ = made[2];
    saveButton_->setGeometry(twRect(300, 9900, 2500, 800));
    reloadButton_->setGeometry(twRect(3100, 9900, 2500, 800));
    backButton_->setGeometry(twRect(6200, 9900, 2500, 800));
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        save();
        入力欄配置説明表示();
    });
    connect(reloadButton_, &QPushButton::clicked, this, [this] { reload(); });
    connect(backButton_, &QPushButton::clicked, this, [this] { leave(); });
    // With the same question about unsaved changes as the button.
    treatCloseRequestsAs(this, [this] { leave(); });

    // The column explanation and the distribution, right of the grid.
    const double x = 8900;
    const double w = 6160;
    auto* explainHeading = makeLabel(this, QStringLiteral("Label2"), twRect(x, 700, w, 330), 11, true);
    explainHeading->setText(QStringLiteral("列の説明"));
    explanation_ = makeLabel(this, QStringLiteral("Label3"), twRect(x, 1050, w, 1500), 10);
    explanation_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    explanation_->setWordWrap(true);
    explanation_->setMargin(4);
    explanation_->setFrameShape(QFrame::Box);
    fillBackground(explanation_, kPaper);

    auto* distributionHeading = makeLabel(this, QStringLiteral("Label4"), twRect(x, 2750, w, 330), 11, true);
    distributionHeading->setText(QStringLiteral("現在までの成績度数分布"));
    const double listWidth = (w - 120) / 2;
    auto* allHeading = makeLabel(this, QStringLiteral("Label6"), twRect(x, 3100, listWidth, 300), 10, true);
    allHeading->setText(QStringLiteral("全成績"));
    auto* bestHeading = makeLabel(this, QStringLiteral("Label7"), twRect(x + listWidth + 120, 3100, listWidth, 300), 10, true);
    bestHeading->setText(QStringLiteral("最高タイム"));
    allRuns_ = makeList(this, QStringLiteral("List3"), twRect(x, 3420, listWidth, 7300));
    bestTimes_ = makeList(this, QStringLiteral("List4"), twRect(x + listWidth + 120, 3420, listWidth, 7300));

    auto* wait = new QLabel(QStringLiteral("Just a moment,please."), this);
    wait->setObjectName(QStringLiteral("Picture6"));
    wait->setAlignment(Qt::AlignCenter);
    wait->setFont(designFont(kPGothic, 28, true));
    fillBackground(wait, ctx_.seasonColour.isValid() ? ctx_.seasonColour : QColor(224, 240, 255));
    wait->setGeometry(twRect(0, 0, 15360, 11520));
    wait->hide();
    wait_ = wait;
}

void FrmTimeData::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    入力欄配置説明表示();
}

QString FrmTimeData::cellText(int row, int column) const
{
    const QTableWidgetItem* item = grid_->item(row, column);
    return item ? item->text() : QString();
}

void FrmTimeData::setCellText(int row, int column, const QString& text)
{
    QTableWidgetItem* item = grid_->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        // Selectable so a fill-down can be shown; the mouse selects nothing.
        item->setFlags(row > 0 && column > 0 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
        grid_->setItem(row, column, item);
    }
    item->setText(text);
}

void FrmTimeData::reload()
{
    std::vector<QStringList> rows;
    QString error;
    if (!readCriteriaRows(criteriaFilePath(ctx_), &rows, &error)) {
        ctx_.dialogs().message(QStringLiteral("合格タイムデータ"), QStringLiteral("合格タイムデータを読めません。\n") + error,
                               Dialogs::Icon::Warning);
        return;
    }
    grid_->setRowCount(0);
    grid_->setRowCount(1 + int(rows.size()));
    showHeadings();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = int(r) + 1;
        setCellText(row, 0, QString::number(row));
        for (int c = 1; c < kColumns; ++c)
            setCellText(row, c, rows[r].value(c - 1));
    }
    for (int r = 1; r < grid_->rowCount(); ++r) {
        for (int c = 0; c < kColumns; ++c) {
            QTableWidgetItem* item = grid_->item(r, c);
            item->setBackground(c == 0 ? kFixed : kPaper);
            item->setTextAlignment(c == 0 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    criteriaRowCount_ = int(rows.size());
    if (criteriaRowCount_ == 0) {
        editor_->hide();
        explanation_->clear();
        allRuns_->clear();
        bestTimes_->clear();
        return;
    }
    // Stay on the same cell when it is still there (row 1, column 1 at first).
    moveTo(std::min(row_, criteriaRowCount_), column_);
    refreshDistribution();
}

void FrmTimeData::showHeadings()
{
    const QStringList headings = criteriaHeadings();
    setCellText(0, 0, QStringLiteral("レベル"));
    for (int c = 1; c < kColumns; ++c)
        setCellText(0, c, c <= 9 ? headings.value(c - 1) : QString());
    const QFont small = designFont(kPGothic, 8);
    for (int c = 0; c < kColumns; ++c) {
        grid_->item(0, c)->setBackground(kFixed);
        grid_->item(0, c)->setTextAlignment(Qt::AlignCenter);
        grid_->item(0, c)->setFont(small);
    }
    headings_->setRowHeight(0, 2 * tw(kRowTwips));
    grid_->setRowHidden(0, true);
    for (int r = 1; r < grid_->rowCount(); ++r)
        headings_->setRowHidden(r, true);
}

void FrmTimeData::TextToGrid転送()
{
    if (row_ < 1 || row_ > criteriaRowCount_)
        return;
    const QString text = editor_->text();
    if (text != cellText(row_, column_)) {
        grid_->item(row_, column_)->setBackground(kChanged);
        criteriaChanged_ = 1;
    }
    setCellText(row_, column_, text);
    showEditorColour();
}

void FrmTimeData::showEditorColour()
{
    // The editor wears the colour of the cell it covers, so a changed cell
    // shows as changed while it is being edited too.
    const bool changed = grid_->item(row_, column_)->background().color() == kChanged;
    if (changed == editorMarked_ && !editor_->styleSheet().isEmpty())
        return;
    editorMarked_ = changed;
    editor_->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid black; padding: 0px; background: %1; }")
                               .arg(changed ? kChanged.name() : kPaper.name()));
}

void FrmTimeData::GridToText転送()
{
    if (row_ < 1 || row_ > criteriaRowCount_)
        return;
    editor_->setText(cellText(row_, column_));
    editor_->setCursorPosition(std::min<int>(10, int(editor_->text().size())));
    showEditorColour();
}

void FrmTimeData::入力欄配置説明表示()
{
    if (row_ < 1 || row_ > criteriaRowCount_)
        return;
    QTableWidgetItem* item = grid_->item(row_, column_);
    grid_->scrollToItem(item);
    editor_->setGeometry(grid_->visualItemRect(item));
    editor_->show();
    editor_->raise();
    editor_->setFocus();
    editor_->setCursorPosition(std::min<int>(10, int(editor_->text().size())));
    explanation_->setText(columnExplanation(column_));
}

void FrmTimeData::moveTo(int row, int column)
{
    row_ = row;
    column_ = column;
    selectionEnd_ = row;
    grid_->setCurrentCell(row, column, QItemSelectionModel::NoUpdate);
    showSelection();
    GridToText転送();
    入力欄配置説明表示();
}

void FrmTimeData::showSelection()
{
    // Set on the model directly: the grid takes no selection from the mouse.
    QItemSelectionModel* selection = grid_->selectionModel();
    selection->clearSelection();
    if (selectionEnd_ > row_) {
        QAbstractItemModel* model = grid_->model();
        selection->select(QItemSelection(model->index(row_, column_), model->index(selectionEnd_, column_)),
                          QItemSelectionModel::Select);
    }
}

void FrmTimeData::copyDown()
{
    if (selectionEnd_ >= criteriaRowCount_)
        return;
    ++selectionEnd_;
    // A fill-down is an edit like typing: it is marked and asked about on leaving.
    const QString text = editor_->text();
    for (int r = row_; r <= selectionEnd_; ++r) {
        if (cellText(r, column_) == text)
            continue;
        setCellText(r, column_, text);
        grid_->item(r, column_)->setBackground(kChanged);
        criteriaChanged_ = 1;
    }
    showSelection();
}

bool FrmTimeData::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == editor_ && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool FrmTimeData::handleKey(QKeyEvent* event)
{
    if (criteriaRowCount_ == 0)
        return true;
    bool consumed = true;
    switch (event->key()) {
    case Qt::Key_Escape:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        break;
    case Qt::Key_Up:
        if (row_ > 1)
            moveTo(row_ - 1, column_);
        break;
    case Qt::Key_Down:
        if (event->modifiers() & Qt::ShiftModifier)
            copyDown();
        else if (row_ < criteriaRowCount_)
            moveTo(row_ + 1, column_);
        break;
    case Qt::Key_Left:
        if (column_ > 1)
            moveTo(row_, column_ - 1);
        break;
    case Qt::Key_Right:
        if (column_ < kColumns - 1)
            moveTo(row_, column_ + 1);
        break;
    default:
        if (event->text() == QStringLiteral(" ")) {
            editor_->clear();
        } else {
            consumed = false;  // typed into the editor after the refresh below
        }
        break;
    }
    refreshDistribution();
    GridToText転送();
    return consumed;
}

void FrmTimeData::refreshDistribution()
{
    if (row_ < 1 || row_ > criteriaRowCount_)
        return;
    distributionLevel_ = row_;
    LevelDistribution d;
    const FileError e = readDistribution(resultsFilePath(ctx_), distributionLevel_, &d);
    if (e.status != FileStatus::Ok) {
        // Said once, not on every key press.
        if (!readFailureShown_)
            ctx_.dialogs().message(QStringLiteral("成績ランダムファイル表示"),
                                   QStringLiteral("成績の度数分布を表示できません。\n") + e.description,
                                   Dialogs::Icon::Warning);
        readFailureShown_ = true;
    } else {
        readFailureShown_ = false;
    }
    allRuns_->setUpdatesEnabled(false);
    bestTimes_->setUpdatesEnabled(false);
    allRuns_->clear();
    allRuns_->addItems(allRunsLines(d));
    bestTimes_->clear();
    bestTimes_->addItems(bestTimeLines(d));
    allRuns_->setUpdatesEnabled(true);
    bestTimes_->setUpdatesEnabled(true);
}

void FrmTimeData::showWait(bool shown)
{
    wait_->setVisible(shown);
    if (shown) {
        wait_->raise();
        if (isVisible())
            wait_->repaint();
    }
}

bool FrmTimeData::saveRows()
{
    showWait(true);
    std::vector<QStringList> rows;
    rows.reserve(std::size_t(criteriaRowCount_));
    for (int r = 1; r <= criteriaRowCount_; ++r) {
        QStringList row;
        for (int c = 1; c < kColumns; ++c)
            row << cellText(r, c);
        rows.push_back(row);
    }
    QString error;
    const SaveOutcome outcome = saveCriteriaRows(ctx_, rows, &error);
    if (outcome != SaveOutcome::NotWritten)
        criteriaChanged_ = 0;
    showWait(false);
    if (outcome != SaveOutcome::Saved)
        ctx_.dialogs().message(QStringLiteral("更新記録"), error, Dialogs::Icon::Warning);
    return outcome != SaveOutcome::NotWritten;
}

void FrmTimeData::save() { saveRows(); }

void FrmTimeData::leave()
{
    if (criteriaChanged_ == 1
        && ctx_.dialogs().question(QStringLiteral("注意"), QStringLiteral("データが変更されています。記録しますか？"))) {
        // Changes that could not be written keep the teacher here to see to them.
        if (!saveRows())
            return;
    }
    showWait(true);
    ctx_.navigator().showStudentMenu();
    close();
}

} // namespace soinsuu
