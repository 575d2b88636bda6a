#pragma once
// The teacher's records maintenance window: every record of the results
// file as one line; a double-click opens the edit panel, where the time and
// the student of the record can be corrected, or the record deleted.

#include "admin/records_maintenance.h"
#include "foundation/runcontext.h"

#include <QByteArray>
#include <QWidget>
#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace soinsuu {

class FrmData : public QWidget {
    Q_OBJECT
public:
    explicit FrmData(RunContext& ctx, QWidget* parent = nullptr);

    // Reads the roster and the results file again and refills the list.
    // False (after a message) when the results file could not be read; the
    // list is then empty.
    bool buildList();
    // Opens the edit panel on the record of list row `row`.
    void openRecord(int row);
    void saveRecord();
    void deleteRecord();
    void cancelEdit();
    void leave();

    std::int64_t chosenRecord() const { return chosenRecord_; }
    // The record number each list row shows, row by row.
    const std::vector<std::int64_t>& lineRecords() const { return lineRecords_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void loadRoster();
    void hidePanel();
    void selectRecordLine(std::int64_t number);
    void showGradeFor(const QString& studentText);
    void reportChange(const QString& title, const ChangeResult& result);

    RunContext& ctx_;
    bool opened_ = false;
    std::int64_t chosenRecord_ = 0;
    QByteArray chosenBytes_;  // the chosen record as read for the panel
    QByteArray listBytes_;    // the whole records the list was built from
    std::int64_t listFirstRecord_ = 1;
    std::vector<std::int64_t> lineRecords_;
    MaintenanceRoster roster_;
    bool settingTime_ = false;

    QListWidget* list_;
    QWidget* hintPanel_;
    QLabel* hint_;
    QPushButton* back_;
    QWidget* panel_;
    QLabel* number_;
    QLabel* level_;
    QLabel* date_;
    QLabel* grade_;
    QLabel* seconds_;
    QLineEdit* time_;
    QScrollBar* scroll_;
    QComboBox* student_;
    QPushButton* save_;
    QPushButton* delete_;
    QPushButton* cancel_;
    QWidget* cover_;
};

} // namespace soinsuu
