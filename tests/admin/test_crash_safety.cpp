// Corrections, deletions and appends cut off at every write-type system
// call in turn (strace kills the child there), or in the middle of a write
// (a preloaded shim writes half and kills): once the file is next locked,
// every record is there exactly once and whole, and the records another
// program appended in the meantime are kept. Also faults on real system
// calls, and machines appending while a teacher deletes.

#include "admin/records_maintenance.h"
#include "results/changejournal.h"
#include "results/resultsfile.h"
#include "results/unsentqueue.h"
#include "race_records.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <map>
#include <unistd.h>

using namespace soinsuu;

namespace {

const QString kStrace = QStandardPaths::findExecutable(QStringLiteral("strace"));

// Fixture record `id`: its id is in its text and its time of day, which a
// correction leaves as they are.
ResultRecord fixture(int id)
{
    ResultRecord r;
    r.date = 46000;
    r.timeOfDay = id / 1000.0;
    r.Bangou = std::int16_t(id);
    r.level = 2;
    r.time = 500 + id;
    r.schoolCode = QStringLiteral("F%1").arg(id, 2, 10, QLatin1Char('0'));
    r.points = QStringLiteral("0");
    return r;
}

QByteArray fixtureBytes(int id) { return encodeRecord(fixture(id)); }
QByteArray correctedBytes(int id) { return correctedRecord(fixtureBytes(id), 77, 777); }
// What another program of the family appends, knowing nothing of journals.
const QByteArray kForeign = [] {
    ResultRecord r = fixture(99);
    r.schoolCode = QStringLiteral("OTHER");
    return encodeRecord(r);
}();

constexpr int kFixtureRecords = 12;

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray wholeRecords(const QByteArray& bytes) { return bytes.left(bytes.size() - bytes.size() % kRecordSize); }

// The next lock: what any machine does before it appends, changes or reads.
bool lockOnce(const QString& path)
{
    FileError e;
    const int fd = openResultsForWriting(path, false, &e);
    if (fd < 0) {
        qWarning("%s", qPrintable(e.description));
        return false;
    }
    closeResultsFile(fd);
    return true;
}

// An append as an older program of the family makes it: no lock, no journal.
void appendAsOtherProgram(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    QVERIFY(fd >= 0);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    QCOMPARE(::pwrite(fd, kForeign.constData(), kRecordSize, size - size % kRecordSize), ssize_t(kRecordSize));
    ::close(fd);
}

// Runs the helper; true when it finished its change (was not killed).
bool runHelper(const QStringList& wrapper, const QStringList& args, const QProcessEnvironment& env, QString* err = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(env);
    QStringList all = wrapper;
    all << QStringLiteral(CHANGE_HELPER) << args;
    const QString program = all.takeFirst();
    p.start(program, all);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList killAt(const QString& syscall, int n)
{
    return {kStrace, QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-e"),
            QStringLiteral("trace=") + syscall, QStringLiteral("-e"),
            QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(syscall).arg(n)};
}

QProcessEnvironment childEnvironment(const QString& dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    // A preloaded shim comes before the sanitizer's runtime.
    QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
    return env;
}

// Write-type system calls of a change, each swept on its own.
const QStringList kWriteCalls = {QStringLiteral("pwrite64"), QStringLiteral("write"), QStringLiteral("ftruncate"),
                                 QStringLiteral("fsync"), QStringLiteral("fdatasync"), QStringLiteral("rename"),
                                 QStringLiteral("renameat2"), QStringLiteral("unlink"), QStringLiteral("openat"),
                                 QStringLiteral("fchmod")};

struct Tally {
    int tried = 0;
    int passed = 0;
    std::map<QString, int> perCall;
};
std::map<QString, Tally> tallies;

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;
    QString copy_;
    QString dataHome_;

    // The file's records as they may stand once a change has or has not
    // happened.
    QList<QByteArray> outcomes(const QString& change, bool foreign)
    {
        QByteArray before, after;
        for (int id = 1; id <= kFixtureRecords; ++id) {
            before += fixtureBytes(id);
            if (change == QLatin1String("delete") && id == 5)
                continue;
            after += change == QLatin1String("correct") && id == 7 ? correctedBytes(id) : fixtureBytes(id);
        }
        if (foreign) {
            before += kForeign;
            after += kForeign;
        }
        return {before, after};
    }

    // After a kill: the next lock, then every record checked, with and
    // without a record another program appended before that lock.
    bool recoversWhole(const QString& change, QString* why)
    {
        QFile::remove(copy_);
        QFile::remove(changeJournalPath(copy_));
        QFile::copy(path_, copy_);
        if (QFile::exists(changeJournalPath(path_)))
            QFile::copy(changeJournalPath(path_), changeJournalPath(copy_));
        appendAsOtherProgram(copy_);
        for (const auto& [file, foreign] : {std::pair{path_, false}, std::pair{copy_, true}}) {
            if (!lockOnce(file)) {
                *why = QStringLiteral("the lock failed");
                return false;
            }
            const QByteArray records = wholeRecords(fileBytes(file));
            if (!outcomes(change, foreign).contains(records)) {
                *why = QStringLiteral("%1 records, not as before or after the change%2")
                           .arg(records.size() / kRecordSize)
                           .arg(foreign ? QStringLiteral(" (with another program's append)") : QString());
                return false;
            }
            if (QFile::exists(changeJournalPath(file))) {
                *why = QStringLiteral("the journal stayed");
                return false;
            }
        }
        return true;
    }

    void writeFixture()
    {
        QByteArray bytes;
        for (int id = 1; id <= kFixtureRecords; ++id)
            bytes += fixtureBytes(id);
        writeBytes(path_, bytes + QByteArray(10, 'z'));  // and a fragment a broken write left
        QFile::remove(changeJournalPath(path_));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!kStrace.isEmpty(), "strace is needed (scripts/packages.txt)");
        path_ = dir_.filePath(QStringLiteral("成績累積データ.dat"));
        copy_ = dir_.filePath(QStringLiteral("copy/成績累積データ.dat"));
        QDir(dir_.path()).mkpath(QStringLiteral("copy"));
        dataHome_ = dir_.filePath(QStringLiteral("home"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_));
    }

    void cleanupTestCase()
    {
        for (const auto& [name, t] : tallies) {
            QStringList calls;
            for (const auto& [call, count] : t.perCall)
                calls << QStringLiteral("%1 %2").arg(call).arg(count);
            qInfo("%s: %d kill points tried, %d passed (%s)", qPrintable(name), t.tried, t.passed,
                  qPrintable(calls.join(QStringLiteral(", "))));
        }
    }

    void killedAtEveryWrite_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("shim");
        const QStringList del{QStringLiteral("delete"), QString(), QStringLiteral("5")};
        const QStringList cor{QStringLiteral("correct"), QString(), QStringLiteral("7"), QStringLiteral("77"),
                              QStringLiteral("777")};
        QTest::newRow("deletion, killed at each call") << "delete" << del << false;
        QTest::newRow("correction, killed at each call") << "correct" << cor << false;
        QTest::newRow("deletion, a write cut in half") << "delete" << del << true;
        QTest::newRow("correction, a write cut in half") << "correct" << cor << true;
    }
    void killedAtEveryWrite()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, args);
        QFETCH(bool, shim);
        args[1] = path_;
        const QProcessEnvironment plain = childEnvironment(dataHome_);
        Tally& tally = tallies[QString::fromLatin1(QTest::currentDataTag())];
        const QStringList calls = shim ? QStringList{QStringLiteral("pwrite")} : kWriteCalls;
        for (const QString& call : calls) {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 200, "the change never completed");
                writeFixture();
                QProcessEnvironment env = plain;
                QStringList wrapper;
                if (shim) {
                    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(CUTWRITE_SHIM));
                    env.insert(QStringLiteral("CUT_WRITE_AT"), QString::number(n));
                } else {
                    wrapper = killAt(call, n);
                }
                const bool completed = runHelper(wrapper, args, env);
                QString why;
                const bool whole = recoversWhole(change, &why);
                if (completed) {
                    // Run to its end: the change is made, no matter what
                    // the next lock found.
                    QVERIFY2(whole, qPrintable(why));
                    QCOMPARE(wholeRecords(fileBytes(path_)), outcomes(change, false).at(1));
                    break;
                }
                ++tally.tried;
                ++tally.perCall[call];
                QVERIFY2(whole, qPrintable(QStringLiteral("killed at %1 #%2: %3").arg(call).arg(n).arg(why)));
                ++tally.passed;
            }
        }
    }

    void queuedRunsArriveOnce()
    {
        // Killed anywhere in an append that also sends two queued runs:
        // the next append sends what is still queued, never twice.
        const QProcessEnvironment env = childEnvironment(dataHome_);
        const QByteArray q1 = fixtureBytes(31), q2 = fixtureBytes(32);
        const QByteArray current = [] {
            ResultRecord r = fixture(40);
            r.schoolCode = QStringLiteral("W9");
            return encodeRecord(r);
        }();
        Tally& tally = tallies[QStringLiteral("append with a queue")];
        for (const QString& call : kWriteCalls) {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 200, "the append never completed");
                writeBytes(path_, fixtureBytes(1) + fixtureBytes(2));
                QString error;
                QVERIFY(writeUnsentRecords({q1, q2}, &error));
                const bool completed = runHelper(killAt(call, n), {QStringLiteral("record"), path_, QStringLiteral("9"),
                                                                   QStringLiteral("1")},
                                                 env);
                // The next run on this machine.
                QVERIFY(runHelper({}, {QStringLiteral("record"), path_, QStringLiteral("9"), QStringLiteral("2")}, env));
                const QByteArray bytes = fileBytes(path_);
                QMap<QByteArray, int> seen;
                for (qsizetype at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
                    ++seen[bytes.mid(at, kRecordSize)];
                std::vector<QByteArray> left;
                QVERIFY(readUnsentRecords(&left, &error));
                const bool ok = seen.value(q1) == 1 && seen.value(q2) == 1 && seen.value(fixtureBytes(1)) == 1
                                && seen.value(fixtureBytes(2)) == 1 && left.empty()
                                && bytes.size() == kRecordSize * (5 + (completed ? 1 : 0))
                                && bytes.size() % kRecordSize == 0;
                if (completed) {
                    QVERIFY2(ok, "a complete append left the queue or the file wrong");
                    break;
                }
                ++tally.tried;
                ++tally.perCall[call];
                QVERIFY2(ok || (seen.value(q1) == 1 && seen.value(q2) == 1 && left.empty()
                                && bytes.size() == kRecordSize * 6),
                         qPrintable(QStringLiteral("killed at %1 #%2: %3 records, q1 %4, q2 %5, %6 queued")
                                        .arg(call)
                                        .arg(n)
                                        .arg(bytes.size() / double(kRecordSize))
                                        .arg(seen.value(q1))
                                        .arg(seen.value(q2))
                                        .arg(left.size())));
                ++tally.passed;
            }
        }
    }

    void realFaultsKeepTheRun_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("cause");
        QTest::newRow("EACCES opening") << "openat" << "EACCES" << "許可されていません";
        QTest::newRow("EROFS opening") << "openat" << "EROFS" << "読み取り専用";
        QTest::newRow("ENOSPC writing") << "pwrite64" << "ENOSPC" << "ディスクがいっぱいです";
        QTest::newRow("EDQUOT writing") << "pwrite64" << "EDQUOT" << "上限";
        QTest::newRow("EIO writing") << "pwrite64" << "EIO" << "入出力エラー";
        QTest::newRow("EIO flushing") << "fsync" << "EIO" << "入出力エラー";
        QTest::newRow("ENOLCK locking") << "fcntl" << "ENOLCK" << "ロックする仕組み";
    }
    void realFaultsKeepTheRun()
    {
        // The fault comes from the system call itself, on the results file
        // only (strace -P), in a process that records one run.
        QFETCH(QString, call);
        QFETCH(QString, error);
        QFETCH(QString, cause);
        const QProcessEnvironment env = childEnvironment(dataHome_);
        QString e;
        QVERIFY(writeUnsentRecords({}, &e));
        writeBytes(path_, fixtureBytes(1));
        const QStringList wrapper{kStrace, QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                  QStringLiteral("-P"), path_, QStringLiteral("-e"), QStringLiteral("trace=") + call,
                                  QStringLiteral("-e"), QStringLiteral("inject=%1:error=%2").arg(call, error)};
        QString message;
        QVERIFY(!runHelper(wrapper, {QStringLiteral("record"), path_, QStringLiteral("9"), QStringLiteral("1")}, env,
                           &message));
        QVERIFY2(message.contains(QStringLiteral("成績累積データ.dat")) && message.contains(cause), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("このコンピュータに残しました")), qPrintable(message));
        std::vector<QByteArray> queued;
        QVERIFY(readUnsentRecords(&queued, &e));
        QCOMPARE(queued.size(), std::size_t(1));
        // The fault gone, the next run sends the kept one first.
        QVERIFY(runHelper({}, {QStringLiteral("record"), path_, QStringLiteral("9"), QStringLiteral("2")}, env));
        const QByteArray bytes = fileBytes(path_);
        QCOMPARE(bytes.size(), 3 * kRecordSize);
        QCOMPARE(bytes.mid(kRecordSize, kRecordSize), queued[0]);
        QVERIFY(readUnsentRecords(&queued, &e));
        QVERIFY(queued.empty());
    }

    void readersRacingADeletionSeeNoTornRecord()
    {
        // Eight machines append while a teacher deletes forty records; the
        // program's reader, racing them, counts every record it sees.
        constexpr int kSeeds = 120, kWriters = 8, kPerWriter = 250;
        auto race = [](int writer, int sequence) { return encodeRecord(test::raceRecord(writer, sequence)); };
        QByteArray seeds;
        for (int s = 1; s <= kSeeds; ++s)
            seeds += race(0, s);
        writeBytes(path_, seeds);
        QFile::remove(changeJournalPath(path_));
        const QProcessEnvironment env = childEnvironment(dataHome_);
        std::vector<std::unique_ptr<QProcess>> children;
        auto start = [&](const QStringList& args) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QStringLiteral(CHANGE_HELPER), args);
            children.push_back(std::move(p));
        };
        QStringList deleted{QStringLiteral("delete-times"), path_};
        QSet<QByteArray> gone;
        for (int s = 2; s <= 80; s += 2) {
            deleted << QString::number(s);
            gone.insert(race(0, s));
        }
        start(deleted);
        for (int w = 1; w <= kWriters; ++w)
            start({QStringLiteral("append"), path_, QString::number(w), QString::number(kPerWriter)});
        for (auto& p : children)
            QVERIFY(p->waitForStarted());

        QSet<QByteArray> valid;
        for (int s = 1; s <= kSeeds; ++s)
            valid.insert(race(0, s));
        for (int w = 1; w <= kWriters; ++w)
            for (int s = 1; s <= kPerWriter; ++s)
                valid.insert(race(w, s));
        auto running = [&] {
            for (auto& p : children)
                if (p->state() != QProcess::NotRunning)
                    return true;
            return false;
        };
        int reads = 0, torn = 0, twice = 0;
        while (running()) {
            RawRecords raw;
            FileStatus status;
            while ((status = readNewestRaw(path_, std::numeric_limits<int>::max(), &raw).status)
                   == FileStatus::SharingConflict)
                ;  // waited out, as the program does
            QCOMPARE(status, FileStatus::Ok);
            QSet<QByteArray> inRead;
            for (std::int64_t i = 0; i < raw.size(); ++i) {
                const QByteArray r(raw.record(i), kRecordSize);
                if (!valid.contains(r))
                    ++torn;
                else if (inRead.contains(r))
                    ++twice;
                inRead.insert(r);
            }
            ++reads;
            for (auto& p : children)
                p->waitForFinished(1);
        }
        for (auto& p : children) {
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        qInfo("race: %d reads, %d torn records, %d records seen twice", reads, torn, twice);
        QCOMPARE(torn, 0);
        QCOMPARE(twice, 0);
        const QByteArray bytes = fileBytes(path_);
        QCOMPARE(bytes.size() % kRecordSize, 0);
        QMap<QByteArray, int> seen;
        for (qsizetype at = 0; at < bytes.size(); at += kRecordSize)
            ++seen[bytes.mid(at, kRecordSize)];
        for (const QByteArray& r : valid)
            QCOMPARE(seen.value(r), gone.contains(r) ? 0 : 1);
        QCOMPARE(qsizetype(seen.size()), qsizetype(valid.size() - gone.size()));
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
