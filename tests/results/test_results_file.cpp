#include "results/resultsfile.h"
#include "results/statistics.h"
#include "results/unsentqueue.h"
#include "support/fakes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace soinsuu;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestResultsFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    QString path() const { return dir_.filePath(QStringLiteral("成績累積データ.dat")); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(path());
        t_ = std::make_unique<test::TestContext>();
        test::TestContext& t = *t_;
        t->programDataFolder = dir_.path() + QStringLiteral("/");
        t.clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(18, 0, 0)));
        t->currentStudent = 12;
        t->selectedLevel = 3;
        t->runTime = 57;
        t->schoolCode = QStringLiteral("12345");
    }

    void recordBytes()
    {
        QVERIFY(appendResult(**t_));
        const QByteArray b = fileBytes(path());
        QCOMPARE(b.size(), 44);
        QByteArray expected;
        auto le = [&](std::uint64_t v, int n) { for (int i = 0; i < n; ++i) expected.append(char((v >> (8 * i)) & 0xFF)); };
        double date = 46365.0;  // 2026-12-09
        double time = 0.75;     // 18:00
        std::uint64_t bits;
        std::memcpy(&bits, &date, 8);
        le(bits, 8);
        std::memcpy(&bits, &time, 8);
        le(bits, 8);
        le(12, 2);
        le(3, 2);
        le(57, 4);
        expected += "12345" "     " "0    ";
        expected += QByteArray(5, '\0');
        QCOMPARE(b, expected);
        const ResultRecord r = decodeRecord(b.constData());
        QCOMPARE(dateFromOle(r.date), QDate(2026, 12, 9));
        QCOMPARE(r.Bangou, std::int16_t(12));
        QCOMPARE(r.time, 57);
        QCOMPARE(r.schoolCode, QStringLiteral("12345"));
        QCOMPARE(fieldNumber(r.points), 0.0);
        QCOMPARE(fieldNumber(r.extra), 0.0);
    }

    void textFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty school code") << "" << QByteArray("     ");
        QTest::newRow("short") << "12" << QByteArray("12   ");
        QTest::newRow("too long") << "1234567" << QByteArray("12345");
        QTest::newRow("double-byte not split") << "ab塾塾" << QByteArray("ab\x8f\x6d ");
    }
    void textFields()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(fiveByteField(text), bytes);
    }

    void timedOutRunIsStoredAs99999()
    {
        (*t_)->runTime = kNoTime;
        (*t_)->schoolCode.clear();
        QVERIFY(appendResult(**t_));
        const ResultRecord r = decodeRecord(fileBytes(path()).constData());
        QCOMPARE(r.time, 99999);
        QCOMPARE(r.schoolCode, QStringLiteral("     "));
    }

    void appendAfterAFragment()
    {
        // Two records and a 12-byte fragment: the new record lands as record 3.
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        ResultRecord old;
        old.Bangou = 1;
        old.level = 1;
        f.write(encodeRecord(old) + encodeRecord(old) + QByteArray(12, 'x'));
        f.close();
        QVERIFY(appendResult(**t_));
        const QByteArray b = fileBytes(path());
        QCOMPARE(b.size(), 132);
        QCOMPARE(decodeRecord(b.constData() + 88).Bangou, std::int16_t(12));
        ResultRecord third;
        QCOMPARE(readRecord(path(), 3, &third).status, FileStatus::Ok);
        QCOMPARE(third.time, 57);
        QCOMPARE(readRecord(path(), 4, &third).status, FileStatus::Failed);
    }

    void newestRecordsSkipTheFragmentInOneRead()
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 30; ++i) {
            ResultRecord r;
            r.Bangou = std::int16_t(i);
            f.write(encodeRecord(r));
        }
        f.write("frag");
        f.close();
        NewestRecords newest;
        QCOMPARE(readNewestRecords(path(), 10, &newest).status, FileStatus::Ok);
        QCOMPARE(newest.recordCount, 30);
        QCOMPARE(newest.firstRecordNumber, 21);
        QCOMPARE(int(newest.records.size()), 10);
        QCOMPARE(newest.records.front().Bangou, std::int16_t(21));
        QCOMPARE(newest.records.back().Bangou, std::int16_t(30));
        QCOMPARE(newest.readCalls, 1);
    }

    void readingCreatesAMissingFile()
    {
        NewestRecords newest;
        QCOMPARE(readNewestRecords(path(), 10, &newest).status, FileStatus::Ok);
        QVERIFY(QFile::exists(path()));
        QCOMPARE(newest.recordCount, 0);
    }

    void appendIntoAMissingFolderEndsTheProgram()
    {
        test::TestContext& t = *t_;
        t->programDataFolder = dir_.path() + QStringLiteral("/ない/");
        QVERIFY(!appendResult(*t));
        QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t.dialogs.shown[0].title, QStringLiteral("成績ランダムファイル記録"));
        QVERIFY(t.dialogs.shown[0].text.startsWith(QStringLiteral("成績ランダムファイル記録")));
        QVERIFY(t.dialogs.shown[0].text.contains(QStringLiteral("成績累積データ.dat")));
        QCOMPARE(t.navigator.endedWith, 1);
    }

    void sharingConflictWaitsASecondAndRetries()
    {
        test::TestContext& t = *t_;
        int openings = 0;
        setResultsOpenFault([&] { return openings++ == 0 ? EBUSY : 0; });
        const bool ok = appendResult(*t);
        setResultsOpenFault({});
        QVERIFY(ok);
        QCOMPARE(t.clock.waitsRequested, 1);
        QCOMPARE(t.clock.totalWaitedMs, 1000);
        QVERIFY(t.dialogs.shown.empty());
        QCOMPARE(fileBytes(path()).size(), 44);
    }

    void anotherMachinesLockIsWaitedOut()
    {
        // An open-file-description lock conflicts even within this process,
        // as another machine's lock on the share would.
        test::TestContext& t = *t_;
        QFile(path()).open(QIODevice::WriteOnly);
        const int holder = ::open(QFile::encodeName(path()).constData(), O_RDWR);
        QVERIFY(holder >= 0);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (::fcntl(holder, F_OFD_SETLK, &fl) != 0) {
            ::close(holder);
            QSKIP("no open-file-description locks here");
        }
        t.clock.onWait = [&] {
            fl.l_type = F_UNLCK;
            ::fcntl(holder, F_OFD_SETLK, &fl);
        };
        QVERIFY(appendResult(*t));
        ::close(holder);
        QCOMPARE(t.clock.waitsRequested, 1);
        QVERIFY(t.dialogs.shown.empty());
        QCOMPARE(fileBytes(path()).size(), 44);
    }

    void faultsAreReportedAtOnceAndKeepTheRun_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("cause");
        const int open = int(ResultsStep::Open), lock = int(ResultsStep::Lock), write = int(ResultsStep::Write),
                  flush = int(ResultsStep::Flush);
        QTest::newRow("permission denied opening") << open << EACCES << "このアカウントには許可されていません";
        QTest::newRow("not permitted opening") << open << EPERM << "このアカウントには許可されていません";
        QTest::newRow("read-only file system") << open << EROFS << "読み取り専用";
        QTest::newRow("disk full") << write << ENOSPC << "ディスクがいっぱいです";
        QTest::newRow("quota reached") << write << EDQUOT << "上限";
        QTest::newRow("I/O error writing") << write << EIO << "入出力エラー";
        QTest::newRow("I/O error flushing") << flush << EIO << "入出力エラー";
        QTest::newRow("no lock service") << lock << ENOLCK << "ロックする仕組みが使えません";
    }
    void faultsAreReportedAtOnceAndKeepTheRun()
    {
        QFETCH(int, step);
        QFETCH(int, number);
        QFETCH(QString, cause);
        test::TestContext& t = *t_;
        setResultsFault([&](ResultsStep s) { return int(s) == step ? number : 0; });
        const bool ok = appendResult(*t);
        setResultsFault({});
        QVERIFY(!ok);
        QVERIFY(t.clock.totalWaitedMs < 10000);
        QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
        const QString text = t.dialogs.shown[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("成績ランダムファイル記録")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("成績累積データ.dat")) && text.contains(cause), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("このコンピュータに残しました")), qPrintable(text));
        QCOMPARE(t.navigator.endedWith, 1);
        std::vector<QByteArray> queued;
        QString error;
        QVERIFY(readUnsentRecords(&queued, &error));
        QCOMPARE(queued.size(), std::size_t(1));

        // The same fault on the load: reported within the bound too.
        t.dialogs.shown.clear();
        t.clock.totalWaitedMs = 0;
        if (step != int(ResultsStep::Write) && step != int(ResultsStep::Flush)) {
            setResultsFault([&](ResultsStep s) { return int(s) == step ? number : 0; });
            QVERIFY(!computeCounts(*t));
            setResultsFault({});
            QVERIFY(t.clock.totalWaitedMs < 10000);
            QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
            QVERIFY2(t.dialogs.shown[0].text.startsWith(QStringLiteral("成績ランダムファイル表示")),
                     qPrintable(t.dialogs.shown[0].text));
            QVERIFY(t.dialogs.shown[0].text.contains(cause));
        }

        // The next run on this machine sends the kept one first, once.
        t->runTime = 58;
        QVERIFY(appendResult(*t));
        const QByteArray b = fileBytes(path());
        QCOMPARE(b.size(), 2 * kRecordSize);
        QCOMPARE(b.left(kRecordSize), queued[0]);
        QCOMPARE(decodeRecord(b.constData() + kRecordSize).time, 58);
        QVERIFY(readUnsentRecords(&queued, &error));
        QVERIFY(queued.empty());
    }

    void startUpSendsTheQueuedRuns()
    {
        ResultRecord kept;
        kept.date = 46364;
        kept.Bangou = 7;
        kept.level = 2;
        kept.time = 41;
        QString error;
        QVERIFY(writeUnsentRecords({encodeRecord(kept)}, &error));
        sendUnsentResults(**t_);
        QCOMPARE(fileBytes(path()), encodeRecord(kept));
        std::vector<QByteArray> queued;
        QVERIFY(readUnsentRecords(&queued, &error));
        QVERIFY(queued.empty());
        // Sent once: a second start-up finds nothing to send.
        sendUnsentResults(**t_);
        QCOMPARE(fileBytes(path()).size(), kRecordSize);
    }

    void aReadFaultOnTheLoadIsReported()
    {
        test::TestContext& t = *t_;
        QVERIFY(appendResult(*t));
        setResultsFault([](ResultsStep s) { return s == ResultsStep::Read ? EIO : 0; });
        QVERIFY(!computeCounts(*t));
        setResultsFault({});
        QCOMPARE(t.clock.totalWaitedMs, 0);
        QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
        QVERIFY(t.dialogs.shown[0].text.startsWith(QStringLiteral("成績ランダムファイル表示")));
        QVERIFY(t.dialogs.shown[0].text.contains(QStringLiteral("入出力エラー")));
    }

    void aLongWaitForTheSharedFileIsShown_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a moment: nothing shown") << 2 << false;
        QTest::newRow("longer: the wait is shown, then taken away") << 4 << true;
    }
    void aLongWaitForTheSharedFileIsShown()
    {
        QFETCH(int, seconds);
        QFETCH(bool, shown);
        for (const bool load : {false, true}) {
            test::TestContext& t = *t_;
            t.navigator.calls.clear();
            t.clock.totalWaitedMs = 0;
            // The share is busy for `seconds`.
            setResultsFault([&](ResultsStep s) {
                return s == ResultsStep::Open && t.clock.totalWaitedMs < seconds * 1000 ? EBUSY : 0;
            });
            const bool ok = load ? computeCounts(*t) : appendResult(*t);
            setResultsFault({});
            QVERIFY(ok);
            QVERIFY(t.dialogs.shown.empty());
            QCOMPARE(t.navigator.calls.contains(QStringLiteral("sharedFileWait")), shown);
            QCOMPARE(t.navigator.calls.contains(QStringLiteral("sharedFileWaitOver")), shown);
        }
    }

    void theFileIsCreatedForTheWholeGroup()
    {
        // Whatever the umask of the account that creates it.
        const mode_t old = ::umask(077);
        QVERIFY(appendResult(**t_));
        ::umask(old);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0664));
    }

    void oleDates_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("day");
        QTest::newRow("epoch") << QDate(1899, 12, 30) << 0.0;
        QTest::newRow("1900-01-01") << QDate(1900, 1, 1) << 2.0;
        QTest::newRow("2026-12-09") << QDate(2026, 12, 9) << 46365.0;
    }
    void oleDates()
    {
        QFETCH(QDate, date);
        QFETCH(double, day);
        QCOMPARE(oleDate(date), day);
        QCOMPARE(dateFromOle(day), date);
    }

    // A damaged record's date reads as no date at all.
    void damagedDatesReadAsNoDate()
    {
        for (double day : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300, -1e18})
            QVERIFY(!dateFromOle(day).isValid());
    }
};

QTEST_GUILESS_MAIN(TestResultsFile)
#include "test_results_file.moc"
