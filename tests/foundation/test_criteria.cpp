#include "foundation/criteria.h"
#include "foundation/cp932.h"
#include "support/fakes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {
const QString kHeading = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
}

class TestCriteria : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    test::TestContext t_;

    bool load(const QString& text, QString* error = nullptr)
    {
        test::writeCp932(dir_.filePath(QStringLiteral("タイム回数データ.txt")), text);
        return loadCriteria(*t_, error);
    }

private Q_SLOTS:
    void init()
    {
        t_.ctx = std::make_unique<RunContext>();
        t_->programDataFolder = dir_.path() + QStringLiteral("/");
    }

    void headingAndFourLevels()
    {
        QVERIFY(load(kHeading + "60,90,30,5,1,0,0,7,1,,,\r\n70,100,30,5,1.2,0,0,7,1,,,\r\n"
                                "80,120,30,5,1.5,0,0,7,1,,,\r\n90,150,30,5,2,0,0,7,1,,,\r\n"));
        QCOMPARE(t_->criteria[4].minimumLineTime, 150);
        QCOMPARE(t_->criteria[4].pointMultiplier, 2.0f);
        QCOMPARE(t_->criteria[0].spare10, QString());
        QCOMPARE(t_->criteria[5].targetTime, 0);
        QCOMPARE(t_->criteria[35].clearCount, std::int16_t(0));
    }

    void theWorkedLevelLine()
    {
        QVERIFY(load(kHeading + "60,120,30,5,1.5,10,200,7,1,,,\r\n"));
        const LevelCriteria& c = t_->criteria[1];
        QCOMPARE(c.targetTime, 60);
        QCOMPARE(c.minimumLineTime, 120);
        QCOMPARE(c.clearPoints, 30);
        QCOMPARE(c.clearCount, std::int16_t(5));
        QCOMPARE(c.pointMultiplier, 1.5f);
        QCOMPARE(c.banCount, 10.0);
        QCOMPARE(c.banPoints, 200.0);
        QCOMPARE(c.judgeDays, 7.0);
        QCOMPARE(c.banDays, 1.0);
    }

    void streamReadingDoesNotRealignOnLines()
    {
        // Line 1 holds eleven items, so level 1 takes the first item of line 2
        // as its twelfth; level 2 then starts with line 2's second item.
        QVERIFY(load(kHeading + "60,90,30,5,1,0,0,7,1,,\r\n"
                                "X,70,100,30,5,1,0,0,7,1,,,\r\n"));
        QCOMPARE(t_->criteria[1].spare12, QStringLiteral("X"));
        QCOMPARE(t_->criteria[2].targetTime, 70);
        QCOMPARE(t_->criteria[2].minimumLineTime, 100);
    }

    void emptyColumnsReadAsZero()
    {
        QVERIFY(load(kHeading + "60,90,30,5,1,,,,,,,\r\n"));
        QCOMPARE(t_->criteria[1].banCount, 0.0);
        QCOMPARE(t_->criteria[1].judgeDays, 0.0);
    }

    void linesBeyondLevel35AreIgnored()
    {
        QString text = kHeading;
        for (int level = 1; level <= 37; ++level)
            text += QStringLiteral("%1,90,30,5,1,0,0,7,1,,,\r\n").arg(level);
        QVERIFY(load(text));
        QCOMPARE(t_->criteria[35].targetTime, 35);
    }

    void brokenFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        QTest::newRow("empty file") << QString() << "中身がありません";
        QTest::newRow("level line too short at the end") << kHeading + "60,90,30\r\n" << "レベル1の行の項目が足りません";
        QTest::newRow("text in a number column") << kHeading + "六十,90,30,5,1,0,0,7,1,,,\r\n" << "2行目：レベル1の行の1項目目（目標Time）「六十」は数値ではありません";
    }
    void brokenFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, why);
        t_->criteria[1].targetTime = 42;
        QString error;
        QVERIFY(!load(text, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("タイム回数データ.txt")), qPrintable(error));
        QCOMPARE(t_->criteria[1].targetTime, 42);  // the table in use is untouched
    }

    void missingFileNamesIt()
    {
        QString error;
        QVERIFY(!loadCriteria(*t_, &error));
        QVERIFY(error.contains(QStringLiteral("タイム回数データ.txt")));
    }

    void writerRoundTripKeepsSpareTextAndBytes()
    {
        const std::vector<QStringList> rows = {
            criteriaHeadings(),
            {"60", "120", "30", "5", "1.5", "10", "200", "7", "1", "メモ①", "Ⅱ", "～"},
        };
        const QString path = dir_.filePath(QStringLiteral("タイム回数データ.txt"));
        QVERIFY(writeCriteriaFile(path, rows));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), cp932::encode(kHeading + "60,120,30,5,1.5,10,200,7,1,メモ①,Ⅱ,～\r\n"));
        QVERIFY(loadCriteria(*t_));
        QCOMPARE(t_->criteria[1].spare10, QStringLiteral("メモ①"));
        QCOMPARE(t_->criteria[1].spare12, QStringLiteral("～"));
    }
};

QTEST_GUILESS_MAIN(TestCriteria)
#include "test_criteria.moc"
