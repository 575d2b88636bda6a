#pragma once
// The student menu: one column per level with its targets and the
// student's counts, the start buttons with the over-practice ban, and the
// way back to name selection. The results lists fill the column lists.

#include "foundation/runcontext.h"
#include "hub/results_lists.h"

#include <QWidget>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace soinsuu {

class GraphPanel;

class seisekitime1 : public QWidget {
    Q_OBJECT
public:
    explicit seisekitime1(RunContext& ctx, QWidget* parent = nullptr);

    // Starts level i from its start button (or a key), or from its name.
    void startLevel(int level, bool fromName = false);
    // Enables the start buttons the student may use and shows the bans.
    void updateLevelAccess();
    void goBack();
    bool menuReady() const { return menuReady_ == 1; }

    // The results lists: view kinds 0 (time), 1 (points), 2 (personal);
    // list options 1 to 3.
    void viewKindChanged(int kind);
    void listOptionChanged(int option);
    void 回数など表示();
    void 成績リスト色表示();
    void 成績リスト色表示単独(int level);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Column {
        QLabel* number;
        QLabel* name;
        QPushButton* start;
        QLabel* target;
        QLabel* judgement;
        QLabel* todayHeader;
        QLabel* allHeader;
        QLabel* today;
        QLabel* allTime;
        QLabel* banBox;
        QListWidget* list;
    };
    void build();
    void buildViewControls();
    void activate();
    void beginRebuild();
    void endRebuild();
    void showList(int level, const QStringList& lines);
    RunListProgress runListProgress();
    void bestList();
    void todayList();
    void periodList();
    void personalList();
    bool handleKey(QKeyEvent* event);

    RunContext& ctx_;
    bool activated_ = false;
    bool starting_ = false;
    std::int16_t menuReady_ = 0;
    std::int16_t suppressViewRefresh_ = 0;
    int viewKind_ = 2;
    int period_ = 3;
    int rankingMode_ = 1;
    QRadioButton* kindButtons_[3] = {};
    QRadioButton* listOptions_[4] = {};  // 1..3
    QWidget* optionPanel_ = nullptr;
    QWidget* busyPanel_ = nullptr;
    QProgressBar* busyProgress_ = nullptr;
    std::vector<Column> columns_;  // index 0 is level 1
    QLabel* title_;
    QLabel* student_;
    QLabel* number_;
    QLabel* workingTime_;
    QLabel* todayTotal_;
    QLabel* listCaption_;
    QPushButton* backButton_;
    QPushButton* dataButton_;
    QPushButton* graphButton_;
    GraphPanel* graphPanel_;
    QWidget* dataPanel_;
    QComboBox* grade_;
    QComboBox* periodBox_;
    QWidget* waitCover_;
    QProgressBar* progress_;
};

} // namespace soinsuu
