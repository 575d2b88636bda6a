#pragma once
// The graph sheet: for each chosen level a block with the student's run
// times as a chart beside the comparison table, on screen or on paper,
// three blocks to a page. Plain code: the student list, where the blocks
// go, and the drawing of one block with any painter.

#include "hub/personal.h"

#include <QDate>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPainter;

namespace soinsuu {

// Reads the roster file again for the sheet's student list, bringing the
// names, birth years and grade names up to date; one line per listed
// entry, in file order: grade name, " /  ", name, "/", number. False (with
// a Japanese description naming the file) when the roster cannot be read.
bool graphStudentLines(RunContext& ctx, QStringList* lines, QString* error);
// The student number at the end of a student list line; -1 when none.
int studentOfLine(const QString& line);

// Where the blocks of the chosen level lines go: their tops as shares of
// the page height, and whether a block starts a new page (or clears the
// screen). `lines` are the 1-based positions of the chosen lines.
struct BlockPlace {
    int level = 0;
    double top = 0;
    bool newPage = false;
};
std::vector<BlockPlace> placeBlocks(const std::vector<int>& lines, int firstLevelOffset, int levelCount);

// Everything one block shows.
struct SheetBlock {
    double top = 0;  // share of the page height
    QString studentName;
    QString title;  // program title and level name
    LevelBlock runs;
    QStringList table;
    // On paper, above the first block of a page: the school and the day.
    QString pageHeader;
};

struct SheetStyle {
    double fontPoints = 6;  // the chart font size
    bool printer = false;
    double pixel = 1;  // device pixels to a screen pixel, for line widths
};

// Draws one block on a page (or surface) of the given size, in the page's
// own units (a 2x screen's image is drawn at twice its pixels by the
// painter). No text is crossed by a line or covers another: titles and
// names shrink to their bands, the table closes up to end above the next
// block, and a record label that finds no free place among close runs is
// left out.
void drawLevelBlock(QPainter& painter, const QSizeF& page, const SheetBlock& block, const SheetStyle& style);

// The small header of every printed page: the school and the day of
// printing.
QString pageHeaderText(const QString& schoolName, const QDate& printed);

// The PDF file of one student's sheet: the chosen file itself when one
// student is printed; with several, one file each beside it, named after
// the student, never one that is taken already.
QString pdfPathFor(const QString& chosen, const QString& studentName, bool several,
                   const std::function<bool(const QString&)>& taken);

// The record point label's date: the full date, or month and day only when
// the year is the same as the previous record point's.
QString recordDateText(const QString& date, const QString& previousDate);

} // namespace soinsuu
