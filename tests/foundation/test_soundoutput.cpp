#include "foundation/soundoutput.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace soinsuu;

namespace {

QByteArray le(std::uint32_t v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
    return b;
}

// A mono .wav of the given format holding the given 16-bit sample values,
// widened or narrowed to `bits`.
QByteArray wav(int bits, const std::vector<int>& samples, int rate = 22050, int format = 1)
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
    const int block = bits / 8;
    QByteArray fmt = le(std::uint32_t(format), 2) + le(1, 2) + le(std::uint32_t(rate), 4)
                     + le(std::uint32_t(rate * block), 4) + le(std::uint32_t(block), 2) + le(std::uint32_t(bits), 2);
    return "RIFF" + le(std::uint32_t(4 + 8 + fmt.size() + 8 + data.size()), 4) + "WAVE" + "fmt " + le(std::uint32_t(fmt.size()), 4)
           + fmt + "data" + le(std::uint32_t(data.size()), 4) + data;
}

std::vector<int> tone(double seconds, int rate = 22050)
{
    std::vector<int> out(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = int(std::lround(20000 * std::sin(2 * 3.14159265358979 * 660 * double(i) / rate)));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
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
        QCOMPARE(clip->samples.size(), qsizetype(samples.size() * 2));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto v = std::int16_t(std::uint8_t(clip->samples[qsizetype(2 * i)]) | std::uint8_t(clip->samples[qsizetype(2 * i + 1)]) << 8);
            QCOMPARE(int(v), samples[i]);
        }
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("why");
        QTest::newRow("not RIFF") << QByteArray("hello world, not a wave file") << "WAVE形式";
        QTest::newRow("float samples") << wav(32, {0, 1}, 22050, 3) << "PCM形式ではない";
        QTest::newRow("12-bit") << wav(16, {0, 1}).replace(34, 2, le(12, 2)) << "12ビット";
        QTest::newRow("no data chunk") << wav(16, {}).left(36) << "音声データがありません";
        QTest::newRow("empty") << QByteArray() << "WAVE形式";
    }
    void rejects()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, why);
        QString error;
        QVERIFY(!decodeWav(file, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
    }

    void missingAndBrokenFilesFail()
    {
        QTemporaryDir dir;
        QtSoundOutput out;
        QVERIFY(!out.play(dir.filePath(QStringLiteral("ない.wav"))));
        QVERIFY(out.lastError().contains(QStringLiteral("ない.wav")));
        writeFile(dir.filePath(QStringLiteral("broken.wav")), "RIFF....WAVEjunk");
        QVERIFY(!out.play(dir.filePath(QStringLiteral("broken.wav"))));
        QVERIFY(!out.lastError().isEmpty());
    }

    // Plays through the real sound server and records what reached it.
    void playsAudibleSoundToItsEnd_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("ms");
        QTest::newRow("8-bit") << 8 << 400;
        QTest::newRow("16-bit") << 16 << 400;
        QTest::newRow("24-bit") << 24 << 400;
        QTest::newRow("32-bit") << 32 << 400;
        // Shorter than the device's buffer: stopping the sink must not drop it.
        QTest::newRow("a 60 ms click") << 16 << 60;
    }
    void playsAudibleSoundToItsEnd()
    {
        QFETCH(int, bits);
        QFETCH(int, ms);
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (!info.waitForFinished(5000) || info.exitCode() != 0)
            QFAIL("no sound server: run this test through with-pulseaudio.sh");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        writeFile(path, wav(bits, tone(ms / 1000.0)));

        QProcess recorder;
        recorder.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                                                 QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                                                 QStringLiteral("--rate=22050"), QStringLiteral("--raw"),
                                                 QStringLiteral("--latency-msec=20")});
        QVERIFY(recorder.waitForStarted());
        // The recorder is connected once it delivers its first (silent) samples.
        QByteArray pcm;
        for (int i = 0; i < 50 && pcm.isEmpty(); ++i) {
            recorder.waitForReadyRead(100);
            pcm += recorder.readAllStandardOutput();
        }
        QVERIFY2(!pcm.isEmpty(), "the recorder delivered nothing");

        QtSoundOutput out;
        QElapsedTimer timer;
        timer.start();
        const bool ok = out.play(path);
        const qint64 took = timer.elapsed();
        // Collect until the tone's length has arrived, then a little more.
        for (int i = 0; i < 40 && pcm.size() < 2 * 22050 * (ms + 300) / 1000; ++i) {
            recorder.waitForReadyRead(100);
            pcm += recorder.readAllStandardOutput();
        }
        recorder.terminate();
        QVERIFY(recorder.waitForFinished(3000));
        QVERIFY2(ok, qPrintable(out.lastError()));
        // Waits for the clip, and not seconds longer.
        QVERIFY2(took >= ms - 20 && took < ms + 800, qPrintable(QString::number(took)));

        pcm += recorder.readAllStandardOutput();
        int peak = 0;
        int loud = 0;  // samples of the tone that arrived
        for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
            const int v = std::abs(int(std::int16_t(std::uint8_t(pcm[i]) | std::uint8_t(pcm[i + 1]) << 8)));
            peak = std::max(peak, v);
            loud += v > 1000;
        }
        QVERIFY2(peak > 2000, qPrintable(QStringLiteral("peak %1 in %2 bytes; recorder: %3").arg(peak).arg(pcm.size()).arg(QString::fromLocal8Bit(recorder.readAllStandardError()))));
        // The clip arrived, not its start only. The stream's start and the
        // recorder's latency swallow some 20 ms whatever the clip's length,
        // so a short click is judged by half of its samples.
        const int expected = 22050 * ms / 1000;
        QVERIFY2(loud > expected / 2, qPrintable(QStringLiteral("%1 of %2 samples heard").arg(loud).arg(expected)));
    }
};

QTEST_GUILESS_MAIN(TestSoundOutput)
#include "test_soundoutput.moc"
