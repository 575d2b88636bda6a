#include "foundation/soundoutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace soinsuu;

namespace {

constexpr int kRecordRate = 22050;

QByteArray le(std::uint32_t v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
    return b;
}

QByteArray chunk(const char* id, const QByteArray& body)
{
    QByteArray c = QByteArray(id, 4) + le(std::uint32_t(body.size()), 4) + body;
    if (body.size() & 1)
        c.append('\0');
    return c;
}

// The 16-bit sample values widened or narrowed to `bits`, the way a
// recording program would store them.
QByteArray pcmBytes(int bits, const std::vector<int>& samples)
{
    QByteArray data;
    for (int s : samples) {
        switch (bits) {
        case 8: data += le(std::uint32_t((s >> 8) + 128), 1); break;
        case 16: data += le(std::uint32_t(s), 2); break;
        case 24: data += le(std::uint32_t(s) << 8, 3); break;
        case 32: data += le(std::uint32_t(s) << 16, 4); break;
        default: data += le(std::uint32_t(s), bits / 8); break;
        }
    }
    return data;
}

QByteArray fmtBody(int format, int channels, int rate, int bits)
{
    const int block = channels * bits / 8;
    return le(std::uint32_t(format), 2) + le(std::uint32_t(channels), 2) + le(std::uint32_t(rate), 4)
           + le(std::uint32_t(rate * block), 4) + le(std::uint32_t(block), 2) + le(std::uint32_t(bits), 2);
}

QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + le(std::uint32_t(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// A .wav of the given format holding the given (interleaved) 16-bit sample values.
QByteArray wav(int bits, const std::vector<int>& samples, int rate = kRecordRate, int format = 1, int channels = 1)
{
    return riff(chunk("fmt ", fmtBody(format, channels, rate, bits)) + chunk("data", pcmBytes(bits, samples)));
}

std::vector<int> tone(int ms, int rate = kRecordRate)
{
    std::vector<int> out(std::size_t(std::int64_t(ms) * rate / 1000));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = int(std::lround(20000 * std::sin(2 * 3.14159265358979 * 660 * double(i) / rate)));
    return out;
}

std::vector<int> samplesOf(const PcmClip& clip)
{
    std::vector<int> out;
    for (qsizetype i = 0; i + 1 < clip.samples.size(); i += 2)
        out.push_back(std::int16_t(std::uint8_t(clip.samples[i]) | std::uint8_t(clip.samples[i + 1]) << 8));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Milliseconds of loud sound in a mono 16-bit recording, counted in 10 ms
// windows whose RMS level stands clearly above silence.
int loudMs(const QByteArray& pcm, int* peak)
{
    const qsizetype window = kRecordRate / 100;
    int loud = 0;
    *peak = 0;
    const qsizetype n = pcm.size() / 2;
    for (qsizetype start = 0; start + window <= n; start += window) {
        double sum = 0;
        for (qsizetype i = start; i < start + window; ++i) {
            const int v = std::int16_t(std::uint8_t(pcm[2 * i]) | std::uint8_t(pcm[2 * i + 1]) << 8);
            *peak = std::max(*peak, std::abs(v));
            sum += double(v) * v;
        }
        if (std::sqrt(sum / double(window)) > 4000)
            loud += 10;
    }
    return loud;
}

// Child mode: play one file with whatever sound server the environment
// names, and report the outcome on standard output.
int playAndReport(const QString& path)
{
    QtSoundOutput out;
    QElapsedTimer timer;
    timer.start();
    const bool ok = out.play(path);
    QTextStream(stdout) << (ok ? "played" : "failed") << ' ' << timer.elapsed() << ' ' << out.lastError() << Qt::endl;
    return 0;
}

} // namespace

class TestSoundOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<int>("bits");
        QTest::newRow("8-bit") << 8;
        QTest::newRow("16-bit") << 16;
        QTest::newRow("24-bit") << 24;
        QTest::newRow("32-bit") << 32;
    }
    void decodes()
    {
        QFETCH(int, bits);
        const std::vector<int> samples = {0, 256, -256, 32512, -32768};
        const auto clip = decodeWav(wav(bits, samples, 8000));
        QVERIFY(clip);
        QCOMPARE(clip->sampleRate, 8000);
        QCOMPARE(clip->channels, 1);
        QCOMPARE(samplesOf(*clip), samples);
    }

    // Layouts that real files have: the reader must find the chunks it needs
    // and take the length from what the file really holds.
    void readsFileLayouts_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("channels");
        QTest::addColumn<std::vector<int>>("samples");
        QTest::addColumn<qint64>("durationMs");

        const std::vector<int> four = {100, -100, 200, -200};
        const QByteArray fmt16 = chunk("fmt ", fmtBody(1, 1, 8000, 16));
        QTest::newRow("odd-sized chunk before data is padded")
            << riff(fmt16 + chunk("LIST", "abc") + chunk("data", pcmBytes(16, four))) << 1 << four << qint64(0);
        QTest::newRow("data before fmt")
            << riff(chunk("data", pcmBytes(16, four)) + fmt16) << 1 << four << qint64(0);
        QTest::newRow("stereo pairs")
            << riff(chunk("fmt ", fmtBody(1, 2, 8000, 16)) + chunk("data", pcmBytes(16, four))) << 2 << four << qint64(0);
        // WAVE_FORMAT_EXTENSIBLE: cbSize, valid bits, channel mask, sub-format GUID (PCM).
        const QByteArray extensible = fmtBody(0xFFFE, 1, 8000, 24) + le(22, 2) + le(24, 2) + le(4, 4) + le(1, 2)
                                      + QByteArray::fromHex("000000001000800000aa00389b71");
        QTest::newRow("extensible 24-bit PCM")
            << riff(chunk("fmt ", extensible) + chunk("data", pcmBytes(24, four))) << 1 << four << qint64(0);
        // A recording cut short: the header promises more than is there.
        QByteArray cut = riff(fmt16 + chunk("data", pcmBytes(16, four)));
        cut.replace(cut.size() - 8 - 4, 4, le(1000, 4));
        QTest::newRow("data shorter than its header says") << cut << 1 << four << qint64(0);
        // A stray odd byte at the end of the data does not make half a sample.
        QTest::newRow("half a sample at the end")
            << riff(fmt16 + chunk("data", pcmBytes(16, four) + QByteArray(1, '\x7f'))) << 1 << four << qint64(0);
        const std::vector<int> second(8000, 1000);
        QTest::newRow("one second at 8000 Hz")
            << riff(fmt16 + chunk("data", pcmBytes(16, second))) << 1 << second << qint64(1000);
        const std::vector<int> stereoHalf(2 * 11025, 1024);
        QTest::newRow("half a second of stereo at 22050 Hz")
            << riff(chunk("fmt ", fmtBody(1, 2, 22050, 8)) + chunk("data", pcmBytes(8, stereoHalf))) << 2 << stereoHalf
            << qint64(500);
    }
    void readsFileLayouts()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, channels);
        QFETCH(std::vector<int>, samples);
        QFETCH(qint64, durationMs);
        QString error;
        const auto clip = decodeWav(file, &error);
        QVERIFY2(clip, qPrintable(error));
        QCOMPARE(clip->channels, channels);
        QCOMPARE(samplesOf(*clip), samples);
        if (durationMs > 0)
            QCOMPARE(clip->durationMs(), durationMs);
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("why");
        QTest::newRow("not RIFF") << QByteArray("hello world, not a wave file") << "WAVE形式";
        QTest::newRow("empty") << QByteArray() << "WAVE形式";
        QTest::newRow("float samples") << wav(32, {0, 1}, 22050, 3) << "PCM形式ではない";
        QTest::newRow("12-bit") << wav(16, {0, 1}).replace(34, 2, le(12, 2)) << "12ビット";
        QTest::newRow("no channels") << wav(16, {0, 1}, 22050, 1, 0) << "形式が正しくありません";
        QTest::newRow("rate of zero") << wav(16, {0, 1}, 0) << "形式が正しくありません";
        QTest::newRow("no fmt chunk") << riff(chunk("data", pcmBytes(16, {0, 1}))) << "PCM形式ではない";
        QTest::newRow("no data chunk") << riff(chunk("fmt ", fmtBody(1, 1, 8000, 16))) << "音声データがありません";
        QTest::newRow("fmt chunk cut short") << riff(QByteArray("fmt ") + le(16, 4) + QByteArray(6, '\1')) << "PCM形式ではない";
    }
    void rejects()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, why);
        QString error;
        QVERIFY(!decodeWav(file, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
    }

    void failsForFilesItCannotPlay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");  // null: no such file
        QTest::newRow("missing") << QStringLiteral("ない.wav") << QByteArray();
        QTest::newRow("not a wave file") << QStringLiteral("壊れた.wav") << QByteArray("RIFF....WAVEjunk");
        QTest::newRow("compressed") << QStringLiteral("圧縮.wav") << wav(16, tone(100), kRecordRate, 2);
    }
    void failsForFilesItCannotPlay()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!bytes.isNull())
            writeFile(path, bytes);
        QtSoundOutput out;
        QVERIFY(!out.play(path));
        QVERIFY2(out.lastError().contains(name), qPrintable(out.lastError()));
    }

    // Without any sound server the program must go on at once, not wait.
    void failsQuicklyWithoutAudioDevice()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        writeFile(path, wav(16, tone(300)));
        const QString clientConf = dir.filePath(QStringLiteral("client.conf"));
        writeFile(clientConf, "autospawn = no\n");

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SOINSUU_PLAY_AND_REPORT"), path);
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.filePath(QStringLiteral("no-server")));
        env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConf);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY2(child.waitForFinished(15000), "play hung without a sound server");
        const QString report = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        QVERIFY2(report.startsWith(QStringLiteral("failed ")), qPrintable(report + QString::fromLocal8Bit(child.readAllStandardError())));
        QVERIFY2(report.section(QLatin1Char(' '), 1, 1).toInt() < 2000, qPrintable(report));
        QVERIFY2(report.section(QLatin1Char(' '), 2).contains(QStringLiteral("tone.wav：")), qPrintable(report));
    }

    // Plays through the real sound server and records what reached it.
    void playsAudibleSoundToItsEnd_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("ms");
        QTest::newRow("8-bit") << 8 << 300;
        QTest::newRow("16-bit") << 16 << 300;
        QTest::newRow("24-bit") << 24 << 300;
        QTest::newRow("32-bit") << 32 << 300;
        QTest::newRow("a short click") << 16 << 40;
    }
    void playsAudibleSoundToItsEnd()
    {
        QFETCH(int, bits);
        QFETCH(int, ms);
        startRecorder();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        writeFile(path, wav(bits, tone(ms)));

        collect();  // what came before the sound is not looked at
        pcm_.clear();
        QtSoundOutput out;
        QElapsedTimer timer;
        timer.start();
        const bool ok = out.play(path);
        const qint64 took = timer.elapsed();
        QVERIFY2(ok, qPrintable(out.lastError()));
        // The recorder lags a little behind the sink: let it catch up.
        QElapsedTimer more;
        more.start();
        while (more.elapsed() < 300)
            collect();
        int peak = 0;
        const int heard = loudMs(pcm_, &peak);
        const QString report = QStringLiteral("returned after %1 ms; heard %2 ms, peak %3").arg(took).arg(heard).arg(peak);
        // All of it arrived, once, at the level written (edge windows may fall short).
        QVERIFY2(heard >= ms - 20 && heard <= ms + 20, qPrintable(report));
        QVERIFY2(peak > 18000 && peak < 23000, qPrintable(report));
        // It waited for the clip, and not seconds longer.
        QVERIFY2(took >= ms && took < ms + 1000, qPrintable(report));
    }

    void cleanupTestCase()
    {
        if (recorder_.state() != QProcess::NotRunning) {
            recorder_.terminate();
            recorder_.waitForFinished(3000);
        }
    }

private:
    // One recorder of the default sink's monitor serves every playback: a
    // freshly started one takes a good second to deliver its first samples.
    void startRecorder()
    {
        if (recorder_.state() == QProcess::Running)
            return;
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (!info.waitForFinished(5000) || info.exitCode() != 0)
            QFAIL("no sound server: run this test through scripts/with-pulseaudio.sh, or with PULSE_SERVER naming a server");
        recorder_.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                                                  QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                                                  QStringLiteral("--rate=%1").arg(kRecordRate), QStringLiteral("--raw"),
                                                  QStringLiteral("--latency-msec=20")});
        QVERIFY(recorder_.waitForStarted());
        // It is connected once it delivers its first (silent) samples.
        QElapsedTimer waited;
        waited.start();
        while (pcm_.isEmpty() && waited.elapsed() < 5000)
            collect();
        QVERIFY2(!pcm_.isEmpty(), qPrintable(QStringLiteral("the recorder delivered nothing: ")
                                              + QString::fromLocal8Bit(recorder_.readAllStandardError())));
    }
    void collect()
    {
        recorder_.waitForReadyRead(50);
        pcm_ += recorder_.readAllStandardOutput();
    }

    QProcess recorder_;
    QByteArray pcm_;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("SOINSUU_PLAY_AND_REPORT"))
        return playAndReport(qEnvironmentVariable("SOINSUU_PLAY_AND_REPORT"));
    TestSoundOutput test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_soundoutput.moc"
