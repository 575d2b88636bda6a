#include "app/qtprinter.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "hub/seisekitime1.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

// The teacher's sheets through the real print path: Qt's print support to
// a CUPS server (started by with-cups.sh, its printer writing PDFs), and
// Qt's PDF writer. The pages are read back as text.
class TestPrinting : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<seisekitime1> menu_;
    QtPrinter printer_;
    RunContext& ctx() { return **t_; }

    static QString run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(30000))
            return QString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // The pages of a PDF as text.
    static QStringList pagesOf(const QString& pdf)
    {
        QStringList pages = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                .split(u'\f');
        while (!pages.isEmpty() && pages.back().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }

    static void expectSheet(const QStringList& pages, const QString& student, int pageCount)
    {
        QCOMPARE(pages.size(), pageCount);
        for (const QString& page : pages) {
            QVERIFY2(page.contains(student), qPrintable(page));
            QVERIFY2(page.contains(QStringLiteral("Korvane塾")), qPrintable(page));
            QVERIFY2(page.contains(QStringLiteral("2026/12/09")), qPrintable(page));
        }
    }

    // The teacher's graph sheet of あかね and うみ, levels 1 to 3 (and a
    // fourth when asked), with both students chosen.
    void openSheet(bool fourLevels)
    {
        menu_ = std::make_unique<seisekitime1>(ctx());
        menu_->show();
        QTest::mouseClick(menu_->findChild<QRadioButton*>(QStringLiteral("Option2_2")), Qt::LeftButton);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command17")), Qt::LeftButton);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command25")), Qt::LeftButton);
        auto* students = menu_->findChild<QListWidget*>(QStringLiteral("List2"));
        QCOMPARE(students->count(), 4);  // the teacher is listed too
        for (int row : {0, 2})
            students->item(row)->setSelected(true);
        if (fourLevels)
            menu_->findChild<QListWidget*>(QStringLiteral("List3"))->item(3)->setSelected(true);
    }

private Q_SLOTS:
    void initTestCase()
    {
        test::useDesignScreen();
        QVERIFY2(!qEnvironmentVariableIsEmpty("SOINSUU_CUPS_SPOOL"), "run through with-cups.sh");
    }

    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().services.printer = &printer_;
        ctx().dataRoot = dir_.path() + QStringLiteral("/");
        ctx().schoolName = QStringLiteral("Korvane塾");
        ctx().currentStudent = 100;
        ctx().studentName = padName(QStringLiteral("先生"));
        test::writeCp932(ctx().dataRoot + kRosterFileName, QStringLiteral("1,2015,0,0,\"あかね\",0,\"\",\"\"\r\n"
                                                                         "2,2015,0,0,\"いつき\",0,\"\",\"\"\r\n"
                                                                         "3,2017,0,0,\"うみ\",0,\"\",\"\"\r\n"
                                                                         "100,1980,0,0,\"先生\",0,\"\",\"\"\r\n"));
        for (int level = 1; level <= 35; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1, 0, 0, 7, 1, {}, {}, {}};
        int n = 0;
        for (int s : {1, 3})
            for (int level = 1; level <= 3; ++level)
                for (int time : {80, 70, 75, 60}) {
                    ResultRecord r;
                    r.date = oleDate(t_->clock.today().addDays(-(++n % 20)));
                    r.timeOfDay = 0.5;
                    r.Bangou = std::int16_t(s);
                    r.level = std::int16_t(level);
                    r.time = time + s;
                    QCOMPARE(appendRecord(resultsFilePath(ctx()), r).status, FileStatus::Ok);
                }
    }

    void cleanup() { menu_.reset(); }

    // Two students, three levels: two jobs on the chosen printer, one page
    // each; every page names the student, the school and the day.
    void twoStudentsPrintAsTwoJobs()
    {
        const QString printer = printer_.defaultPrinterName();
        QCOMPARE(printer, QStringLiteral("SoinsuuPDF"));
        t_->printDialogs.printerAnswers.push_back(PrintTarget{printer, QString()});
        const QDir out(qEnvironmentVariable("SOINSUU_CUPS_PDF_OUT"));
        const qsizetype printedBefore = out.entryList({QStringLiteral("*.pdf")}, QDir::Files).size();
        openSheet(false);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_1")), Qt::LeftButton);
        QVERIFY2(t_->dialogs.shown.empty(), qPrintable(t_->dialogs.shown.empty() ? QString() : t_->dialogs.shown.back().text));

        // Wait until the server has passed both jobs to the printer.
        QString pending;
        for (int i = 0; i < 300; ++i) {
            pending = run(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed();
            if (pending.isEmpty())
                break;
            QTest::qWait(100);
        }
        QVERIFY2(pending.isEmpty(), qPrintable(pending));
        const QString done = run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o")});
        QCOMPARE(done.trimmed().split(u'\n').size(), 2);

        // What the program sent, kept in the spool: one document per job.
        const QDir spool(qEnvironmentVariable("SOINSUU_CUPS_SPOOL"));
        const QStringList documents = spool.entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name);
        QCOMPARE(documents.size(), 2);
        const QStringList students{QStringLiteral("あかね"), QStringLiteral("うみ")};
        for (int j = 0; j < 2; ++j) {
            expectSheet(pagesOf(spool.filePath(documents[j])), students[j], 1);
            // Each job carries its student's name.
            const QString info = run(QStringLiteral("pdfinfo"), {spool.filePath(documents[j])});
            QVERIFY2(info.contains(QStringLiteral("素因数分解 ") + students[j]), qPrintable(info));
        }
        // And the printer printed them: cups-pdf's own file for each job.
        QCOMPARE(out.entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), printedBefore + 2);
    }

    // The PDF button with two students and four levels: a file each beside
    // the chosen one, two pages each.
    void pdfOfTwoStudents()
    {
        const QString chosen = dir_.path() + QStringLiteral("/シート.pdf");
        t_->printDialogs.fileAnswers.push_back(chosen);
        openSheet(true);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_2")), Qt::LeftButton);
        QVERIFY2(t_->dialogs.shown.empty(), qPrintable(t_->dialogs.shown.empty() ? QString() : t_->dialogs.shown.back().text));
        expectSheet(pagesOf(dir_.path() + QStringLiteral("/シート_あかね.pdf")), QStringLiteral("あかね"), 2);
        expectSheet(pagesOf(dir_.path() + QStringLiteral("/シート_うみ.pdf")), QStringLiteral("うみ"), 2);
        QVERIFY(!QFile::exists(chosen));
    }

    // A folder that cannot take the file: the teacher is told which file,
    // and nothing is left behind.
    void pdfThatCannotBeWritten()
    {
        const QString chosen = dir_.path() + QStringLiteral("/ない/シート.pdf");
        t_->printDialogs.fileAnswers.push_back(chosen);
        openSheet(false);
        menu_->findChild<QListWidget*>(QStringLiteral("List2"))->item(2)->setSelected(false);
        QTest::mouseClick(menu_->findChild<QPushButton*>(QStringLiteral("Command24_2")), Qt::LeftButton);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY2(t_->dialogs.shown.back().text.contains(QDir::toNativeSeparators(chosen)), qPrintable(t_->dialogs.shown.back().text));
        QVERIFY(!QFile::exists(chosen));
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
