// The records maintenance logic without its window: the list lines, the
// window's roster tables, the two edit fields, and the in-place correction
// and deletion of records under the writers' lock.

#include "admin/records_maintenance.h"
#include "foundation/cp932.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"
#include "numbered_records.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <optional>
#include <thread>
#include <unistd.h>

using namespace soinsuu;

Q_DECLARE_METATYPE(std::optional<std::int32_t>)
Q_DECLARE_METATYPE(std::optional<std::int16_t>)
Q_DECLARE_METATYPE(soinsuu::ChangeOutcome)

namespace {

// School year 2004: birth year 1995 is grade 3 (小３), 1990 grade 8 (中２),
// 1980 is beyond school and has no grade name.
const QString kRoster = QStringLiteral(
    "7,1995,0,0,\"生徒Ａ\",0,\"\",\"\"\r\n"
    "8,1990,0,0,\"髙橋　ひかりさんです\",1,\"\",\"\"\r\n"
    "100,1980,0,0,\"先生\",2,\"\",\"\"\r\n");

MaintenanceRoster roster2004()
{
    MaintenanceRoster roster;
    if (!fillMaintenanceRoster(kRoster, 2004, &roster))
        qFatal("fixture roster does not read");
    return roster;
}

// Record number i carries time i, so a record is known by its time.
ResultRecord numbered(int i) { return test::numbered(i, QDate(2004, 5, 6), 7); }
QByteArray numberedFile(int count, int fragment = 0) { return test::numberedFile(count, fragment, QDate(2004, 5, 6), 7); }

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

using test::oneTo;
using test::readBytes;
using test::timesIn;

} // namespace

class TestRecordsMaintenance : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;

private Q_SLOTS:
    void init()
    {
        path_ = dir_.filePath(kResultsFileName);
        QFile::remove(path_);
    }

    void listLine_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<int>("width");
        QTest::addColumn<QTime>("timeOfDay");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("student");
        QTest::addColumn<QString>("recordCode");
        QTest::addColumn<QString>("ownCode");
        QTest::addColumn<QString>("line");
        const QTime afternoon(15, 30, 12);
        QTest::newRow("another school")
            << qint64(12) << 4 << afternoon << 3 << 57 << 7 << "54321" << "12345"
            << QStringLiteral("  12 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   7 生徒Ａ　　　 小３++他塾");
        QTest::newRow("own school")
            << qint64(12) << 4 << afternoon << 3 << 57 << 7 << "12345" << "12345"
            << QStringLiteral("  12 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   7 生徒Ａ　　　 小３++Korvane塾");
        QTest::newRow("installation without a code")
            << qint64(12) << 4 << afternoon << 3 << 57 << 7 << "" << ""
            << QStringLiteral("  12 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   7 生徒Ａ　　　 小３++他塾");
        QTest::newRow("student no roster line carries")
            << qint64(3) << 4 << afternoon << 3 << 57 << 9 << "12345" << "12345"
            << QStringLiteral("   3 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   9 　　　　　 ++Korvane塾");
        QTest::newRow("long name cut, grade without a name")
            << qint64(1) << 4 << QTime(9, 5, 3) << 12 << 99999 << 8 << "12345" << "12345"
            << QStringLiteral("   1 2004/05/06　  9:05:03ﾚﾍﾞﾙ12　99999秒 　   8 髙橋　ひかり 中２++Korvane塾");
        QTest::newRow("teacher beyond school")
            << qint64(2) << 4 << QTime(0, 0, 0) << 1 << 0 << 100 << "12345" << "12345"
            << QStringLiteral("   2 2004/05/06　  0:00:00ﾚﾍﾞﾙ1　    0秒 　 100 先生　　　　 ++Korvane塾");
        QTest::newRow("number beyond four digits")
            << qint64(12345) << 5 << afternoon << 3 << 57 << 7 << "12345" << "12345"
            << QStringLiteral("12345 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   7 生徒Ａ　　　 小３++Korvane塾");
        QTest::newRow("short numbers in a wide list")
            << qint64(12) << 5 << afternoon << 3 << 57 << 7 << "12345" << "12345"
            << QStringLiteral("   12 2004/05/06　 15:30:12ﾚﾍﾞﾙ3　   57秒 　   7 生徒Ａ　　　 小３++Korvane塾");
    }
    void listLine()
    {
        QFETCH(qint64, number);
        QFETCH(int, width);
        QFETCH(QTime, timeOfDay);
        QFETCH(int, level);
        QFETCH(int, time);
        QFETCH(int, student);
        QFETCH(QString, recordCode);
        QFETCH(QString, ownCode);
        QFETCH(QString, line);
        ResultRecord r;
        r.date = oleDate(QDate(2004, 5, 6));
        r.timeOfDay = timeOfDayFraction(timeOfDay);
        r.level = std::int16_t(level);
        r.time = time;
        r.Bangou = std::int16_t(student);
        // As the file gives it back: five characters, padded.
        r.schoolCode = cp932::decode(fiveByteField(recordCode));
        const RecordLineSettings settings{ownCode, QStringLiteral("Korvane塾"), width};
        QCOMPARE(recordListLine(number, r, roster2004(), settings), line);
    }

    void numberWidth()
    {
        QCOMPARE(recordNumberWidth(0), 4);
        QCOMPARE(recordNumberWidth(9999), 4);
        QCOMPARE(recordNumberWidth(10000), 5);
        QCOMPARE(recordNumberWidth(123456), 6);
    }

    // Level 0 records have no line; the lines after one keep their numbers.
    void linesSkipLevelZero()
    {
        QByteArray bytes;
        for (int i = 1; i <= 4; ++i) {
            ResultRecord r = numbered(i);
            if (i == 2)
                r.level = 0;
            bytes += encodeRecord(r);
        }
        RawRecords raw;
        raw.bytes = bytes;
        raw.recordCount = 4;
        const RecordLines lines = buildRecordLines(raw, roster2004(), RecordLineSettings{"12345", "K", 4});
        QCOMPARE(lines.lines.size(), 3);
        QCOMPARE(lines.numbers, (std::vector<std::int64_t>{1, 3, 4}));
        QVERIFY(lines.lines[1].startsWith(QStringLiteral("   3 ")));
        QVERIFY(lines.lines[1].endsWith(QStringLiteral("++K")));
    }

    void rosterTables()
    {
        const MaintenanceRoster roster = roster2004();
        // Every line, listed (status 0) or not (1, 2).
        QCOMPARE(roster.entries, (QStringList{QStringLiteral("7 /  生徒Ａ"), QStringLiteral("8 /  髙橋　ひかりさんです"),
                                              QStringLiteral("100 /  先生")}));
        QCOMPARE(roster.names[7], QStringLiteral("生徒Ａ"));
        QCOMPARE(roster.gradeNames[7], QStringLiteral("小３"));
        QCOMPARE(roster.gradeNames[8], QStringLiteral("中２"));
        QCOMPARE(roster.gradeNames[100], QString());
        QCOMPARE(studentEntry(12, QStringLiteral("生徒Ａ")), QStringLiteral("12 /  生徒Ａ"));

        // A full-width space ending a name is part of it; half-width padding is not.
        MaintenanceRoster spaced;
        QVERIFY(fillMaintenanceRoster(QStringLiteral("5,1995,0,0,\"  山田　\",0,\"\",\"\"\r\n"), 2004, &spaced));
        QCOMPARE(spaced.names[5], QStringLiteral("山田　"));

        // A number the tables cannot hold is left out; a broken line stops
        // the reading and names its line, keeping what came before.
        MaintenanceRoster broken;
        QString why;
        QVERIFY(!fillMaintenanceRoster(QStringLiteral("9000,1995,0,0,\"遠い\",0,\"\",\"\"\r\n"
                                                      "3,1995,0,0,\"三\",0,\"\",\"\"\r\n"
                                                      "x,1995,0,0,\"壊れ\",0,\"\",\"\"\r\n"),
                                       2004, &broken, &why));
        QVERIFY2(why.startsWith(QStringLiteral("3行目")), qPrintable(why));
        QCOMPARE(broken.entries, QStringList{QStringLiteral("3 /  三")});
    }

    void timeField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<std::int32_t>>("time");
        QTest::newRow("whole") << "57" << std::optional<std::int32_t>(57);
        QTest::newRow("half down to even") << "12.5" << std::optional<std::int32_t>(12);
        QTest::newRow("half up to even") << "13.5" << std::optional<std::int32_t>(14);
        QTest::newRow("just above half") << "12.51" << std::optional<std::int32_t>(13);
        QTest::newRow("text") << "abc" << std::optional<std::int32_t>(0);
        QTest::newRow("empty") << "" << std::optional<std::int32_t>(0);
        QTest::newRow("leading number") << " 57秒" << std::optional<std::int32_t>(57);
        QTest::newRow("number then text") << "12abc" << std::optional<std::int32_t>(12);
        QTest::newRow("full-width digits") << "５７" << std::optional<std::int32_t>(57);
        QTest::newRow("timed out") << "99999" << std::optional<std::int32_t>(99999);
        QTest::newRow("negative") << "-3" << std::optional<std::int32_t>();
        QTest::newRow("beyond 32 bits") << "3000000000" << std::optional<std::int32_t>();
        QTest::newRow("exponent") << "1e3" << std::optional<std::int32_t>(1000);
    }
    void timeField()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<std::int32_t>, time);
        QCOMPARE(parseTimeField(text), time);
    }

    void studentField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<std::int16_t>>("student");
        using S = std::optional<std::int16_t>;
        QTest::newRow("entry") << "12 /  生徒Ａ" << S(12);
        QTest::newRow("no space") << "7/" << S(7);
        QTest::newRow("first slash") << "3 / a/b" << S(3);
        QTest::newRow("half to even") << "12.5 / x" << S(12);
        QTest::newRow("zero") << "0 /  " << S(0);
        QTest::newRow("highest") << "5000 / x" << S(5000);
        QTest::newRow("no slash") << "12" << S();
        QTest::newRow("no number") << "abc / x" << S();
        QTest::newRow("empty") << "" << S();
        QTest::newRow("above 5000") << "5001 / x" << S();
        QTest::newRow("negative") << "-1 / x" << S();
    }
    void studentField()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<std::int16_t>, student);
        QCOMPARE(parseStudentField(text), student);
    }

    void correctedKeepsOtherBytes()
    {
        QByteArray raw = encodeRecord(numbered(5));
        raw.replace(39, 5, "PADDG");  // whatever another program left there
        const QByteArray out = correctedRecord(raw, 42, 61);
        const ResultRecord r = decodeRecord(out.constData());
        QCOMPARE(r.Bangou, std::int16_t(42));
        QCOMPARE(r.time, 61);
        QByteArray expected = raw;
        expected.replace(16, 2, out.mid(16, 2));
        expected.replace(20, 4, out.mid(20, 4));
        QCOMPARE(out, expected);
        QCOMPARE(out.mid(39), QByteArray("PADDG"));
    }

    void deletion_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("fragment");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QList<int>>("left");
        QTest::newRow("5 of 8") << 8 << 0 << 5 << oneTo(8, 5);
        QTest::newRow("first") << 8 << 0 << 1 << oneTo(8, 1);
        QTest::newRow("last") << 8 << 0 << 8 << oneTo(7);
        QTest::newRow("only") << 1 << 0 << 1 << QList<int>{};
        QTest::newRow("fragment dropped") << 4 << 12 << 2 << oneTo(4, 2);
        QTest::newRow("fragment dropped after the last") << 4 << 43 << 4 << oneTo(3);
    }
    void deletion()
    {
        QFETCH(int, count);
        QFETCH(int, fragment);
        QFETCH(int, chosen);
        QFETCH(QList<int>, left);
        writeBytes(path_, numberedFile(count, fragment));
        const ChangeResult result = deleteRecordInPlace(path_, chosen, encodeRecord(numbered(chosen)));
        QCOMPARE(result.outcome, ChangeOutcome::Done);
        const QByteArray after = readBytes(path_);
        QCOMPARE(after.size(), left.size() * kRecordSize);
        QCOMPARE(timesIn(after), left);
        QVERIFY(QFile::exists(path_));
    }

    // A refused change leaves the file byte for byte as it was, and never
    // writes past the last record.
    void refusedChanges_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("expectedTime");  // the record as the window read it
        QTest::addColumn<ChangeOutcome>("outcome");
        QTest::newRow("delete beyond the end") << true << 9 << 9 << ChangeOutcome::Missing;
        QTest::newRow("delete a record that changed") << true << 5 << 6 << ChangeOutcome::Changed;
        QTest::newRow("correct beyond the end") << false << 9 << 9 << ChangeOutcome::Missing;
        QTest::newRow("correct a record that changed") << false << 5 << 6 << ChangeOutcome::Changed;
        QTest::newRow("correct record 0") << false << 0 << 1 << ChangeOutcome::Missing;
    }
    void refusedChanges()
    {
        QFETCH(bool, deleting);
        QFETCH(int, chosen);
        QFETCH(int, expectedTime);
        QFETCH(ChangeOutcome, outcome);
        const QByteArray before = numberedFile(8, 7);
        writeBytes(path_, before);
        const QByteArray expected = encodeRecord(numbered(expectedTime));
        const ChangeResult result = deleting
            ? deleteRecordInPlace(path_, chosen, expected)
            : writeRecordInPlace(path_, chosen, expected, correctedRecord(expected, 1, 1));
        QCOMPARE(result.outcome, outcome);
        QVERIFY(result.description.contains(QDir::toNativeSeparators(path_)));
        QCOMPARE(readBytes(path_), before);
    }

    void missingFile()
    {
        QByteArray raw;
        QCOMPARE(readRawRecord(path_, 1, &raw).outcome, ChangeOutcome::Missing);
        QCOMPARE(deleteRecordInPlace(path_, 1, {}).outcome, ChangeOutcome::Missing);
        QCOMPARE(writeRecordInPlace(path_, 1, {}, encodeRecord(numbered(1))).outcome, ChangeOutcome::Missing);
        QVERIFY(!QFile::exists(path_));
    }

    void correctionInPlace()
    {
        const QByteArray before = numberedFile(5, 10);
        writeBytes(path_, before);
        QByteArray raw;
        QCOMPARE(readRawRecord(path_, 3, &raw).outcome, ChangeOutcome::Done);
        QCOMPARE(raw, before.mid(2 * kRecordSize, kRecordSize));
        const QByteArray corrected = correctedRecord(raw, 12, 57);
        QCOMPARE(writeRecordInPlace(path_, 3, raw, corrected).outcome, ChangeOutcome::Done);
        QByteArray expected = before;
        expected.replace(2 * kRecordSize, kRecordSize, corrected);
        QCOMPARE(readBytes(path_), expected);  // the fragment too stays as it was
    }

    // While another machine holds the writers' lock, nothing is changed.
    void lockHeldElsewhere()
    {
        const QByteArray before = numberedFile(3);
        writeBytes(path_, before);
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        QCOMPARE(fcntl(fd, F_OFD_SETLK, &fl), 0);
        QCOMPARE(deleteRecordInPlace(path_, 2, {}).outcome, ChangeOutcome::Conflict);
        QCOMPARE(writeRecordInPlace(path_, 2, {}, encodeRecord(numbered(9))).outcome, ChangeOutcome::Conflict);
        ::close(fd);
        QCOMPARE(readBytes(path_), before);
        QCOMPARE(deleteRecordInPlace(path_, 2, {}).outcome, ChangeOutcome::Done);
    }

    // Appends from another writer racing a series of deletions: every
    // appended record survives, and exactly the deleted ones are gone.
    void appendsRacingDeletions()
    {
        writeBytes(path_, numberedFile(200));
        std::atomic<bool> failed{false};
        constexpr int kAppends = 300;
        std::thread appender([&] {
            for (int i = 0; i < kAppends; ++i) {
                ResultRecord r = numbered(10000 + i);
                FileError e;
                do {
                    e = appendRecord(path_, r);
                } while (e.status == FileStatus::SharingConflict);
                if (e.status != FileStatus::Ok)
                    failed = true;
            }
        });
        // Delete the first record 100 times: records 1..100 go.
        int deleted = 0;
        for (int i = 0; i < 100; ++i) {
            const ChangeResult r = deleteRecordInPlace(path_, 1, {});
            if (r.outcome == ChangeOutcome::Done)
                ++deleted;
        }
        appender.join();
        QVERIFY(!failed);
        QCOMPARE(deleted, 100);
        const QByteArray after = readBytes(path_);
        QCOMPARE(after.size() % kRecordSize, 0);
        QList<int> times = timesIn(after);
        QCOMPARE(times.size(), 200 - 100 + kAppends);
        std::sort(times.begin(), times.end());
        QList<int> expected = oneTo(200).mid(100);
        for (int i = 0; i < kAppends; ++i)
            expected << 10000 + i;
        QCOMPARE(times, expected);
    }
};

QTEST_MAIN(TestRecordsMaintenance)
#include "test_records_maintenance.moc"
