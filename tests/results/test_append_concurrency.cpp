// Several processes append at once, as classroom machines sharing one data
// folder do; every record must arrive whole, exactly once.

#include "results/resultsfile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {

constexpr int kWriters = 8;
constexpr int kPerWriter = 2000;
constexpr double kMarkDate = 46000;

ResultRecord recordOf(int writer, int sequence)
{
    ResultRecord r;
    r.date = kMarkDate;
    r.timeOfDay = sequence / 100000.0;
    r.Bangou = std::int16_t(writer);
    r.level = 1;
    r.time = sequence;
    r.schoolCode = QStringLiteral("W%1").arg(writer);
    r.points = QStringLiteral("0");
    return r;
}

// A record is whole when all its fields tell the same writer and sequence.
bool isWhole(const ResultRecord& r)
{
    return r.date == kMarkDate && r.level == 1 && r.Bangou >= 1 && r.Bangou <= kWriters && r.time >= 1
           && r.time <= kPerWriter && r.timeOfDay == r.time / 100000.0
           && r.schoolCode == QStringLiteral("W%1   ").arg(r.Bangou) && r.points == QStringLiteral("0    ");
}

int appendAsWriter(const QString& path, int writer)
{
    for (int sequence = 1; sequence <= kPerWriter; ++sequence) {
        FileError e;
        do {
            e = appendRecord(path, recordOf(writer, sequence));
        } while (e.status == FileStatus::SharingConflict);
        if (e.status != FileStatus::Ok) {
            std::fprintf(stderr, "%s\n", qPrintable(e.description));
            return 1;
        }
    }
    return 0;
}

} // namespace

class TestAppendConcurrency : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eightWritersAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int w = 1; w <= kWriters; ++w) {
            auto p = std::make_unique<QProcess>();
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--append"), path, QString::number(w)});
            writers.push_back(std::move(p));
        }
        for (auto& p : writers)
            QVERIFY(p->waitForStarted());

        // A reader racing the writers never sees a fragment or a torn record.
        int reads = 0;
        std::int64_t lastCount = 0;
        auto running = [&] {
            for (auto& p : writers)
                if (p->state() != QProcess::NotRunning)
                    return true;
            return false;
        };
        while (running()) {
            NewestRecords newest;
            // Readers take the lock shared; eight writers without pause may
            // keep it from one for a while, which the program waits out.
            FileStatus status;
            while ((status = readNewestRecords(path, 20000, &newest).status) == FileStatus::SharingConflict)
                ;
            QCOMPARE(status, FileStatus::Ok);
            QCOMPARE(std::int64_t(newest.records.size()), newest.recordCount);
            QVERIFY(newest.recordCount >= lastCount);
            lastCount = newest.recordCount;
            for (const ResultRecord& r : newest.records)
                QVERIFY2(isWhole(r), qPrintable(QStringLiteral("torn record among %1").arg(newest.recordCount)));
            ++reads;
            for (auto& p : writers)
                p->waitForFinished(1);
        }
        for (auto& p : writers) {
            if (p->state() != QProcess::NotRunning)
                QVERIFY(p->waitForFinished(60000));
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        QVERIFY(reads > 0);

        QFile f(path);
        QCOMPARE(f.size(), qint64(kWriters) * kPerWriter * kRecordSize);
        NewestRecords all;
        QCOMPARE(readNewestRecords(path, kWriters * kPerWriter, &all).status, FileStatus::Ok);
        std::vector<std::vector<int>> seen(kWriters + 1);
        for (const ResultRecord& r : all.records) {
            QVERIFY(isWhole(r));
            seen[std::size_t(r.Bangou)].push_back(r.time);
        }
        for (int w = 1; w <= kWriters; ++w) {
            // Each writer's records arrive complete and in its own order.
            QCOMPARE(int(seen[std::size_t(w)].size()), kPerWriter);
            for (int i = 0; i < kPerWriter; ++i)
                QCOMPARE(seen[std::size_t(w)][std::size_t(i)], i + 1);
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--append") == 0) {
        QCoreApplication app(argc, argv);
        return appendAsWriter(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TestAppendConcurrency test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_append_concurrency.moc"
