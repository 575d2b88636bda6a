#pragma once
// The name-selection window: the roster with each student's figures, the
// grade and display choices, and the confirmation of one name.

#include "roster_list.h"

#include "foundation/runcontext.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace soinsuu {

class namesel : public QWidget {
    Q_OBJECT
public:
    explicit namesel(RunContext& ctx, QWidget* parent = nullptr);

    // Rebuilds the name list for the grade choice and display kind. False
    // when the program is ending.
    bool 名簿表示();
    void confirm();
    void leave();
    int displayKind() const { return displayKind_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open();
    void lineChosen(int row);
    bool handleKey(QObject* watched, QKeyEvent* event);

    RunContext& ctx_;
    bool opened_ = false;
    bool building_ = false;
    bool rebuildWanted_ = false;
    int displayKind_ = 1;
    RosterListing listing_;
    QLabel* title_;
    QPushButton* leaveButton_;
    QLabel* chosen_;
    QLabel* number_;
    QPushButton* confirmButton_;
    QRadioButton* options_[4];
    QComboBox* grade_;
    QListWidget* list_;
    QWidget* waitPanel_;
};

} // namespace soinsuu
