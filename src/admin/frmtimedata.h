#pragma once
// The teacher's criteria editor: the criteria file in a grid, one row per
// level, with the selected column explained and the school's times of the
// selected level spread out beside it.

#include "foundation/runcontext.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTableWidget;

namespace soinsuu {

class FrmTimeData : public QWidget {
    Q_OBJECT
public:
    explicit FrmTimeData(RunContext& ctx, QWidget* parent = nullptr);

    // Copies the cell editor's text into the current cell, marking the cell
    // yellow when the text differs from it.
    void TextToGrid転送();
    // Loads the cell editor with the current cell, caret at the end.
    void GridToText転送();
    // Lays the cell editor over the current cell, gives it the focus and
    // explains the current column.
    void 入力欄配置説明表示();

    // The three buttons: save, reload from the file, leave.
    void save();
    void reload();
    void leave();
    // Recomputes both histograms for the current row.
    void refreshDistribution();

    int criteriaChanged() const { return criteriaChanged_; }
    int criteriaRowCount() const { return criteriaRowCount_; }
    int distributionLevel() const { return distributionLevel_; }
    int currentRow() const { return row_; }
    int currentColumn() const { return column_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void showHeadings();
    bool handleKey(QKeyEvent* event);
    void moveTo(int row, int column);
    void copyDown();
    void showSelection();
    void showEditorColour();
    void setCellText(int row, int column, const QString& text);
    QString cellText(int row, int column) const;
    bool saveRows();
    void showWait(bool shown);

    RunContext& ctx_;
    std::int16_t criteriaChanged_ = 0;
    int criteriaRowCount_ = 0;
    int distributionLevel_ = 0;
    int row_ = 1;
    int column_ = 1;
    int selectionEnd_ = 1;  // last row of the Shift + ↓ selection
    bool readFailureShown_ = false;
    bool editorMarked_ = false;

    QTableWidget* grid_;
    QTableView* headings_;
    QLineEdit* editor_;
    QLabel* explanation_;
    QListWidget* allRuns_;
    QListWidget* bestTimes_;
    QPushButton* saveButton_;
    QPushButton* reloadButton_;
    QPushButton* backButton_;
    QWidget* wait_;
};

} // namespace soinsuu
