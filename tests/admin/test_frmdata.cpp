// The records maintenance window driven as a teacher would: double-clicking
// lines, typing in the edit panel, saving, deleting and leaving.

#include "admin/frmdata.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "results/resultsfile.h"
#include "numbered_records.h"
#include "support/fakes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace soinsuu;

namespace {

// Today is 2026-12-09 with the school year starting in April: school year
// 2026. Birth year 2017 is grade 3 (小３), 2014 grade 6 (小６).
const QString kRoster = QStringLiteral(
    "12,2017,0,0,\"生徒Ａ\",0,\"\",\"\"\r\n"
    "15,2014,0,0,\"生徒Ｂ\",1,\"\",\"\"\r\n"
    "100,1980,0,0,\"先生\",0,\"\",\"\"\r\n");

// Record i carries time i, student 12 and level 3.
ResultRecord numbered(int i, int level = 3) { return test::numbered(i, QDate(2026, 12, 1), 12, level); }
QByteArray numberedFile(int count, int fragment = 0) { return test::numberedFile(count, fragment, QDate(2026, 12, 1), 12); }
using test::oneTo;

} // namespace

class TestFrmData : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    RunContext& ctx() { return **t_; }
    QString path() { return resultsFilePath(ctx()); }

    void writeResults(const QByteArray& bytes)
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QByteArray results() { return test::readBytes(path()); }
    QList<int> storedTimes() { return test::timesIn(results()); }

    template <typename T>
    static T* part(FrmData& w, const char* name)
    {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    static QListWidget* list(FrmData& w) { return part<QListWidget>(w, "List1"); }
    static QWidget* panel(FrmData& w) { return part<QWidget>(w, "Picture3"); }

    // Double-clicks the line in `row` where it shows on screen.
    static void doubleClickRow(FrmData& w, int row)
    {
        QListWidget* l = list(w);
        l->scrollToItem(l->item(row));
        const QPoint at = l->visualItemRect(l->item(row)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    }
    static void clickRow(FrmData& w, int row)
    {
        QListWidget* l = list(w);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
    // Types the text; key events carry Latin-1 only, so what follows is
    // put in as an input method would.
    static void typeInto(QLineEdit* edit, const QString& text)
    {
        qsizetype ascii = 0;
        while (ascii < text.size() && text[ascii].unicode() < 0x80)
            ++ascii;
        QTest::keyClicks(edit, text.left(ascii));
        edit->insert(text.mid(ascii));
    }
    static void setStudentText(FrmData& w, const QString& text)
    {
        QLineEdit* edit = part<QComboBox>(w, "Combo1")->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeInto(edit, text);
    }
    static void setTimeText(FrmData& w, const QString& text)
    {
        QLineEdit* edit = part<QLineEdit>(w, "Text1_1");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeInto(edit, text);
    }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        t_ = std::make_unique<test::TestContext>();
        ctx().dataRoot = dir_.path() + QStringLiteral("/");
        ctx().programDataFolder = dir_.path() + QStringLiteral("/");
        ctx().schoolYearStartMonth = 4;
        ctx().schoolCode = QStringLiteral("12345");
        ctx().schoolName = QStringLiteral("Korvane塾");
        test::writeCp932(ctx().dataRoot + QStringLiteral("新名簿.txt"), kRoster);
        QFile::remove(path());
        setResultsOpenFault({});
    }

    void cleanup() { setResultsOpenFault({}); }

    void opening()
    {
        QByteArray bytes = numberedFile(3);
        bytes += encodeRecord(numbered(4, 0));  // level 0: no line
        ResultRecord other = numbered(5);
        other.schoolCode = QString();
        other.Bangou = 15;
        bytes += encodeRecord(other);
        writeResults(bytes);
        FrmData w(ctx());
        QVERIFY(!list(w)->isVisible());
        w.show();
        QVERIFY(list(w)->isVisible());
        QVERIFY(!panel(w)->isVisible());
        QCOMPARE(list(w)->count(), 4);
        QCOMPARE(w.lineRecords(), (std::vector<std::int64_t>{1, 2, 3, 5}));
        QCOMPARE(list(w)->item(0)->text(),
                 QStringLiteral("   1 2026/12/01　 15:30:12ﾚﾍﾞﾙ3　    1秒 　  12 生徒Ａ　　　 小３++Korvane塾"));
        QCOMPARE(list(w)->item(3)->text(),
                 QStringLiteral("   5 2026/12/01　 15:30:12ﾚﾍﾞﾙ3　    5秒 　  15 生徒Ｂ　　　 小６++他塾"));
        QCOMPARE(list(w)->font().family(), designFont(kGothic, 18).family());
        QCOMPARE(part<QLabel>(w, "Label5")->text(), QStringLiteral("ダブルクリックすると変更、消去できます"));
        QCOMPARE(part<QPushButton>(w, "Command4")->text(), QStringLiteral("戻る"));
        QVERIFY(!part<QPushButton>(w, "Command2")->isEnabled());
        QVERIFY(!part<QPushButton>(w, "Command3")->isEnabled());
        // Every roster line is offered, listed or not.
        auto* combo = part<QComboBox>(w, "Combo1");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(1), QStringLiteral("15 /  生徒Ｂ"));
        QVERIFY(t_->dialogs.shown.empty());

        // The line after the level-0 record acts on its own record.
        doubleClickRow(w, 3);
        QVERIFY(panel(w)->isVisible());
        QCOMPARE(w.chosenRecord(), 5);
        QCOMPARE(part<QLabel>(w, "Label1")->text(), QStringLiteral("5"));
    }

    void emptyFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("only level 0") << encodeRecord(numbered(1, 0)) + encodeRecord(numbered(2, 0));
        QTest::newRow("only a fragment") << QByteArray(20, 'x');
    }
    void emptyFile()
    {
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty())
            writeResults(bytes);
        FrmData w(ctx());
        w.show();
        QCOMPARE(list(w)->count(), 0);
        QTest::mouseDClick(list(w)->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(!panel(w)->isVisible());
        QCOMPARE(w.chosenRecord(), 0);
        QVERIFY(t_->dialogs.shown.empty());
    }

    void editPanel_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("student");
        QTest::addColumn<QString>("timeText");
        QTest::addColumn<int>("scroll");
        QTest::addColumn<QString>("studentText");
        QTest::addColumn<QString>("grade");
        QTest::newRow("ordinary") << 57 << 12 << "57" << 57 << "12 /  生徒Ａ" << "小３";
        QTest::newRow("timed out") << 99999 << 15 << "99999" << 6000 << "15 /  生徒Ｂ" << "小６";
        QTest::newRow("student without a roster line") << 0 << 40 << "0" << 0 << "40 /  " << "";
    }
    void editPanel()
    {
        QFETCH(int, time);
        QFETCH(int, student);
        QFETCH(QString, timeText);
        QFETCH(int, scroll);
        QFETCH(QString, studentText);
        QFETCH(QString, grade);
        ResultRecord r = numbered(time);
        r.Bangou = std::int16_t(student);
        writeResults(numberedFile(2) + encodeRecord(r));
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 2);
        QVERIFY(panel(w)->isVisible());
        QCOMPARE(part<QLabel>(w, "Label1")->text(), QStringLiteral("3"));
        QCOMPARE(part<QLabel>(w, "Label2_1")->text(), QStringLiteral("3ﾚﾍﾞﾙ"));
        QCOMPARE(part<QLabel>(w, "Label2_2")->text(), QStringLiteral("2026/12/01"));
        QCOMPARE(part<QLabel>(w, "Label2_0")->text(), QStringLiteral("秒"));
        QCOMPARE(part<QLabel>(w, "Label2_4")->text(), grade);
        QCOMPARE(part<QLineEdit>(w, "Text1_1")->text(), timeText);
        QCOMPARE(part<QScrollBar>(w, "VScroll1")->value(), scroll);
        QCOMPARE(part<QComboBox>(w, "Combo1")->currentText(), studentText);
        QVERIFY(part<QPushButton>(w, "Command2")->isEnabled());
        QVERIFY(part<QPushButton>(w, "Command3")->isEnabled());

        // Choosing another student shows that student's grade.
        auto* combo = part<QComboBox>(w, "Combo1");
        combo->setCurrentIndex(1);
        emit combo->textActivated(combo->currentText());
        QCOMPARE(part<QLabel>(w, "Label2_4")->text(), QStringLiteral("小６"));

        // A single click on a line closes the panel; so does the cancel button.
        clickRow(w, 0);
        QVERIFY(!panel(w)->isVisible());
        doubleClickRow(w, 2);
        QVERIFY(panel(w)->isVisible());
        QTest::mouseClick(part<QPushButton>(w, "Command6"), Qt::LeftButton);
        QVERIFY(!panel(w)->isVisible());
        QCOMPARE(storedTimes(), (QList<int>{1, 2, time}));
    }

    void save_data()
    {
        QTest::addColumn<QString>("timeText");
        QTest::addColumn<int>("scrollTo");  // -1: not moved after typing
        QTest::addColumn<QString>("studentText");
        QTest::addColumn<int>("storedTime");     // -1: refused
        QTest::addColumn<int>("storedStudent");
        QTest::newRow("half down to even") << "12.5" << -1 << "15 /  生徒Ｂ" << 12 << 15;
        QTest::newRow("half up to even") << "13.5" << -1 << "12 /  生徒Ａ" << 14 << 12;
        QTest::newRow("text stores 0") << "abc" << -1 << "12 /  生徒Ａ" << 0 << 12;
        QTest::newRow("scroll bar overwrites typing") << "77" << 40 << "12 /  生徒Ａ" << 40 << 12;
        QTest::newRow("student no roster line carries") << "30" << -1 << "4999 / " << 30 << 4999;
        QTest::newRow("student without slash refused") << "30" << -1 << "15" << -1 << 0;
        QTest::newRow("student above 5000 refused") << "30" << -1 << "5001 / x" << -1 << 0;
        QTest::newRow("negative time refused") << "-5" << -1 << "12 /  生徒Ａ" << -1 << 0;
    }
    void save()
    {
        QFETCH(QString, timeText);
        QFETCH(int, scrollTo);
        QFETCH(QString, studentText);
        QFETCH(int, storedTime);
        QFETCH(int, storedStudent);
        const QByteArray before = numberedFile(4, 5);
        writeResults(before);
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 2);
        setTimeText(w, timeText);
        if (scrollTo >= 0)
            part<QScrollBar>(w, "VScroll1")->setValue(scrollTo);
        setStudentText(w, studentText);
        QTest::mouseClick(part<QPushButton>(w, "Command2"), Qt::LeftButton);
        if (storedTime < 0) {
            QCOMPARE(results(), before);
            QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
            QCOMPARE(t_->dialogs.shown[0].title, QStringLiteral("記録の変更"));
            QVERIFY(panel(w)->isVisible());  // the teacher can put it right
            return;
        }
        QVERIFY(t_->dialogs.shown.empty());
        const QByteArray after = results();
        QCOMPARE(after.size(), before.size());
        const ResultRecord r = decodeRecord(after.constData() + 2 * kRecordSize);
        QCOMPARE(r.time, storedTime);
        QCOMPARE(int(r.Bangou), storedStudent);
        // Nothing else changed, the other records and the fragment included.
        QCOMPARE(after.left(2 * kRecordSize), before.left(2 * kRecordSize));
        QCOMPARE(after.mid(3 * kRecordSize), before.mid(3 * kRecordSize));
        QCOMPARE(after.mid(2 * kRecordSize + 24, 20), before.mid(2 * kRecordSize + 24, 20));
        QVERIFY(!panel(w)->isVisible());
        QCOMPARE(list(w)->currentRow(), 2);
        QVERIFY(list(w)->item(2)->text().contains(QString::number(storedTime).rightJustified(5) + QStringLiteral("秒")));
    }

    void deletion_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("fragment");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("left");
        QTest::addColumn<int>("selectedRow");  // -1: none
        QTest::newRow("5 of 8") << 8 << 0 << 4 << oneTo(8, 5) << 4;
        QTest::newRow("the last") << 8 << 0 << 7 << oneTo(7) << 6;
        QTest::newRow("the only one") << 1 << 0 << 0 << QList<int>{} << -1;
        QTest::newRow("a fragment dropped") << 3 << 20 << 0 << QList<int>{2, 3} << 0;
    }
    void deletion()
    {
        QFETCH(int, count);
        QFETCH(int, fragment);
        QFETCH(int, row);
        QFETCH(QList<int>, left);
        QFETCH(int, selectedRow);
        writeResults(numberedFile(count, fragment));
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, row);
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(part<QPushButton>(w, "Command3"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t_->dialogs.shown[0].title, QStringLiteral("注意"));
        QCOMPARE(t_->dialogs.shown[0].text, QStringLiteral("本当に消去しますか"));
        QCOMPARE(storedTimes(), left);
        QCOMPARE(results().size(), left.size() * kRecordSize);
        QVERIFY(QFile::exists(path()));
        QCOMPARE(list(w)->count(), left.size());
        QCOMPARE(list(w)->currentRow(), selectedRow);
        QVERIFY(!panel(w)->isVisible());
        QVERIFY(!part<QPushButton>(w, "Command3")->isEnabled());
        if (selectedRow >= 0) {
            // Numbers shifted down: the line shows the record it acts on.
            QCOMPARE(w.lineRecords()[std::size_t(selectedRow)], selectedRow + 1);
            QVERIFY(list(w)->item(selectedRow)->text().startsWith(QString::number(selectedRow + 1).rightJustified(4)));
        }
    }

    void deletionCancelled()
    {
        const QByteArray before = numberedFile(5, 7);
        writeResults(before);
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 2);
        t_->dialogs.answers.push_back(false);
        QTest::mouseClick(part<QPushButton>(w, "Command3"), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QCOMPARE(results(), before);
        QCOMPARE(list(w)->count(), 5);
    }

    // A run recorded by another machine while the window is open survives a
    // deletion made afterwards.
    void appendWhileOpenKept()
    {
        writeResults(numberedFile(4));
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 1);
        QCOMPARE(appendRecord(path(), numbered(50)).status, FileStatus::Ok);
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(part<QPushButton>(w, "Command3"), Qt::LeftButton);
        QCOMPARE(storedTimes(), (QList<int>{1, 3, 4, 50}));
        QCOMPARE(list(w)->count(), 4);
    }

    // Another machine deleted records after the list was built: nothing is
    // written over the wrong record or past the end.
    void recordsGoneMeanwhile_data()
    {
        QTest::addColumn<int>("action");  // 0 open, 1 save, 2 delete
        QTest::newRow("double-click") << 0;
        QTest::newRow("save") << 1;
        QTest::newRow("delete") << 2;
    }
    void recordsGoneMeanwhile()
    {
        QFETCH(int, action);
        writeResults(numberedFile(5));
        FrmData w(ctx());
        w.show();
        if (action != 0)
            doubleClickRow(w, 4);
        // Elsewhere record 2 is deleted: record 5 no longer exists.
        QCOMPARE(deleteRecordInPlace(path(), 2, {}).outcome, ChangeOutcome::Done);
        const QByteArray before = results();
        if (action == 0) {
            doubleClickRow(w, 3);  // the line of old record 4, now record 3
        } else {
            t_->dialogs.answers.push_back(true);
            setTimeText(w, QStringLiteral("99"));
            QTest::mouseClick(part<QPushButton>(w, action == 1 ? "Command2" : "Command3"), Qt::LeftButton);
        }
        QCOMPARE(results(), before);
        QVERIFY(!panel(w)->isVisible());
        const auto& shown = t_->dialogs.shown;
        QVERIFY(!shown.empty());
        QVERIFY2(shown.back().text.contains(QDir::toNativeSeparators(path())), qPrintable(shown.back().text));
        // The list was built again from the file as it now is.
        QCOMPARE(list(w)->count(), 4);
        QCOMPARE(w.lineRecords(), (std::vector<std::int64_t>{1, 2, 3, 4}));
    }

    // While another machine holds the writers' lock throughout, neither a
    // save nor a deletion changes anything, and the panel stays for a retry.
    void lockedElsewhere_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("save") << false;
        QTest::newRow("delete") << true;
    }
    void lockedElsewhere()
    {
        QFETCH(bool, deleting);
        const QByteArray before = numberedFile(3);
        writeResults(before);
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 1);
        setTimeText(w, QStringLiteral("44"));
        const int fd = ::open(QFile::encodeName(path()).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        QCOMPARE(fcntl(fd, F_OFD_SETLK, &fl), 0);
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(part<QPushButton>(w, deleting ? "Command3" : "Command2"), Qt::LeftButton);
        ::close(fd);
        QCOMPARE(results(), before);
        QVERIFY(panel(w)->isVisible());
        const auto& shown = t_->dialogs.shown;
        QVERIFY(shown.back().text.contains(QDir::toNativeSeparators(path())));
        QVERIFY(shown.back().text.contains(QStringLiteral("やり直して")));
        // Once the lock is free the same button does its work.
        t_->dialogs.answers.push_back(true);
        QTest::mouseClick(part<QPushButton>(w, deleting ? "Command3" : "Command2"), Qt::LeftButton);
        QCOMPARE(storedTimes(), deleting ? (QList<int>{1, 3}) : (QList<int>{1, 44, 3}));
    }

    // A change that reached the file is never reported as no change: a
    // failed flush says so, a write failing part-way says the change will
    // be completed (and the next reading of the file completes it).
    void failuresAfterTheFileWasTouched_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("says");
        QTest::newRow("save, flush fails") << false << int(ResultsStep::Flush) << "確かめられません";
        QTest::newRow("delete, flush fails") << true << int(ResultsStep::Flush) << "確かめられません";
        QTest::newRow("save, write fails") << false << int(ResultsStep::Write) << "最後まで済ませます";
        QTest::newRow("delete, write fails") << true << int(ResultsStep::Write) << "最後まで済ませます";
    }
    void failuresAfterTheFileWasTouched()
    {
        QFETCH(bool, deleting);
        QFETCH(int, step);
        QFETCH(QString, says);
        writeResults(numberedFile(3));
        FrmData w(ctx());
        w.show();
        doubleClickRow(w, 1);
        setTimeText(w, QStringLiteral("44"));
        t_->dialogs.answers.push_back(true);
        // The fault stays only while the window writes.
        bool once = true;
        setResultsFault([&](ResultsStep s) {
            if (int(s) != step || !once)
                return 0;
            once = false;
            return EIO;
        });
        QTest::mouseClick(part<QPushButton>(w, deleting ? "Command3" : "Command2"), Qt::LeftButton);
        setResultsFault({});
        const auto& shown = t_->dialogs.shown;
        QVERIFY(!shown.empty());
        QVERIFY2(!shown.back().text.contains(QStringLiteral("記録は変えていません")), qPrintable(shown.back().text));
        QVERIFY2(shown.back().text.contains(says), qPrintable(shown.back().text));
        QVERIFY(shown.back().text.contains(QDir::toNativeSeparators(path())));
        // The list, built again after the change, shows it made.
        QCOMPARE(storedTimes(), deleting ? (QList<int>{1, 3}) : (QList<int>{1, 44, 3}));
        QCOMPARE(list(w)->count(), deleting ? 2 : 3);
    }

    void unreadableResults()
    {
        writeResults(numberedFile(3));
        setResultsOpenFault([] { return EIO; });
        FrmData w(ctx());
        w.show();
        QCOMPARE(list(w)->count(), 0);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(QDir::toNativeSeparators(path())));
        setResultsOpenFault({});
        QCOMPARE(storedTimes(), (QList<int>{1, 2, 3}));
    }

    void missingRoster()
    {
        QFile::remove(ctx().dataRoot + QStringLiteral("新名簿.txt"));
        writeResults(numberedFile(2));
        FrmData w(ctx());
        w.show();
        QCOMPARE(list(w)->count(), 2);  // the records still show, without names
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(QStringLiteral("新名簿.txt")));
    }

    void leaving()
    {
        writeResults(numberedFile(2));
        FrmData w(ctx());
        w.show();
        auto* cover = part<QWidget>(w, "Picture1");
        QVERIFY(!cover->isVisible());
        QCOMPARE(cover->geometry(), QRect(0, 0, 1024, 768));
        QTest::mouseClick(part<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(t_->navigator.calls, QStringList{QStringLiteral("showStudentMenu")});
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestFrmData)
#include "test_frmdata.moc"
