#include "graphpanel.h"

#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "foundation/widgets.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

namespace soinsuu {
namespace {

// Shows the sheet as drawn; the drawing itself happens on an image so that
// the same code draws the printer's pages.
class Surface final : public QWidget {
public:
    Surface(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, image_);
    }

private:
    const QImage& image_;
};

bool isTeacher(const RunContext& ctx) { return ctx.studentName.trimmed() == QStringLiteral("先生"); }

} // namespace

GraphPanel::GraphPanel(RunContext& ctx, Menu menu, QWidget* parent) : QWidget(parent), ctx_(ctx), menu_(std::move(menu))
{
    setObjectName(QStringLiteral("Picture11"));
    setGeometry(twRect(0, 0, 15360, 11520));
    fillBackground(this, QColor(240, 240, 240));

    const QRect area = twRect(120, 120, 12000, 11280);
    surface_ = QImage(area.size(), QImage::Format_RGB32);
    surface_.fill(Qt::white);
    surfaceWidget_ = new Surface(surface_, this);
    surfaceWidget_->setObjectName(QStringLiteral("Picture12"));
    surfaceWidget_->setGeometry(area);

    auto* levelLabel = new QLabel(QStringLiteral("ﾚﾍﾞﾙ"), this);
    levelLabel->setObjectName(QStringLiteral("Label27"));
    levelLabel->setGeometry(twRect(12360, 120, 2800, 360));
    levelLabel->setFont(designFont(kPGothic, 11, true));
    levelList_ = new QListWidget(this);
    levelList_->setObjectName(QStringLiteral("List3"));
    levelList_->setGeometry(twRect(12360, 480, 2800, 2600));
    levelList_->setFont(designFont(kGothic, 11));
    levelList_->setSelectionMode(QAbstractItemView::MultiSelection);
    connect(levelList_, &QListWidget::itemClicked, this, [this] {
        if (isVisible())
            output(0);
    });

    const QString captions[2] = {QStringLiteral("表示"), QStringLiteral("印刷")};
    QPushButton* buttons[2];
    for (int k = 0; k < 2; ++k) {
        buttons[k] = new QPushButton(captions[k], this);
        buttons[k]->setObjectName(QStringLiteral("Command24_%1").arg(k));
        buttons[k]->setGeometry(twRect(12360 + k * 1450, 3240, 1350, 600));
        buttons[k]->setFont(designFont(kPGothic, 12, true));
        connect(buttons[k], &QPushButton::clicked, this, [this, k] { output(k); });
    }
    printButton_ = buttons[1];

    otherButton_ = new QPushButton(QStringLiteral("他の人のデータを見る"), this);
    otherButton_->setObjectName(QStringLiteral("Command25"));
    otherButton_->setGeometry(twRect(12360, 4000, 2800, 600));
    otherButton_->setFont(designFont(kPGothic, 10));
    studentList_ = new QListWidget(this);
    studentList_->setObjectName(QStringLiteral("List2"));
    studentList_->setGeometry(twRect(12360, 4000, 2800, 6000));
    studentList_->setFont(designFont(kGothic, 10));
    studentList_->setSelectionMode(QAbstractItemView::MultiSelection);
    studentList_->hide();
    connect(studentList_, &QListWidget::itemClicked, this, [this] { output(0); });
    connect(otherButton_, &QPushButton::clicked, this, [this] {
        otherButton_->hide();
        studentList_->show();
    });

    auto* back = new QPushButton(QStringLiteral("戻る"), this);
    back->setObjectName(QStringLiteral("Command18"));
    back->setGeometry(twRect(12360, 10300, 2800, 900));
    back->setFont(designFont(kPGothic, 16, true));
    connect(back, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void GraphPanel::fillLists()
{
    levelList_->clear();
    for (int level = 1; level <= ctx_.levelCount; ++level)
        levelList_->addItem(QString::number(level));
    QStringList lines;
    QString error;
    studentList_->clear();
    if (graphStudentLines(ctx_, &lines, &error))
        studentList_->addItems(lines);
    else
        ctx_.dialogs().message(QStringLiteral("名簿"), error, Dialogs::Icon::Warning);
}

void GraphPanel::openForCurrentStudent()
{
    viewed_ = ctx_.currentStudent;
    studentList_->clearSelection();
    levelList_->clearSelection();
    for (int i = 0; i < 3 && i < levelList_->count(); ++i)
        levelList_->item(i)->setSelected(true);
    chartFontPoints_ = 6;
    firstLevelOffset_ = 1;
    output(0);
}

void GraphPanel::output(int k)
{
    printButton_->setVisible(isTeacher(ctx_));
    if (k == 1 && !isTeacher(ctx_))
        return;
    bool any = false;
    for (int i = 0; i < studentList_->count(); ++i) {
        if (!studentList_->item(i)->isSelected())
            continue;
        const int student = studentOfLine(studentList_->item(i)->text());
        if (student < 0)
            continue;
        any = true;
        viewed_ = student;
        drawSheet(k);
    }
    if (!any)
        drawSheet(k);
}

std::vector<GraphPanel::PlacedBlock> GraphPanel::sheet()
{
    std::vector<int> lines;
    for (int i = 0; i < levelList_->count(); ++i)
        if (levelList_->item(i)->isSelected())
            lines.push_back(i + 1);
    const std::vector<ResultRecord> runs = recentRuns(ctx_);
    const QString grade = menu_.gradeChoice();
    const bool viewedPasses = isValidStudentNumber(viewed_)
                              && passesGradeFilter(grade, gradeNumberOf(ctx_.schoolYear,
                                                                        ctx_.studentBirthYears[std::size_t(viewed_)]));
    std::vector<PlacedBlock> blocks;
    for (const BlockPlace& place : placeBlocks(lines, firstLevelOffset_, ctx_.levelCount)) {
        SheetBlock b;
        b.top = place.top;
        b.studentName = isValidStudentNumber(viewed_) ? ctx_.studentNames[std::size_t(viewed_)].trimmed() : QString();
        b.title = ctx_.programTitle + u' ' + menu_.levelName(place.level);
        b.runs = levelBlock(runs, place.level, viewed_, viewedPasses);
        b.table = comparisonTable(comparisonFigures(ctx_, place.level, viewed_, menu_.rankingMode(), grade), b.runs);
        blocks.push_back({place, std::move(b)});
    }
    return blocks;
}

void GraphPanel::drawSheet(int k)
{
    const std::vector<PlacedBlock> blocks = sheet();
    if (k == 0) {
        show();
        raise();
        surface_.fill(Qt::white);
        QPainter p(&surface_);
        const SheetStyle style{chartFontPoints_, false, screenScale()};
        for (const PlacedBlock& b : blocks) {
            if (b.place.newPage) {
                p.fillRect(surface_.rect(), Qt::white);
            }
            drawLevelBlock(p, QSizeF(surface_.size()), b.block, style);
        }
        p.end();
        surfaceWidget_->update();
        return;
    }
    if (blocks.empty())
        return;  // no level chosen: nothing to put on paper
    QString error;
    // The student's name in the job's name tells the sheets apart in the
    // printer's queue.
    const QString name = blocks.empty() ? QString() : blocks.front().block.studentName;
    std::unique_ptr<PrintJob> job = ctx_.printer().begin(ctx_.programTitle + u' ' + name, &error);
    if (!job) {
        ctx_.dialogs().message(QStringLiteral("印刷"), error, Dialogs::Icon::Warning);
        return;
    }
    const SheetStyle style{6, true, job->resolution() / 96.0};
    for (const PlacedBlock& b : blocks) {
        if (b.place.newPage)
            job->newPage();
        drawLevelBlock(job->painter(), job->pageSize(), b.block, style);
    }
    if (!job->finish(&error))
        ctx_.dialogs().message(QStringLiteral("印刷"), error, Dialogs::Icon::Warning);
}

} // namespace soinsuu
