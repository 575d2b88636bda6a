#include "admin/criteria_grid.h"
#include "admin/distribution.h"
#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {

// A run as (level, student, time).
struct Run {
    int level;
    int student;
    int time;
};

QByteArray recordsOf(const QList<Run>& runs)
{
    QByteArray bytes;
    for (const Run& run : runs) {
        ResultRecord r;
        r.date = 46000;
        r.Bangou = std::int16_t(run.student);
        r.level = std::int16_t(run.level);
        r.time = run.time;
        bytes += encodeRecord(r);
    }
    return bytes;
}

using Classes = QMap<int, int>;  // class -> count; classes not listed are 0

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(QList<Run>)
Q_DECLARE_METATYPE(Classes)
Q_DECLARE_METATYPE(std::vector<QStringList>)

class TestCriteriaLogic : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void distribution_data()
    {
        QTest::addColumn<QList<Run>>("runs");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("runCount");
        QTest::addColumn<Classes>("allRuns");
        QTest::addColumn<Classes>("bestTimes");
        QTest::newRow("one student's three runs") << QList<Run>{{2, 7, 45}, {2, 7, 38}, {2, 7, 52}} << 2 << 3
                                                  << Classes{{3, 1}, {4, 1}, {5, 1}} << Classes{{3, 1}};
        QTest::newRow("a best of 400 s in the top best class")
            << QList<Run>{{1, 3, 400}} << 1 << 1 << Classes{{40, 1}} << Classes{{30, 1}};
        QTest::newRow("a timed-out run in the top class")
            << QList<Run>{{1, 3, kNoTime}, {1, 4, 1000}, {1, 4, 999}} << 1 << 3 << Classes{{99, 1}, {100, 2}}
            << Classes{{30, 2}};
        QTest::newRow("each student's best counts once")
            << QList<Run>{{3, 1, 61}, {3, 2, 65}, {3, 1, 70}, {3, 2, 125}, {3, 5, 9}} << 3 << 5
            << Classes{{0, 1}, {6, 2}, {7, 1}, {12, 1}} << Classes{{0, 1}, {6, 2}};
        QTest::newRow("other levels and level 0 left out")
            << QList<Run>{{1, 1, 30}, {0, 1, 30}, {4, 1, 30}, {2, 1, 15}} << 2 << 1 << Classes{{1, 1}} << Classes{{1, 1}};
        QTest::newRow("student numbers that differ only in sign")
            << QList<Run>{{1, 12, 40}, {1, -12, 20}} << 1 << 2 << Classes{{2, 1}, {4, 1}} << Classes{{2, 1}, {4, 1}};
        // Damaged records must not reach outside the tables.
        QTest::newRow("negative times left out")
            << QList<Run>{{1, 1, -5}, {1, 1, -100000}, {1, 1, 25}} << 1 << 1 << Classes{{2, 1}} << Classes{{2, 1}};
        QTest::newRow("huge time in the top classes")
            << QList<Run>{{1, 1, 2000000000}} << 1 << 1 << Classes{{100, 1}} << Classes{{30, 1}};
        QTest::newRow("a level above 50 shows nothing")
            << QList<Run>{{51, 1, 30}, {1, 1, 30}} << 51 << 0 << Classes{} << Classes{};
        QTest::newRow("levels above 100 and negative levels do not count")
            << QList<Run>{{101, 1, 30}, {-1, 1, 30}, {32767, 1, 30}, {-32768, 1, 30}, {50, 1, 30}} << 50 << 1
            << Classes{{3, 1}} << Classes{{3, 1}};
        QTest::newRow("no runs") << QList<Run>{} << 1 << 0 << Classes{} << Classes{};
    }
    void distribution()
    {
        QFETCH(QList<Run>, runs);
        QFETCH(int, level);
        QFETCH(int, runCount);
        QFETCH(Classes, allRuns);
        QFETCH(Classes, bestTimes);
        const QByteArray bytes = recordsOf(runs);
        const LevelDistribution d = buildDistribution(bytes.constData(), bytes.size() / kRecordSize, level);
        QCOMPARE(d.level, level);
        QCOMPARE(d.runCount, runCount);
        for (int c = 0; c <= kTopRunClass; ++c) {
            QCOMPARE(d.allRuns[std::size_t(c)], allRuns.value(c));
            QCOMPARE(d.bestTimes[std::size_t(c)], bestTimes.value(c));
        }
    }

    void lines_data()
    {
        QTest::addColumn<Classes>("allRuns");
        QTest::addColumn<int>("runCount");
        QTest::addColumn<QStringList>("expectedAll");   // line index -> text, checked for the ones given
        QTest::addColumn<QList<int>>("checkedLines");
        QTest::newRow("one star a run below ten")
            << Classes{{3, 1}, {4, 2}, {100, 9}} << 12
            << QStringList{"レベル2 今まで12回  （★=1）", "  0～", "  30～★", "  40～★★", " 100～", "1000～★★★★★★★★★"}
            << QList<int>{0, 1, 4, 5, 11, 101};
        QTest::newRow("a star for a tenth of the tallest class, rounded")
            << Classes{{5, 25}, {6, 3}, {7, 1}, {8, 2}} << 31
            << QStringList{"レベル2 今まで31回  （★=2）", "  50～★★★★★★★★★★★★★", "  60～★★", "  70～★", "  80～★"}
            << QList<int>{0, 6, 7, 8, 9};
    }
    void lines()
    {
        QFETCH(Classes, allRuns);
        QFETCH(int, runCount);
        QFETCH(QStringList, expectedAll);
        QFETCH(QList<int>, checkedLines);
        LevelDistribution d;
        d.level = 2;
        d.runCount = runCount;
        for (auto it = allRuns.cbegin(); it != allRuns.cend(); ++it) {
            d.allRuns[std::size_t(it.key())] = it.value();
            d.bestTimes[std::size_t(it.key())] = it.value();
        }
        const QStringList all = allRunsLines(d);
        QCOMPARE(all.size(), 102);
        for (int i = 0; i < checkedLines.size(); ++i)
            QCOMPARE(all[checkedLines[i]], expectedAll[i]);
        // The best-time list has its own short heading and the same class lines.
        const QStringList best = bestTimeLines(d);
        QCOMPARE(best.size(), 102);
        QCOMPARE(best[0], QStringLiteral("レベル2 （★=%1）").arg(all[0].section(u'=', 1).chopped(1)));
        QCOMPARE(best.mid(1), all.mid(1));
    }

    void distributionFromFile()
    {
        const QString path = dir_.filePath(QStringLiteral("results.dat"));
        // A trailing fragment of a record being written is not a run.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(recordsOf({{2, 7, 45}, {2, 7, 38}, {1, 7, 52}}) + QByteArray(20, '\x02'));
        f.close();
        LevelDistribution d;
        QCOMPARE(readDistribution(path, 2, &d).status, FileStatus::Ok);
        QCOMPARE(d.runCount, 2);
        QCOMPARE(d.allRuns[3], 1);
        QCOMPARE(d.bestTimes[3], 1);

        // A missing file is an empty one.
        const QString missing = dir_.filePath(QStringLiteral("none.dat"));
        QCOMPARE(readDistribution(missing, 2, &d).status, FileStatus::Ok);
        QCOMPARE(d.runCount, 0);
        QCOMPARE(allRunsLines(d).first(), QStringLiteral("レベル2 今まで0回  （★=1）"));
    }

    void readRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::vector<QStringList>>("rows");
        const QString heading = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
        QTest::newRow("two levels") << heading + "60,120,30,5,1.5,10,200,7,1,,,\r\n45,90,30,5,1,0,0,7,1,,,\r\n"
                                    << std::vector<QStringList>{{"60", "120", "30", "5", "1.5", "10", "200", "7", "1", "", "", ""},
                                                                {"45", "90", "30", "5", "1", "0", "0", "7", "1", "", "", ""}};
        QTest::newRow("spare texts kept, quotes removed")
            << heading + "60,120,30,5,1.5,,,7,1,メモ,\"a,b\",x\r\n"
            << std::vector<QStringList>{{"60", "120", "30", "5", "1.5", "", "", "7", "1", "メモ", "a,b", "x"}};
        QTest::newRow("no line end after the last line")
            << heading + "60,120,30,5,1.5,10,200,7,1,,,"
            << std::vector<QStringList>{{"60", "120", "30", "5", "1.5", "10", "200", "7", "1", "", "", ""}};
        QTest::newRow("a short last line filled up")
            << heading + "60,120,30"
            << std::vector<QStringList>{{"60", "120", "30", "", "", "", "", "", "", "", "", ""}};
        QTest::newRow("heading only") << heading << std::vector<QStringList>{};
    }
    void readRows()
    {
        QFETCH(QString, text);
        QFETCH(std::vector<QStringList>, rows);
        const QString path = dir_.filePath(QStringLiteral("rows.txt"));
        test::writeCp932(path, text);
        std::vector<QStringList> read{{"stale"}};
        QVERIFY(readCriteriaRows(path, &read));
        QCOMPARE(read, rows);
    }

    void readRowsMissing()
    {
        std::vector<QStringList> rows;
        QString error;
        QVERIFY(!readCriteriaRows(dir_.filePath(QStringLiteral("nothing.txt")), &rows, &error));
        QVERIFY(error.contains(QStringLiteral("nothing.txt")));
    }

    void save_data()
    {
        QTest::addColumn<std::vector<QStringList>>("rows");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("fileText");   // expected file after the save
        QTest::addColumn<QString>("errorPart");  // in the message, if any
        const QString heading = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
        const QString old = heading + QStringLiteral("60,120,30,5,1.5,10,200,7,1,,,\r\n");
        QTest::newRow("written and reloaded")
            << std::vector<QStringList>{{"90", "120", "30", "5", "1.5", "", "200", "7", "1", "メモ", "", ""},
                                        {"45", "90", "20", "3", "1", "0", "0", "7", "1", "", "", ""}}
            << int(SaveOutcome::Saved)
            << heading + "90,120,30,5,1.5,,200,7,1,メモ,,\r\n45,90,20,3,1,0,0,7,1,,,\r\n" << QString();
        QTest::newRow("a word in a number column is refused")
            << std::vector<QStringList>{{"90", "120", "30", "5", "1.5", "10", "200", "7", "1", "", "", ""},
                                        {"45", "9O", "20", "3", "1", "0", "0", "7", "1", "", "", ""}}
            << int(SaveOutcome::NotWritten) << old << QStringLiteral("レベル2の「最低Time」（2列目）の「9O」：数値ではありません");
        // Every cell that would make a file start-up cannot read, or a figure
        // the field cannot hold, is refused naming the level and the column.
        const struct {
            const char* name;
            int column;
            QString text;
            QString why;
        } refused[] = {
            {"comma in a spare column", 10, QStringLiteral("a,b"), QStringLiteral("レベル1の10列目の「a,b」：「,」（カンマ）は使えません")},
            {"quote in a spare column", 12, QStringLiteral("\"x"), QStringLiteral("レベル1の12列目")},
            {"line break in a spare column", 11, QStringLiteral("a\nb"), QStringLiteral("改行")},
            {"end-of-file mark in a spare column", 11, QStringLiteral("a\x1A"), QStringLiteral("制御文字")},
            {"wave dash without a code", 10, QStringLiteral("9〜10"), QStringLiteral("「〜」（U+301C）はShift-JISにない文字です")},
            {"inf", 1, QStringLiteral("inf"), QStringLiteral("「目標Time」（1列目）の「inf」：数値ではありません")},
            {"nan", 8, QStringLiteral("nan"), QStringLiteral("「判期間」（8列目）の「nan」：数値ではありません")},
            {"1e10 pass time", 1, QStringLiteral("1e10"), QStringLiteral("0～9999の数にしてください")},
            {"clear count 70000", 4, QStringLiteral("70000"), QStringLiteral("「ｸﾘｱ回数」（4列目）の「70000」：0～9999")},
            {"multiplier 1e9", 5, QStringLiteral("1e9"), QStringLiteral("0～100")},
            {"fraction in a whole-number column", 2, QStringLiteral("90.5"), QStringLiteral("整数で書いてください")},
            {"negative period", 9, QStringLiteral("-1"), QStringLiteral("0～36500")},
            {"full-width digits", 1, QStringLiteral("６０"), QStringLiteral("数値ではありません")},
        };
        for (const auto& r : refused) {
            QStringList row{"60", "120", "30", "5", "1.5", "10", "200", "7", "1", "", "", ""};
            row[r.column - 1] = r.text;
            QTest::newRow(r.name) << std::vector<QStringList>{row} << int(SaveOutcome::NotWritten) << old << r.why;
        }
        QTest::newRow("nothing was read: nothing to save")
            << std::vector<QStringList>{} << int(SaveOutcome::NotWritten) << old << QStringLiteral("読み込まれていない");
        QTest::newRow("largest values the editor takes")
            << std::vector<QStringList>{{"9999", "9999", "999999", "9999", "100", "99999", "999999", "36500", "36500", "", "", ""}}
            << int(SaveOutcome::Saved) << heading + "9999,9999,999999,9999,100,99999,999999,36500,36500,,,\r\n" << QString();
        QTest::newRow("text in a spare column is fine")
            << std::vector<QStringList>{{"60", "120", "30", "5", "1.5", "10", "200", "7", "1", "x", "y", "z"}}
            << int(SaveOutcome::Saved) << heading + "60,120,30,5,1.5,10,200,7,1,x,y,z\r\n" << QString();
    }
    void save()
    {
        QFETCH(std::vector<QStringList>, rows);
        QFETCH(int, outcome);
        QFETCH(QString, fileText);
        QFETCH(QString, errorPart);
        test::TestContext t;
        QTemporaryDir dir;
        t->programDataFolder = dir.path() + QStringLiteral("/");
        test::writeCp932(criteriaFilePath(*t), QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                                              "60,120,30,5,1.5,10,200,7,1,,,\r\n"));
        QVERIFY(loadCriteria(*t));
        QString error;
        QCOMPARE(int(saveCriteriaRows(*t, rows, &error)), outcome);
        QCOMPARE(cp932::decode(readBytes(criteriaFilePath(*t))), fileText);
        if (outcome == int(SaveOutcome::Saved)) {
            QVERIFY(error.isEmpty());
            QCOMPARE(t->criteria[1].targetTime, rows[0][0].toInt());
            QCOMPARE(t->criteria[1].spare10, rows[0][9]);
        } else {
            QVERIFY2(error.contains(errorPart), qPrintable(error));
            QVERIFY(error.contains(criteriaFilePath(*t)));
            QCOMPARE(t->criteria[1].targetTime, 60);
        }
        // Nothing is left beside the file, and start-up reads what is there.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{kCriteriaFileName});
        test::TestContext fresh;
        fresh->programDataFolder = t->programDataFolder;
        QString why;
        QVERIFY2(loadCriteria(*fresh, &why), qPrintable(why));
    }

    // A spare item the file holds in quotes, with a comma in it, is shown as
    // its text; saving it back unquoted would split the row, so the editor
    // refuses and says where, and the file start-up reads stays as it is.
    void quotedSpareItemIsNotWrittenBackBroken()
    {
        test::TestContext t;
        QTemporaryDir dir;
        t->programDataFolder = dir.path() + QStringLiteral("/");
        const QString text = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                            "60,120,30,5,1.5,10,200,7,1,\"a,b\",,\r\n");
        test::writeCp932(criteriaFilePath(*t), text);
        QVERIFY(loadCriteria(*t));
        QCOMPARE(t->criteria[1].spare10, QStringLiteral("a,b"));
        std::vector<QStringList> rows;
        QVERIFY(readCriteriaRows(criteriaFilePath(*t), &rows));
        QString error;
        QCOMPARE(saveCriteriaRows(*t, rows, &error), SaveOutcome::NotWritten);
        QVERIFY2(error.contains(QStringLiteral("レベル1の10列目の「a,b」")), qPrintable(error));
        QCOMPARE(cp932::decode(readBytes(criteriaFilePath(*t))), text);
    }

    // A file that cannot be written is reported with its name and leaves
    // what is stored in place.
    void saveFailure()
    {
        test::TestContext t;
        QTemporaryDir dir;
        t->programDataFolder = dir.path() + QStringLiteral("/");
        // A folder where the file should be: it cannot be replaced by a file.
        QVERIFY(QDir().mkpath(criteriaFilePath(*t)));
        QString error;
        QCOMPARE(saveCriteriaRows(*t, {{"60", "120", "30", "5", "1", "", "", "7", "1", "", "", ""}}, &error),
                 SaveOutcome::NotWritten);
        QVERIFY(error.contains(criteriaFilePath(*t)));
        QVERIFY(error.contains(QStringLiteral("記録できません")));
        QVERIFY(QFileInfo(criteriaFilePath(*t)).isDir());
        QCOMPARE(t->criteria[1].targetTime, 0);
    }

    void explanations_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("pass time") << 1 << QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください");
        QTest::newRow("points target") << 3 << QStringLiteral("目標ポイント\n　　 目標ポイント");
        QTest::newRow("multiplier, two lines") << 5
                                               << QStringLiteral("ポイント倍率\n  ポイントを何倍にして加算するか\n  むずかしいレベルや生徒のいやがるレベルは高くしてください");
        QTest::newRow("ban count ends in a blank line") << 6 << QStringLiteral("やりすぎ禁止回数\n  何回やったらやりすぎ禁止にするか\n  ");
        QTest::newRow("ban period as the judgement period") << 9 << QStringLiteral("やりすぎ判定をする日数\n　何日前からのポイントを有効にするか");
        QTest::newRow("level column") << 0 << QString();
        QTest::newRow("spare column") << 10 << QString();
        QTest::newRow("last spare column") << 12 << QString();
    }
    void explanations()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QCOMPARE(columnExplanation(column), text);
    }
};

QTEST_GUILESS_MAIN(TestCriteriaLogic)
#include "test_criteria_logic.moc"
