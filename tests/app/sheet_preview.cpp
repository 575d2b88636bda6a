// Shows a teacher's graph sheet of a small made-up school on the screen, for
// a look at it as a teacher sees it (run under Xvfb and take a screenshot);
// with a file name, also saves the sheet as that PDF through the PDF button.
// With "criteria" instead, shows the criteria editor of the same school;
// with "dialogs", presses 印刷 with the real print dialog.
#include "admin/frmtimedata.h"
#include "app/qtprinter.h"
#include "foundation/criteria.h"
#include "foundation/fonts.h"
#include "foundation/roster.h"
#include "hub/seisekitime1.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace soinsuu;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTranslator qtTexts;  // as the program has it
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
    QTemporaryDir dir;
    auto t = test::freshRunContext(dir.path());
    RunContext& ctx = **t;
    QtPrinter printer;
    ctx.services.printer = &printer;
    ctx.dataRoot = dir.path() + QStringLiteral("/");
    ctx.schoolName = QStringLiteral("Korvane塾");
    ctx.seasonColour = QColor(192, 255, 192);
    ctx.currentStudent = 1;
    ctx.studentName = padName(QStringLiteral("先生"));
    test::writeCp932(ctx.dataRoot + kRosterFileName, QStringLiteral("1,2015,0,0,\"髙橋　ひかり\",0,\"\",\"\"\r\n"
                                                                   "2,2015,0,0,\"いつき\",0,\"\",\"\"\r\n"
                                                                   "100,1980,0,0,\"先生\",0,\"\",\"\"\r\n"));
    for (int level = 1; level <= 35; ++level)
        ctx.criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1, 0, 0, 7, 1, {}, {}, {}};
    auto add = [&](int s, int level, int time, int daysAgo) {
        ResultRecord r;
        r.date = oleDate(t->clock.today().addDays(-daysAgo));
        r.timeOfDay = 0.5;
        r.Bangou = std::int16_t(s);
        r.level = std::int16_t(level);
        r.time = time;
        appendRecord(resultsFilePath(ctx), r);
    };
    for (int i = 0; i < 40; ++i)
        add(1, 1, 90 - i, 40 - i);  // a record every day, close together
    for (int i = 0; i < 30; ++i) {
        add(1, 2, 70 - i / 2, 30 - i);
        add(1, 2, 71, 30 - i);
    }
    for (int time : {1234, 900, 899, 30, 29})
        add(1, 3, time, 5);
    for (int level = 1; level <= 3; ++level)
        add(2, level, 45, 1);

    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("criteria")) {
        test::writeCp932(criteriaFilePath(ctx),
                         QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                        "40,60,60,5,1,8,0,7,1,,,\r\n60,90,60,5,1,8,0,7,1,,,\r\n"
                                        "90,150,60,5,1,8,0,7,1,,,\r\n100,180,60,5,1,8,0,7,1,,,\r\n"));
        loadCriteria(ctx);
        FrmTimeData editor(ctx);
        editor.show();
        QTimer::singleShot(20000, &app, &QApplication::quit);
        return app.exec();
    }
    seisekitime1 menu(ctx);
    menu.show();
    QTest::mouseClick(menu.findChild<QRadioButton*>(QStringLiteral("Option2_2")), Qt::LeftButton);
    QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command17")), Qt::LeftButton);
    QtPrintDialogs realDialogs;
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("dialogs")) {
        ctx.services.printDialogs = &realDialogs;
        QTimer::singleShot(500, &menu, [&menu] {
            QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command24_1")), Qt::LeftButton);
        });
    } else if (argc > 1) {
        t->printDialogs.fileAnswers.push_back(QString::fromLocal8Bit(argv[1]));
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command24_2")), Qt::LeftButton);
    }
    QTimer::singleShot(20000, &app, &QApplication::quit);
    return app.exec();
}
