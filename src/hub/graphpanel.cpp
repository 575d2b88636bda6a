#include "graphpanel.h"

#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "foundation/widgets.h"
#include "hub/menu_columns.h"

#include <QFileInfo>
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
        p.drawImage(QPointF(0, 0), image_);
    }

private:
    const QImage& image_;
};

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

    // Display, print, and (beside printing, for the same teachers) a PDF.
    const QString captions[3] = {QStringLiteral("表示"), QStringLiteral("印刷"), QStringLiteral("PDFに保存")};
    QPushButton* buttons[3];
    for (int k = 0; k < 3; ++k) {
        buttons[k] = new QPushButton(captions[k], this);
        buttons[k]->setObjectName(QStringLiteral("Command24_%1").arg(k));
        buttons[k]->setFont(designFont(kPGothic, 12, true));
        connect(buttons[k], &QPushButton::clicked, this, [this, k] { output(k); });
    }
    buttons[0]->setGeometry(twRect(12360, 3240, 1350, 600));
    buttons[1]->setGeometry(twRect(13810, 3240, 1350, 600));
    buttons[2]->setGeometry(twRect(12360, 3940, 2800, 600));
    printButton_ = buttons[1];
    pdfButton_ = buttons[2];

    otherButton_ = new QPushButton(QStringLiteral("他の人のデータを見る"), this);
    otherButton_->setObjectName(QStringLiteral("Command25"));
    otherButton_->setGeometry(twRect(12360, 4700, 2800, 600));
    otherButton_->setFont(designFont(kPGothic, 10));
    studentList_ = new QListWidget(this);
    studentList_->setObjectName(QStringLiteral("List2"));
    studentList_->setGeometry(twRect(12360, 4700, 2800, 5400));
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
    const bool mayPrint = mayPrintSheets(ctx_.studentName);
    printButton_->setVisible(mayPrint);
    pdfButton_->setVisible(mayPrint);
    if (k != 0 && !mayPrint)
        return;
    std::vector<int> students;
    for (int i = 0; i < studentList_->count(); ++i) {
        if (!studentList_->item(i)->isSelected())
            continue;
        const int student = studentOfLine(studentList_->item(i)->text());
        if (student >= 0)
            students.push_back(student);
    }
    std::optional<PrintTarget> target;
    if (k != 0 && levelList_->selectedItems().isEmpty())
        return;  // no level chosen: nothing to put on paper, nothing to ask
    if (k != 0) {
        // The PDF's name offered is the student's when the sheet is one
        // student's.
        const int only = students.empty() ? viewed_ : students.size() == 1 ? students.front() : -1;
        target = chooseTarget(k == 2, only);
        if (!target)
            return;
    }
    if (students.empty()) {
        drawSheet(k, target);
        return;
    }
    for (int student : students) {
        viewed_ = student;
        drawSheet(k, target, students.size() > 1);
    }
}

std::optional<PrintTarget> GraphPanel::chooseTarget(bool pdf, int onlyStudent)
{
    if (!pdf) {
        PrintTarget target{ctx_.printer().defaultPrinterName(), QString()};
        if (target.printerName.isEmpty()) {
            if (!ctx_.dialogs().question(QStringLiteral("印刷"), QStringLiteral("プリンタが設定されていません。PDFに保存しますか？")))
                return std::nullopt;
        } else {
            if (!ctx_.printDialogs().choosePrinter(QStringLiteral("印刷"), &target))
                return std::nullopt;
            return target;
        }
    }
    const QDate today = ctx_.clock().today();
    QString suggested = ctx_.programTitle;
    if (isValidStudentNumber(onlyStudent))
        suggested += u'_' + trimHalfWidthSpaces(ctx_.studentNames[std::size_t(onlyStudent)]);
    suggested += u'_' + today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".pdf");
    const QString path = ctx_.printDialogs().pdfFileName(QStringLiteral("PDFに保存"), suggested);
    if (path.isEmpty())
        return std::nullopt;
    return PrintTarget{QString(), path};
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
        b.studentName = isValidStudentNumber(viewed_) ? trimHalfWidthSpaces(ctx_.studentNames[std::size_t(viewed_)]) : QString();
        b.title = ctx_.programTitle + u' ' + menu_.levelName(place.level);
        b.runs = levelBlock(runs, place.level, viewed_, viewedPasses);
        b.table = comparisonTable(comparisonFigures(ctx_, place.level, viewed_, menu_.rankingMode(), grade), b.runs);
        blocks.push_back({place, std::move(b)});
    }
    return blocks;
}

void GraphPanel::drawSheet(int k, const std::optional<PrintTarget>& target, bool severalStudents)
{
    const std::vector<PlacedBlock> blocks = sheet();
    if (k == 0) {
        show();
        raise();
        // Drawn at the screen's own pixels: crisp on a 2x screen too.
        const qreal ratio = std::max<qreal>(1, surfaceWidget_->devicePixelRatioF());
        const QSize size = surfaceWidget_->size();
        if (surface_.size() != size * ratio || surface_.devicePixelRatio() != ratio) {
            surface_ = QImage(size * ratio, QImage::Format_RGB32);
            surface_.setDevicePixelRatio(ratio);
        }
        surface_.fill(Qt::white);
        QPainter p(&surface_);
        const SheetStyle style{chartFontPoints_, false, screenScale()};
        for (const PlacedBlock& b : blocks) {
            if (b.place.newPage)
                p.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), Qt::white);
            drawLevelBlock(p, QSizeF(size), b.block, style);
        }
        p.end();
        surfaceWidget_->update();
        return;
    }
    if (blocks.empty() || !target)
        return;  // no level chosen: nothing to put on paper
    QString error;
    // The student's name in the job's name tells the sheets apart in the
    // printer's queue.
    const QString name = blocks.front().block.studentName;
    PrintTarget where = *target;
    if (where.isPdf())
        where.pdfPath = pdfPathFor(target->pdfPath, name, severalStudents,
                                   [](const QString& path) { return QFileInfo::exists(path); });
    std::unique_ptr<PrintJob> job = ctx_.printer().begin(ctx_.programTitle + u' ' + name, where, &error);
    if (!job) {
        ctx_.dialogs().message(QStringLiteral("印刷"), error, Dialogs::Icon::Warning);
        return;
    }
    const SheetStyle style{6, true, job->resolution() / 96.0};
    const QString header = pageHeaderText(ctx_.schoolName, ctx_.clock().today());
    for (const PlacedBlock& b : blocks) {
        if (b.place.newPage)
            job->newPage();
        SheetBlock onPaper = b.block;
        onPaper.pageHeader = header;
        drawLevelBlock(job->painter(), job->pageSize(), onPaper, style);
    }
    if (!job->finish(&error))
        ctx_.dialogs().message(QStringLiteral("印刷"), error, Dialogs::Icon::Warning);
}

} // namespace soinsuu
