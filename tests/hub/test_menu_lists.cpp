#include "hub/seisekitime1.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

// The menu's view controls rebuild the column lists; while a list is built
// the start and back buttons, the lists and the list options are out of
// reach, and they come back afterwards.
class TestMenuLists : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<seisekitime1> menu_;
    RunContext& ctx() { return **t_; }

    QStringList lines(int level)
    {
        QStringList out;
        auto* list = menu_->findChild<QListWidget*>(QStringLiteral("List5_%1").arg(level));
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void click(const QString& name) { QTest::mouseClick(menu_->findChild<QRadioButton*>(name), Qt::LeftButton); }

    // What the student could reach at each step of the busy panel's progress
    // bar, that is while a list is being built.
    QStringList reachableDuringBuild_;
    int buildSteps_ = 0;
    void watchBuilds()
    {
        connect(menu_->findChild<QProgressBar*>(QStringLiteral("ProgressBar2")), &QProgressBar::valueChanged, this, [this] {
            ++buildSteps_;
            auto note = [this](const QString& name, bool reachable) {
                if (reachable && !reachableDuringBuild_.contains(name))
                    reachableDuringBuild_ << name;
            };
            note(QStringLiteral("Command1"), menu_->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
            for (int i = 1; i <= 4; ++i) {
                const QString start = QStringLiteral("Command4_%1").arg(i);
                note(start, menu_->findChild<QPushButton*>(start)->isEnabled());
                const QString list = QStringLiteral("List5_%1").arg(i);
                note(list, menu_->findChild<QListWidget*>(list)->isVisible());
            }
            note(QStringLiteral("Picture1"), menu_->findChild<QWidget*>(QStringLiteral("Picture1"))->isEnabled());
            note(QStringLiteral("Picture6 hidden"), !menu_->findChild<QWidget*>(QStringLiteral("Picture6"))->isVisible());
        });
    }
    void expectRestored()
    {
        QVERIFY2(buildSteps_ > 0, "the list was built without the busy panel's progress bar moving");
        QVERIFY2(reachableDuringBuild_.isEmpty(), qPrintable(QStringLiteral("reachable during the build: ") + reachableDuringBuild_.join(u' ')));
        buildSteps_ = 0;
        QVERIFY(menu_->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
        for (int i = 1; i <= 4; ++i)
            QVERIFY(menu_->findChild<QPushButton*>(QStringLiteral("Command4_%1").arg(i))->isEnabled());
        QVERIFY(!menu_->findChild<QWidget*>(QStringLiteral("Picture6"))->isVisible());
        QVERIFY(menu_->findChild<QListWidget*>(QStringLiteral("List5_1"))->isVisible());
    }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().seasonColour = QColor(192, 255, 192);
        ctx().currentStudent = 2;
        ctx().studentName = padName(QStringLiteral("いつき"));
        test::listStudents(ctx(), {{"あかね", 2015}, {"いつき", 2015}, {"うみ", 2017}});
        ctx().schoolYearStartMonth = 4;
        for (int level = 1; level <= 35; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1, 0, 0, 7, 1, {}, {}, {}};
        auto add = [&](int s, int level, int time, int daysAgo) {
            ResultRecord r;
            r.date = oleDate(t_->clock.today().addDays(-daysAgo));
            r.timeOfDay = 0.5;
            r.Bangou = std::int16_t(s);
            r.level = std::int16_t(level);
            r.time = time;
            QCOMPARE(appendRecord(resultsFilePath(ctx()), r).status, FileStatus::Ok);
        };
        add(1, 1, 40, 3);
        add(2, 1, 30, 0);
        add(3, 1, 50, 0);
        menu_ = std::make_unique<seisekitime1>(ctx());
        buildSteps_ = 0;
        reachableDuringBuild_.clear();
        watchBuilds();
        menu_->show();
    }

    void cleanup() { menu_.reset(); }

    void activationShowsTheCumulativePointsRanking()
    {
        QCOMPARE(menu_->findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("獲得ポイント（今まで順位）"));
        QCOMPARE(lines(1), (QStringList{"1●いつき　　 11/   11", "2⑤あかね　　  0/    6", "3③うみ　　　  5/    5"}));
        QVERIFY(menu_->findChild<QRadioButton*>(QStringLiteral("Option2_1"))->isChecked());
        QCOMPARE(menu_->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->text(), QStringLiteral("累計順"));
        expectRestored();
    }

    void personalView()
    {
        click(QStringLiteral("Option2_2"));
        QCOMPARE(menu_->findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("個人別ﾀｲﾑ"));
        QCOMPARE(lines(1), QStringList{t_->clock.today().toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" 12:00:00  30秒")});
        QCOMPARE(lines(2), QStringList{});
        QVERIFY(!menu_->findChild<QComboBox*>(QStringLiteral("Combo2"))->isVisible());
        expectRestored();
    }

    void graphSheet()
    {
        auto* graph = menu_->findChild<QPushButton*>(QStringLiteral("Command17"));
        auto* panel = menu_->findChild<QWidget*>(QStringLiteral("Picture11"));
        QVERIFY(!graph->isVisible());
        click(QStringLiteral("Option2_2"));
        QVERIFY(graph->isVisible());
        QTest::mouseClick(graph, Qt::LeftButton);
        QVERIFY(panel->isVisible());
        auto* levels = menu_->findChild<QListWidget*>(QStringLiteral("List3"));
        QCOMPARE(levels->count(), 4);
        QCOMPARE(levels->selectedItems().size(), 3);
        QVERIFY(!levels->item(3)->isSelected());
        QVERIFY(!menu_->findChild<QPushButton*>(QStringLiteral("Command24_1"))->isVisible());  // printing is the teacher's
        const QImage sheet = menu_->findChild<QWidget*>(QStringLiteral("Picture12"))->grab().toImage();
        int red = 0;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x)
                red += sheet.pixelColor(x, y) == QColor(255, 0, 0);
        QVERIFY2(red > 0, "the student's run on level 1 is no red record point");

        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command18")), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QTest::mouseClick(graph, Qt::LeftButton);
        QVERIFY(panel->isVisible());
        // Any other view hides the button and the sheet.
        click(QStringLiteral("Option2_0"));
        QVERIFY(!graph->isVisible());
        QVERIFY(!panel->isVisible());
    }

    // A teacher's sheet of two students, levels 1 to 4: the print and PDF
    // buttons in reach.
    void openTeachersSheetOfTwo(const QString& teacher)
    {
        ctx().dataRoot = dir_.path() + QStringLiteral("/");
        test::writeCp932(ctx().dataRoot + kRosterFileName, QStringLiteral("1,2015,0,0,\"あかね\",0,\"\",\"\"\r\n"
                                                                         "2,2015,0,0,\"いつき\",0,\"\",\"\"\r\n"
                                                                         "3,2017,0,0,\"うみ\",0,\"\",\"\"\r\n"));
        ctx().studentName = padName(teacher);
        ctx().schoolName = QStringLiteral("Korvane塾");
        menu_ = std::make_unique<seisekitime1>(ctx());
        menu_->show();
        click(QStringLiteral("Option2_2"));
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command17")), Qt::LeftButton);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command25")), Qt::LeftButton);
        auto* students = menu_->findChild<QListWidget*>(QStringLiteral("List2"));
        QVERIFY(students->isVisible());
        QCOMPARE(students->count(), 3);
        for (int row : {2, 0})
            QTest::mouseClick(students->viewport(), Qt::LeftButton, {}, students->visualItemRect(students->item(row)).center());
        auto* levels = menu_->findChild<QListWidget*>(QStringLiteral("List3"));
        QTest::mouseClick(levels->viewport(), Qt::LeftButton, {}, levels->visualItemRect(levels->item(3)).center());
    }

    // Every way a teacher's sheet goes to paper or to a file: one job per
    // student in list order, each named after its student, one dialog per
    // press; a cancelled dialog prints nothing.
    void teacherPrintsOneSheetPerStudent_data()
    {
        QTest::addColumn<QString>("teacher");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("defaultPrinter");
        QTest::addColumn<QString>("chosenPrinter");  // "pdf:" and a path: the dialog's own PDF choice
        QTest::addColumn<QList<bool>>("answers");    // to the message boxes
        QTest::addColumn<QString>("file");           // the file dialog's answer
        QTest::addColumn<QStringList>("asked");      // dialog titles, then the question asked
        QTest::addColumn<QStringList>("targets");    // where the jobs went
        const QString dir = dir_.path() + QStringLiteral("/");
        const QString sheet = dir + QStringLiteral("sheet.pdf");
        const QString offered = QStringLiteral("素因数分解_20261209.pdf");
        QTest::newRow("the chosen printer") << "先生" << "Command24_1" << "教室のプリンタ" << "職員室のプリンタ" << QList<bool>{} << ""
                                            << QStringList{"印刷:教室のプリンタ"} << QStringList{"職員室のプリンタ", "職員室のプリンタ"};
        QTest::newRow("a teacher named 山田先生") << "山田先生" << "Command24_1" << "教室のプリンタ" << "教室のプリンタ" << QList<bool>{} << ""
                                                << QStringList{"印刷:教室のプリンタ"} << QStringList{"教室のプリンタ", "教室のプリンタ"};
        QTest::newRow("print dialog cancelled") << "先生" << "Command24_1" << "教室のプリンタ" << "" << QList<bool>{} << ""
                                                << QStringList{"印刷:教室のプリンタ"} << QStringList{};
        QTest::newRow("the print dialog's own PDF") << "先生" << "Command24_1" << "教室のプリンタ" << "pdf:" + sheet << QList<bool>{} << ""
                                                    << QStringList{"印刷:教室のプリンタ"}
                                                    << QStringList{dir + "sheet_あかね(2).pdf", dir + "sheet_うみ.pdf"};
        QTest::newRow("no printer: a PDF instead") << "先生" << "Command24_1" << "" << "" << QList<bool>{true} << sheet
                                                   << QStringList{"PDFに保存:" + offered, "プリンタが設定されていません。PDFに保存しますか？"}
                                                   << QStringList{dir + "sheet_あかね(2).pdf", dir + "sheet_うみ.pdf"};
        QTest::newRow("no printer and no PDF") << "先生" << "Command24_1" << "" << "" << QList<bool>{false} << sheet
                                               << QStringList{"プリンタが設定されていません。PDFに保存しますか？"} << QStringList{};
        QTest::newRow("no printer, file dialog cancelled") << "先生" << "Command24_1" << "" << "" << QList<bool>{true} << ""
                                                           << QStringList{"PDFに保存:" + offered, "プリンタが設定されていません。PDFに保存しますか？"}
                                                           << QStringList{};
        QTest::newRow("the PDF button") << "先生" << "Command24_2" << "教室のプリンタ" << "" << QList<bool>{} << sheet
                                        << QStringList{"PDFに保存:" + offered} << QStringList{dir + "sheet_あかね(2).pdf", dir + "sheet_うみ.pdf"};
        QTest::newRow("the PDF button cancelled") << "先生" << "Command24_2" << "" << "" << QList<bool>{} << ""
                                                  << QStringList{"PDFに保存:" + offered} << QStringList{};
    }

    void teacherPrintsOneSheetPerStudent()
    {
        QFETCH(QString, teacher);
        QFETCH(QString, button);
        QFETCH(QString, defaultPrinter);
        QFETCH(QString, chosenPrinter);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, file);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, targets);
        openTeachersSheetOfTwo(teacher);
        t_->printer.defaultPrinter = defaultPrinter;
        if (chosenPrinter.startsWith(QStringLiteral("pdf:")))
            t_->printDialogs.printerAnswers.push_back(PrintTarget{QString(), chosenPrinter.mid(4)});
        else if (!chosenPrinter.isEmpty())
            t_->printDialogs.printerAnswers.push_back(PrintTarget{chosenPrinter, QString()});
        t_->dialogs.answers.assign(answers.begin(), answers.end());
        t_->printDialogs.fileAnswers.push_back(file);
        // A file already there beside the chosen one is never replaced.
        test::writeCp932(dir_.path() + QStringLiteral("/sheet_あかね.pdf"), QStringLiteral("前の"));

        auto* press = menu_->findChild<QPushButton*>(button);
        QVERIFY(press->isVisible());
        QTest::mouseClick(press, Qt::LeftButton);

        QStringList got;
        for (const auto& a : t_->printDialogs.asked)
            got << a.title + u':' + a.offered;
        for (const auto& shown : t_->dialogs.shown)
            got << shown.text;
        QCOMPARE(got, asked);
        QStringList went;
        for (const auto& job : t_->printer.jobs) {
            went << (job.target.isPdf() ? job.target.pdfPath : job.target.printerName);
            QCOMPARE(job.pages.size(), std::size_t(2));  // levels 1 to 3, then level 4
        }
        QCOMPARE(went, targets);
        if (!targets.isEmpty()) {
            QVERIFY(t_->printer.jobs[0].name.endsWith(QStringLiteral("あかね")));
            QVERIFY(t_->printer.jobs[1].name.endsWith(QStringLiteral("うみ")));
        }
    }

    void noLevelChosenAsksNothing()
    {
        openTeachersSheetOfTwo(QStringLiteral("先生"));
        menu_->findChild<QListWidget*>(QStringLiteral("List3"))->clearSelection();
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_1")), Qt::LeftButton);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_2")), Qt::LeftButton);
        QVERIFY(t_->printDialogs.asked.empty());
        QVERIFY(t_->printer.jobs.empty());
    }

    void aPrinterThatRefusesSaysWhy()
    {
        openTeachersSheetOfTwo(QStringLiteral("先生"));
        t_->printer.refuseWith = QStringLiteral("プリンタ「教室のプリンタ」に印刷できません");
        t_->printDialogs.printerAnswers.push_back(PrintTarget{QStringLiteral("教室のプリンタ"), QString()});
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_1")), Qt::LeftButton);
        QVERIFY(t_->printer.jobs.empty());
        QCOMPARE(t_->dialogs.shown.back().text, t_->printer.refuseWith);
    }

    void pupilsSeeNeitherPrintNorPdf()
    {
        ctx().studentName = padName(QStringLiteral("髙橋"));
        menu_ = std::make_unique<seisekitime1>(ctx());
        menu_->show();
        click(QStringLiteral("Option2_2"));
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command17")), Qt::LeftButton);
        QVERIFY(!menu_->findChild<QPushButton*>(QStringLiteral("Command24_1"))->isVisible());
        QVERIFY(!menu_->findChild<QPushButton*>(QStringLiteral("Command24_2"))->isVisible());
    }

    void switchingViews()
    {
        click(QStringLiteral("Option2_0"));
        QCOMPARE(menu_->findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("ベスト成績"));
        QCOMPARE(menu_->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->text(), QStringLiteral("BEST表示"));
        QCOMPARE(lines(1), (QStringList{"1●いつき　　    30 ●", "2⑤あかね　　    40 　", "3③うみ　　　    50 　"}));
        QCOMPARE(lines(2).size(), 3);
        expectRestored();

        click(QStringLiteral("Option1_2"));
        QCOMPARE(menu_->findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("本日の成績"));
        QCOMPARE(lines(1), (QStringList{"  30秒 12:00●いつき　　●11", "  50秒 12:00③うみ　　　③5"}));
        expectRestored();

        auto* grade = menu_->findChild<QComboBox*>(QStringLiteral("Combo1"));
        grade->setCurrentIndex(9);  // 小３
        emit grade->activated(9);
        QCOMPARE(lines(1), QStringList{"  50秒 12:00③うみ　　　③5"});
        expectRestored();

        click(QStringLiteral("Option1_3"));
        auto* period = menu_->findChild<QComboBox*>(QStringLiteral("Combo2"));
        QVERIFY(period->isVisible());
        period->setCurrentIndex(4);
        emit period->activated(4);
        QCOMPARE(lines(1), QStringList{"  50秒 12/09③うみ　　　③5"});
        expectRestored();

        click(QStringLiteral("Option2_1"));
        QVERIFY(period->isVisible());  // the all-runs list brings it back
        QCOMPARE(menu_->findChild<QRadioButton*>(QStringLiteral("Option1_3"))->text(), QStringLiteral("すべて"));
        QCOMPARE(lines(1), QStringList{"    5 12/09③うみ　　　③50秒"});
        expectRestored();
    }
};

QTEST_MAIN(TestMenuLists)
#include "test_menu_lists.moc"
