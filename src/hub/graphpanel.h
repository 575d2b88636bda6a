#pragma once
// The graph panel of the student menu: the sheet of one student's level
// blocks on screen, the level and student lists that choose them, and the
// teacher's printing of the same sheets.

#include "hub/graphsheet.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

class QListWidget;
class QPushButton;

namespace soinsuu {

class GraphPanel : public QWidget {
    Q_OBJECT
public:
    // What the panel asks of the menu when it draws: the grade box text,
    // the points ranking mode and the text of a level's name label.
    struct Menu {
        std::function<QString()> gradeChoice;
        std::function<PointsMode()> rankingMode;
        std::function<QString(int level)> levelName;
    };
    GraphPanel(RunContext& ctx, Menu menu, QWidget* parent);

    // Fills the level list and reads the roster for the student list.
    void fillLists();
    // The graph button: the current student's sheet of levels 1 to 3.
    void openForCurrentStudent();
    // The display (0), print (1) and PDF (2) buttons.
    void output(int k);

    int viewedStudent() const { return viewed_; }
    void setViewedStudent(int student) { viewed_ = student; }
    const QImage& surface() const { return surface_; }

private:
    struct PlacedBlock {
        BlockPlace place;
        SheetBlock block;
    };
    // The viewed student's blocks of the chosen levels, in order.
    std::vector<PlacedBlock> sheet();
    // Printing asks the teacher for a printer (or, with no printer at all,
    // whether to save a PDF instead); the PDF button for a file.
    std::optional<PrintTarget> chooseTarget(bool pdf, int onlyStudent);
    void drawSheet(int k, const std::optional<PrintTarget>& target = std::nullopt, bool severalStudents = false);

    RunContext& ctx_;
    Menu menu_;
    int viewed_ = 0;
    double chartFontPoints_ = 6;
    int firstLevelOffset_ = 1;
    QImage surface_;
    QWidget* surfaceWidget_;
    QListWidget* levelList_;
    QListWidget* studentList_;
    QPushButton* printButton_;
    QPushButton* pdfButton_;
    QPushButton* otherButton_;
};

} // namespace soinsuu
