#include "foundation/catalogue.h"

#include <QTest>

using namespace soinsuu;

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void practiceLevels()
    {
        RunContext ctx;
        QVERIFY(!isPracticeLevel(ctx, 7));  // no names before the table is built
        buildLevelTable(ctx);
        for (int level = 1; level <= 24; ++level) {
            const bool practice = level >= 7 && (level - 7) % 3 == 0;
            QVERIFY2(isPracticeLevel(ctx, level) == practice, qPrintable(QString::number(level)));
        }
        QVERIFY(!isPracticeLevel(ctx, 0));
        QVERIFY(!isPracticeLevel(ctx, 36));
    }

    void levelTable()
    {
        RunContext ctx;
        initCatalogueTitle(ctx);
        QCOMPARE(ctx.levelCount, std::int16_t(0));
        buildLevelTable(ctx);
        buildLevelTable(ctx);  // rebuilding gives the same table
        QCOMPARE(ctx.programTitle, QStringLiteral("素因数分解"));
        QCOMPARE(ctx.levelCount, std::int16_t(4));
        QCOMPARE(ctx.topLevel, 4);
        QCOMPARE(ctx.firstLevel, 1);
        QCOMPARE(ctx.levelNames[1], QStringLiteral("その1"));
        QCOMPARE(ctx.levelNames[11], QStringLiteral("レベル４－1"));  // half-width 1, as stored
        QCOMPARE(ctx.levelNames[12], QStringLiteral("レベル４－２"));
        QCOMPARE(ctx.levelNames[25], QString());
        QCOMPARE(ctx.timedLevel[24], std::int16_t(1));
        QCOMPARE(ctx.timedLevel[25], std::int16_t(0));
        for (int level = 0; level <= 35; ++level)
            QCOMPARE(drillParameters(level).has_value(), level >= 1 && level <= 4);
        QCOMPARE(drillParameters(4)->problemsPerRun, 5);
        QCOMPARE(drillParameters(4)->upperBound, 10000);
        QCOMPARE(drillParameters(1)->digitSize, 100);
    }

    void gradeMarks_data()
    {
        QTest::addColumn<QString>("grade");
        QTest::addColumn<QString>("mark");
        QTest::newRow("1") << "1" << "①";
        QTest::newRow("6") << "6" << "⑥";
        QTest::newRow("7") << "7" << "Ⅰ";
        QTest::newRow("9") << "9" << "Ⅲ";
        QTest::newRow("0") << "0" << "　";
        QTest::newRow("10") << "10" << "　";
        QTest::newRow("empty") << "" << "　";
    }
    void gradeMarks()
    {
        QFETCH(QString, grade);
        QFETCH(QString, mark);
        QCOMPARE(gradeMark(grade), mark);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
