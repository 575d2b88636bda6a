#include "admin/criteria_grid.h"
#include "admin/frmtimedata.h"
#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace soinsuu;

namespace {

const QString kHeading = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
const QString kLevels = QStringLiteral(
    "60,120,30,5,1.5,10,200,7,1,,,\r\n"
    "50,100,30,5,1,0,0,7,1,,,\r\n"
    "60,120,40,5,1,0,0,7,1,,,\r\n"
    "80,150,40,5,2,0,0,7,1,メモ,,\r\n");

const QColor kYellow(255, 255, 0);

// A key press on the cell editor: a key code, or a text typed as it is.
struct Key {
    int code = 0;
    bool shift = false;
    QString typed;
};
Key press(int code, bool shift = false) { return Key{code, shift, {}}; }
Key type(const QString& text) { return Key{0, false, text}; }

} // namespace

Q_DECLARE_METATYPE(Key)
Q_DECLARE_METATYPE(QList<Key>)

class TestFrmTimeData : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<FrmTimeData> window_;

    RunContext& ctx() { return **t_; }
    QTableWidget* grid() { return window_->findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1")); }
    QLineEdit* editor() { return window_->findChild<QLineEdit*>(QStringLiteral("Gridinputtext")); }
    QListWidget* list(const char* name) { return window_->findChild<QListWidget*>(QString::fromLatin1(name)); }
    QString label(const char* name) { return window_->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    QPushButton* button(const char* name) { return window_->findChild<QPushButton*>(QString::fromLatin1(name)); }
    QString cell(int row, int column) { return grid()->item(row, column)->text(); }
    bool yellow(int row, int column) { return grid()->item(row, column)->background().color() == kYellow; }

    void run(int level, int student, int time)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today());
        r.Bangou = std::int16_t(student);
        r.level = std::int16_t(level);
        r.time = time;
        QCOMPARE(appendRecord(resultsFilePath(ctx()), r).status, FileStatus::Ok);
    }

    QString fileText()
    {
        QFile f(criteriaFilePath(ctx()));
        return f.open(QIODevice::ReadOnly) ? cp932::decode(f.readAll()) : QString();
    }
    QStringList fileLine(int n) { return fileText().split(QStringLiteral("\r\n")).value(n).split(u','); }

    void open()
    {
        window_ = std::make_unique<FrmTimeData>(ctx());
        window_->resize(1024, 768);
        window_->show();
    }

    void keys(const QList<Key>& sequence)
    {
        for (const Key& k : sequence) {
            if (!k.typed.isEmpty()) {
                // Typed character by character, as a keyboard (or the input method) would.
                for (const QChar ch : k.typed) {
                    const int code = ch.unicode() < 128 ? QChar(ch).toUpper().unicode() : 0;
                    QKeyEvent down(QEvent::KeyPress, code, Qt::NoModifier, QString(ch));
                    QApplication::sendEvent(editor(), &down);
                    QKeyEvent up(QEvent::KeyRelease, code, Qt::NoModifier, QString(ch));
                    QApplication::sendEvent(editor(), &up);
                }
            } else
                QTest::keyClick(editor(), Qt::Key(k.code), k.shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
    }

    // The editor lies over the current cell and holds its text.
    void checkEditorOnCurrentCell()
    {
        const int row = window_->currentRow();
        const int column = window_->currentColumn();
        QCOMPARE(editor()->text(), cell(row, column));
        QCOMPARE(editor()->geometry(), grid()->visualItemRect(grid()->item(row, column)));
        QVERIFY(editor()->isVisible());
        // In sight, below the headings.
        QVERIFY(grid()->viewport()->rect().contains(editor()->geometry()));
        auto* headings = grid()->findChild<QTableView*>(QStringLiteral("MSFlexGrid1_headings"));
        QVERIFY(editor()->mapTo(window_.get(), QPoint(0, 0)).y() >= headings->mapTo(window_.get(), QPoint(0, headings->height())).y());
        QCOMPARE(label("Label3"), columnExplanation(column));
        QCOMPARE(window_->distributionLevel(), row);
        QVERIFY(list("List3")->item(0)->text().startsWith(QStringLiteral("レベル%1 ").arg(row)));
    }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        window_.reset();
        t_ = test::freshRunContext(dir_.path());
        ctx().seasonColour = QColor(192, 255, 192);
        test::writeCp932(criteriaFilePath(ctx()), kHeading + kLevels);
        QVERIFY(loadCriteria(ctx()));
        // Level 2: one student's runs of 45, 38 and 52 s, another's 400 s.
        run(2, 7, 45);
        run(2, 7, 38);
        run(2, 7, 52);
        run(2, 9, 400);
        run(1, 7, kNoTime);
    }

    void cleanup()
    {
        window_.reset();
        setResultsOpenFault({});
    }

    // Every heading stands over its own column, edge on edge, on screens of
    // the design size and larger, whatever font the desktop gives widgets
    // (a header's narrowest column follows it).
    void headingsOverTheirColumns_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("desktopFontPixels");
        QTest::newRow("1024x768") << 1.0 << 0;
        QTest::newRow("1920x1080") << 1080.0 / 768 << 0;
        QTest::newRow("2560x1440") << 1440.0 / 768 << 0;
        QTest::newRow("1024x768, a large desktop font") << 1.0 << 20;
        QTest::newRow("1920x1080, a large desktop font") << 1080.0 / 768 << 24;
    }
    void headingsOverTheirColumns()
    {
        QFETCH(double, scale);
        QFETCH(int, desktopFontPixels);
        const QFont desktop = QApplication::font();
        if (desktopFontPixels > 0) {
            QFont large = desktop;
            large.setPixelSize(desktopFontPixels);
            QApplication::setFont(large);
        }
        setScreenScale(scale);
        open();
        setScreenScale(1.0);
        QApplication::setFont(desktop);
        auto* headings = grid()->findChild<QTableView*>(QStringLiteral("MSFlexGrid1_headings"));
        QVERIFY(headings->isVisible());
        for (int c = 0; c < 13; ++c) {
            const QRect head = headings->visualRect(headings->model()->index(0, c));
            const QRect cellRect = grid()->visualRect(grid()->model()->index(1, c));
            const QPoint headLeft = headings->viewport()->mapTo(window_.get(), head.topLeft());
            const QPoint cellLeft = grid()->viewport()->mapTo(window_.get(), cellRect.topLeft());
            QCOMPARE(headLeft.x(), cellLeft.x());
            QCOMPARE(head.width(), cellRect.width());
            // Right above the first level, with nothing between.
            QVERIFY(cellLeft.y() - headings->viewport()->mapTo(window_.get(), head.bottomLeft()).y() <= 2);
        }
    }

    void opening()
    {
        open();
        QCOMPARE(grid()->columnCount(), 13);
        QCOMPARE(grid()->rowCount(), 5);
        QCOMPARE(window_->criteriaRowCount(), 4);
        QCOMPARE(window_->criteriaChanged(), 0);
        const QStringList headings{"レベル", "目標Time", "最低Time", "ｸﾘｱﾎﾟｲﾝﾄ", "ｸﾘｱ回数", "ﾎﾟｲﾝﾄ倍率", "禁回", "禁点", "判期間", "禁期間", "", "", ""};
        for (int c = 0; c < 13; ++c)
            QCOMPARE(cell(0, c), headings[c]);
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(cell(r, 0), QString::number(r));
        QCOMPARE(cell(4, 10), QStringLiteral("メモ"));
        QCOMPARE(cell(2, 1), QStringLiteral("50"));
        QCOMPARE(window_->currentRow(), 1);
        QCOMPARE(window_->currentColumn(), 1);
        checkEditorOnCurrentCell();
        QCOMPARE(label("Label1"), QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"));
        QCOMPARE(label("Label5"), QStringLiteral("成績の基準となるデータを変更できます"));
        QCOMPARE(button("Command3")->text(), QStringLiteral("更新記録"));
        QCOMPARE(button("Command2")->text(), QStringLiteral("元に戻す"));
        QCOMPARE(button("Command4")->text(), QStringLiteral("戻る"));
        auto* wait = window_->findChild<QLabel*>(QStringLiteral("Picture6"));
        QCOMPARE(wait->text(), QStringLiteral("Just a moment,please."));
        QVERIFY(!wait->isVisible());
        // Level 1 holds one timed-out run.
        QCOMPARE(list("List3")->count(), 102);
        QCOMPARE(list("List3")->item(0)->text(), QStringLiteral("レベル1 今まで1回  （★=1）"));
        QCOMPARE(list("List3")->item(101)->text(), QStringLiteral("1000～★"));
        QCOMPARE(list("List4")->item(0)->text(), QStringLiteral("レベル1 （★=1）"));
        QCOMPARE(list("List4")->item(31)->text(), QStringLiteral(" 300～★"));
        QVERIFY(t_->dialogs.shown.empty());
    }

    void navigation_data()
    {
        QTest::addColumn<QList<Key>>("sequence");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("right and down") << QList<Key>{press(Qt::Key_Right), press(Qt::Key_Down)} << 2 << 2;
        QTest::newRow("up and left back") << QList<Key>{press(Qt::Key_Right), press(Qt::Key_Down), press(Qt::Key_Up), press(Qt::Key_Left)} << 1 << 1;
        QTest::newRow("up in row 1 stays") << QList<Key>{press(Qt::Key_Up)} << 1 << 1;
        QTest::newRow("left in column 1 stays") << QList<Key>{press(Qt::Key_Down), press(Qt::Key_Left)} << 2 << 1;
        QTest::newRow("right stops at column 12") << QList<Key>(13, press(Qt::Key_Right)) << 1 << 12;
        QTest::newRow("down stops at the last row") << QList<Key>(6, press(Qt::Key_Down)) << 4 << 1;
        QTest::newRow("escape and enter stay") << QList<Key>{press(Qt::Key_Down), press(Qt::Key_Escape), press(Qt::Key_Return)} << 2 << 1;
    }
    void navigation()
    {
        QFETCH(QList<Key>, sequence);
        QFETCH(int, row);
        QFETCH(int, column);
        open();
        keys(sequence);
        QCOMPARE(window_->currentRow(), row);
        QCOMPARE(window_->currentColumn(), column);
        checkEditorOnCurrentCell();
        QCOMPARE(window_->criteriaChanged(), 0);
    }

    void typing_data()
    {
        QTest::addColumn<QList<Key>>("sequence");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("90 over 60 in row 3 column 1")
            << QList<Key>{press(Qt::Key_Down), press(Qt::Key_Down), press(Qt::Key_Space), type("90")} << 3 << 1 << "90";
        QTest::newRow("space clears a cell")
            << QList<Key>{press(Qt::Key_Right), press(Qt::Key_Right), press(Qt::Key_Right), press(Qt::Key_Right),
                          press(Qt::Key_Right), press(Qt::Key_Space)}
            << 1 << 6 << "";
        QTest::newRow("backspace takes the last digit") << QList<Key>{press(Qt::Key_Backspace), type("5")} << 1 << 1 << "65";
        QTest::newRow("text in a spare column")
            << QList<Key>(11, press(Qt::Key_Right)) + QList<Key>{type("済")} << 1 << 12 << "済";
    }
    void typing()
    {
        QFETCH(QList<Key>, sequence);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        open();
        keys(sequence);
        QCOMPARE(cell(row, column), text);
        QCOMPARE(editor()->text(), text);
        QVERIFY(yellow(row, column));
        QVERIFY(!yellow(row == 1 ? 2 : 1, column));
        QCOMPARE(window_->criteriaChanged(), 1);

        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QCOMPARE(window_->criteriaChanged(), 0);
        QVERIFY(t_->dialogs.shown.empty());
        QCOMPARE(fileLine(0).join(u','), kHeading.chopped(2));
        QCOMPARE(fileLine(row).value(column - 1), text);
        QCOMPARE(fileLine(row).size(), 12);
        // Only the edited field differs from what was there.
        QStringList before = kLevels.split(QStringLiteral("\r\n")).value(row - 1).split(u',');
        before[column - 1] = text;
        QCOMPARE(fileLine(row), before);
        QVERIFY(fileText().endsWith(QStringLiteral("\r\n")));
        // The drill uses the new value at once; the mark stays until a reload.
        if (column == 1)
            QCOMPARE(ctx().criteria[std::size_t(row)].targetTime, text.toInt());
        QVERIFY(yellow(row, column));
        QVERIFY(editor()->hasFocus() || !window_->isActiveWindow());
    }

    void copyDown_data()
    {
        QTest::addColumn<QList<Key>>("sequence");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("texts");     // rows 1..4 of the column afterwards
        QTest::addColumn<QList<bool>>("marked");    // rows 1..4 yellow
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("selectionEnd");
        const Key shiftDown = press(Qt::Key_Down, true);
        QTest::newRow("two rows down, one of them different")
            << QList<Key>{press(Qt::Key_Right), shiftDown, shiftDown} << 2 << QStringList{"120", "120", "120", "150"}
            << QList<bool>{false, true, false, false} << 1 << 3;
        QTest::newRow("stops at the last row")
            << QList<Key>{press(Qt::Key_Down)} + QList<Key>(5, shiftDown) << 1 << QStringList{"60", "50", "50", "50"}
            << QList<bool>{false, false, true, true} << 1 << 4;
        QTest::newRow("the same value changes nothing")
            << QList<Key>(7, press(Qt::Key_Right)) + QList<Key>(3, shiftDown) << 8 << QStringList{"7", "7", "7", "7"}
            << QList<bool>{false, false, false, false} << 0 << 4;
        QTest::newRow("nothing below the last row")
            << QList<Key>(3, press(Qt::Key_Down)) + QList<Key>{shiftDown} << 1 << QStringList{"60", "50", "60", "80"}
            << QList<bool>{false, false, false, false} << 0 << 4;
        QTest::newRow("a typed value filled down")
            << QList<Key>{press(Qt::Key_Right), press(Qt::Key_Right), press(Qt::Key_Space), type("9"), shiftDown} << 3
            << QStringList{"9", "9", "40", "40"} << QList<bool>{true, true, false, false} << 1 << 2;
    }
    void copyDown()
    {
        QFETCH(QList<Key>, sequence);
        QFETCH(int, column);
        QFETCH(QStringList, texts);
        QFETCH(QList<bool>, marked);
        QFETCH(int, changed);
        QFETCH(int, selectionEnd);
        open();
        const int startRow = 1 + int(std::count_if(sequence.begin(), sequence.end(),
                                                   [](const Key& k) { return k.code == Qt::Key_Down && !k.shift; }));
        keys(sequence);
        for (int r = 1; r <= 4; ++r) {
            QCOMPARE(cell(r, column), texts[r - 1]);
            QCOMPARE(yellow(r, column), marked[r - 1]);
        }
        QCOMPARE(window_->criteriaChanged(), changed);
        // The current cell stays; the copied rows are shown selected.
        QCOMPARE(window_->currentRow(), startRow);
        QCOMPARE(window_->currentColumn(), column);
        checkEditorOnCurrentCell();
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(grid()->item(r, column)->isSelected(), selectionEnd > startRow && r >= startRow && r <= selectionEnd);
        // Moving on drops the selection.
        keys({press(Qt::Key_Down)});
        QVERIFY(grid()->selectedItems().isEmpty());
    }

    void reloadKeepsChanged()
    {
        open();
        keys({press(Qt::Key_Down), press(Qt::Key_Down), press(Qt::Key_Space), type("90")});
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        QCOMPARE(cell(3, 1), QStringLiteral("60"));
        QVERIFY(!yellow(3, 1));
        QCOMPARE(window_->criteriaChanged(), 1);
        QCOMPARE(window_->currentRow(), 3);
        checkEditorOnCurrentCell();

        // Leaving still asks; Yes writes the reloaded values back.
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t_->dialogs.shown[0].title, QStringLiteral("注意"));
        QCOMPARE(t_->dialogs.shown[0].text, QStringLiteral("データが変更されています。記録しますか？"));
        QCOMPARE(fileText(), kHeading + kLevels);
        QCOMPARE(t_->navigator.calls, QStringList{"showStudentMenu"});
        QVERIFY(!window_->isVisible());
    }

    // A file gone meanwhile is reported, and the grid keeps what the teacher sees.
    void reloadFailureKeepsGrid()
    {
        open();
        keys({press(Qt::Key_Space), type("75")});
        QVERIFY(QFile::remove(criteriaFilePath(ctx())));
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(criteriaFilePath(ctx())));
        QCOMPARE(window_->criteriaRowCount(), 4);
        QCOMPARE(cell(1, 1), QStringLiteral("75"));
        QVERIFY(yellow(1, 1));
        QCOMPARE(window_->criteriaChanged(), 1);
        // Saving puts the file back.
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QCOMPARE(fileLine(1).value(0), QStringLiteral("75"));
        QCOMPARE(fileLine(4).value(9), QStringLiteral("メモ"));
    }

    void leave_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("saved");
        QTest::newRow("no changes: no question") << false << true << false << false;
        QTest::newRow("changes, No: left unsaved") << true << false << true << false;
        QTest::newRow("changes, Yes: saved first") << true << true << true << true;
    }
    void leave()
    {
        QFETCH(bool, edit);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(bool, saved);
        open();
        if (edit)
            keys({press(Qt::Key_Space), type("75")});
        t_->dialogs.answers.push_back(answer);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(asked ? 1 : 0));
        QCOMPARE(fileLine(1).value(0), saved ? QStringLiteral("75") : QStringLiteral("60"));
        QCOMPARE(ctx().criteria[1].targetTime, saved ? 75 : 60);
        QCOMPARE(t_->navigator.calls, QStringList{"showStudentMenu"});
        QVERIFY(!window_->isVisible());
        QVERIFY(window_->findChild<QLabel*>(QStringLiteral("Picture6"))->isVisibleTo(window_.get()));
    }

    // A change that cannot be saved keeps the teacher in the editor, and the
    // file as it was.
    void leaveWithUnsavableChange()
    {
        open();
        keys({press(Qt::Key_Space), type("6O")});
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(2));
        QCOMPARE(t_->dialogs.shown[1].title, QStringLiteral("更新記録"));
        QVERIFY(t_->dialogs.shown[1].text.contains(QStringLiteral("レベル1の「目標Time」（1列目）の「6O」：数値ではありません")));
        QVERIFY(t_->dialogs.shown[1].text.contains(criteriaFilePath(ctx())));
        QCOMPARE(fileText(), kHeading + kLevels);
        QVERIFY(t_->navigator.calls.isEmpty());
        QVERIFY(window_->isVisible());
        QVERIFY(!window_->findChild<QLabel*>(QStringLiteral("Picture6"))->isVisible());
        QCOMPARE(window_->criteriaChanged(), 1);
        // The refused cell still shows as changed, with what was typed.
        QCOMPARE(cell(1, 1), QStringLiteral("6O"));
        QVERIFY(yellow(1, 1));
    }

    // A file that cannot be replaced is named in the message, and the edit
    // still counts as unsaved.
    void saveFailureReported()
    {
        open();
        keys({press(Qt::Key_Space), type("75")});
        QVERIFY(QFile::remove(criteriaFilePath(ctx())));
        QVERIFY(QDir().mkpath(criteriaFilePath(ctx())));
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(criteriaFilePath(ctx())));
        QVERIFY(t_->dialogs.shown[0].text.contains(QStringLiteral("記録できません")));
        QCOMPARE(window_->criteriaChanged(), 1);
        QCOMPARE(ctx().criteria[1].targetTime, 60);
        QVERIFY(!window_->findChild<QLabel*>(QStringLiteral("Picture6"))->isVisible());
        QVERIFY(QDir().rmdir(criteriaFilePath(ctx())));
    }

    void mouseClick_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("moves");
        QTest::newRow("a criteria cell") << 2 << 4 << true;
        QTest::newRow("a spare cell") << 4 << 10 << true;
        QTest::newRow("the heading row") << 0 << 3 << false;
        QTest::newRow("the level column") << 3 << 0 << false;
    }
    void mouseClick()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, moves);
        open();
        if (row == 0) {
            // The headings are shown by a view of their own that stays on top.
            auto* headings = grid()->findChild<QTableView*>(QStringLiteral("MSFlexGrid1_headings"));
            const QRect r = headings->visualRect(headings->model()->index(0, column));
            QVERIFY(!r.isEmpty());
            QTest::mouseClick(headings->viewport(), Qt::LeftButton, {}, r.center());
        } else {
            const QRect r = grid()->visualItemRect(grid()->item(row, column));
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(window_->currentRow(), moves ? row : 1);
        QCOMPARE(window_->currentColumn(), moves ? column : 1);
        checkEditorOnCurrentCell();
    }

    // The histograms follow the current row and are read afresh each time.
    void distributionFollowsRow()
    {
        open();
        keys({press(Qt::Key_Down)});
        const QStringList all = [&] {
            QStringList lines;
            for (int i = 0; i < list("List3")->count(); ++i)
                lines << list("List3")->item(i)->text();
            return lines;
        }();
        QCOMPARE(all[0], QStringLiteral("レベル2 今まで4回  （★=1）"));
        QCOMPARE(all.mid(4, 3), (QStringList{"  30～★", "  40～★", "  50～★"}));
        QCOMPARE(all[41], QStringLiteral(" 400～★"));
        QCOMPARE(list("List4")->item(4)->text(), QStringLiteral("  30～★"));
        QCOMPARE(list("List4")->item(5)->text(), QStringLiteral("  40～"));
        QCOMPARE(list("List4")->item(31)->text(), QStringLiteral(" 300～★"));

        run(2, 11, 31);
        keys({press(Qt::Key_Return)});
        QCOMPARE(list("List3")->item(0)->text(), QStringLiteral("レベル2 今まで5回  （★=1）"));
        QCOMPARE(list("List4")->item(4)->text(), QStringLiteral("  30～★★"));
    }

    void resultsUnreadable()
    {
        setResultsOpenFault([] { return EIO; });
        open();
        keys({press(Qt::Key_Down), press(Qt::Key_Down)});
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(resultsFilePath(ctx())));
        QCOMPARE(list("List3")->item(0)->text(), QStringLiteral("レベル3 今まで0回  （★=1）"));
        // Once the file can be read again the lists fill and a later failure is told again.
        setResultsOpenFault({});
        keys({press(Qt::Key_Up)});
        QCOMPARE(list("List3")->item(0)->text(), QStringLiteral("レベル2 今まで4回  （★=1）"));
        setResultsOpenFault([] { return EIO; });
        keys({press(Qt::Key_Up)});
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(2));
    }

    // With every level of the table the grid scrolls; the current cell and
    // the headings stay in sight.
    void longLevelList()
    {
        QString text = kHeading;
        for (int level = 1; level <= kMaxLevel; ++level)
            text += QStringLiteral("%1,120,30,5,1,0,0,7,1,,,\r\n").arg(level * 10);
        test::writeCp932(criteriaFilePath(ctx()), text);
        open();
        QCOMPARE(window_->criteriaRowCount(), kMaxLevel);
        keys(QList<Key>(40, press(Qt::Key_Down)) + QList<Key>(11, press(Qt::Key_Right)));
        QCOMPARE(window_->currentRow(), kMaxLevel);
        QCOMPARE(window_->currentColumn(), 12);
        checkEditorOnCurrentCell();
        keys(QList<Key>(11, press(Qt::Key_Left)));
        QCOMPARE(editor()->text(), QStringLiteral("350"));
        checkEditorOnCurrentCell();
        keys(QList<Key>(40, press(Qt::Key_Up)));
        QCOMPARE(editor()->text(), QStringLiteral("10"));
        checkEditorOnCurrentCell();
    }

    void missingCriteriaFile()
    {
        QFile::remove(criteriaFilePath(ctx()));
        open();
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(criteriaFilePath(ctx())));
        QCOMPARE(window_->criteriaRowCount(), 0);
        QCOMPARE(grid()->rowCount(), 1);
        QCOMPARE(cell(0, 1), QStringLiteral("目標Time"));
        QVERIFY(!editor()->isVisible());
        keys({press(Qt::Key_Down), press(Qt::Key_Right), press(Qt::Key_Down, true), press(Qt::Key_Space), type("5")});
        QCOMPARE(window_->criteriaChanged(), 0);
        // A save with nothing read would write a file of headings only, which
        // start-up takes for every criterion 0.
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(2));
        QVERIFY(t_->dialogs.shown[1].text.contains(QStringLiteral("読み込まれていない")));
        QVERIFY(!QFile::exists(criteriaFilePath(ctx())));
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(2));
        QCOMPARE(t_->navigator.calls, QStringList{"showStudentMenu"});
        QVERIFY(!QFile::exists(criteriaFilePath(ctx())));
    }
};

QTEST_MAIN(TestFrmTimeData)
#include "test_frmtimedata.moc"
