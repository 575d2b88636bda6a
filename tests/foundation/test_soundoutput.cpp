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

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
// A file made by sox, as a school's tools make them: `encoding` holds sox's
// options for the format; a tone of `ms` at `rate`, at 0.6 of full scale.
QByteArray soxFile(const QStringList& encoding, int ms, int rate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.wav"));
    QProcess sox;
    sox.start(QStringLiteral("sox"), QStringList{"-n", "-r", QString::number(rate), "-c", "1"} + encoding
                                         + QStringList{path, "synth", QString::number(ms / 1000.0), "sine", "660", "vol", "0.6"});
    if (!sox.waitForFinished(10000) || sox.exitCode() != 0)
        qFatal("sox failed: %s", sox.readAllStandardError().constData());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("sox wrote nothing");
    return f.readAll();
}

// The same file with LIST, fact and cue chunks between its header and its
// samples, as editors on Windows leave them.
QByteArray withExtraChunks(const QByteArray& file)
{
    const qsizetype data = file.indexOf("data", 12);
    const QByteArray list = "LIST" + le(12, 4) + "INFOISFT" + le(0, 4);
    const QByteArray fact = "fact" + le(4, 4) + le(1000, 4);
    const QByteArray cue = "cue " + le(4, 4) + le(0, 4);
    QByteArray out = file.left(data) + list + fact + cue + file.mid(data);
    out.replace(4, 4, le(std::uint32_t(out.size() - 8), 4));
    return out;
}

struct Format {
    const char* name;
    QStringList sox;
    int rate;
    QByteArray formatTag;  // the header's format field: the fixture is what it claims
    bool extraChunks = false;
};

std::vector<Format> formats()
{
    return {
        {"8-bit PCM", {"-b", "8", "-e", "unsigned-integer"}, 22050, le(1, 2)},
        {"16-bit PCM", {"-b", "16", "-e", "signed-integer"}, 22050, le(1, 2)},
        {"24-bit PCM", {"-b", "24", "-e", "signed-integer", "-t", "wavpcm"}, 22050, le(1, 2)},
        {"32-bit PCM", {"-b", "32", "-e", "signed-integer", "-t", "wavpcm"}, 22050, le(1, 2)},
        {"32-bit float", {"-b", "32", "-e", "floating-point"}, 22050, le(3, 2)},
        {"IMA ADPCM", {"-e", "ima-adpcm"}, 22050, le(0x11, 2)},
        {"MS ADPCM", {"-e", "ms-adpcm"}, 22050, le(2, 2)},
        {"u-law", {"-e", "u-law"}, 8000, le(7, 2)},
        {"A-law", {"-e", "a-law"}, 8000, le(6, 2)},
        {"GSM 6.10", {"-e", "gsm-full-rate"}, 8000, le(0x31, 2)},
        {"WAVE_FORMAT_EXTENSIBLE", {"-b", "24", "-e", "signed-integer"}, 44100, le(0xFFFE, 2)},
        {"extra chunks", {"-b", "16", "-e", "signed-integer"}, 22050, le(1, 2), true},
    };
}

QByteArray fileOf(const Format& f, int ms)
{
    const QByteArray made = soxFile(f.sox, ms, f.rate);
    return f.extraChunks ? withExtraChunks(made) : made;
}

int peakOf(const QByteArray& pcm)
{
    int peak = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        peak = std::max(peak, std::abs(int(std::int16_t(std::uint8_t(pcm[i]) | std::uint8_t(pcm[i + 1]) << 8))));
    return peak;
}

} // namespace

class TestSoundOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<int>("index");
        int i = 0;
        for (const Format& f : formats())
            QTest::newRow(f.name) << i++;
    }
    void decodes()
    {
        QFETCH(int, index);
        const Format f = formats()[std::size_t(index)];
        const QByteArray file = fileOf(f, 400);
        QCOMPARE(file.mid(20, 2), f.formatTag);
        QString error;
        const auto clip = decodeSound(file, &error);
        QVERIFY2(clip, qPrintable(error));
        QCOMPARE(clip->sampleRate, f.rate);
        QCOMPARE(clip->channels, 1);
        // ADPCM and GSM fill up their last block: a little longer, never shorter.
        QVERIFY2(clip->durationMs() >= 395 && clip->durationMs() <= 460, qPrintable(QString::number(clip->durationMs())));
        const int peak = peakOf(clip->samples);
        QVERIFY2(peak > 15000 && peak < 24000, qPrintable(QString::number(peak)));
    }

    void samplesComeOutExactly()
    {
        const std::vector<int> samples = {0, 256, -256, 32512, -32768};
        const auto clip = decodeSound(wav(16, samples, 8000));
        QVERIFY(clip);
        QCOMPARE(clip->samples.size(), qsizetype(samples.size() * 2));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto v = std::int16_t(std::uint8_t(clip->samples[qsizetype(2 * i)]) | std::uint8_t(clip->samples[qsizetype(2 * i + 1)]) << 8);
            QCOMPARE(int(v), samples[i]);
        }
    }

    // A LIST chunk with an item named in high bytes (a fuzzer's find) hung
    // the sound library for good; the sound plays as if the list were not
    // there. A sound list plays as it is.
    void brokenListChunkIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("list");
        const QByteArray highName("\xF7\xFF\xFF\xFF", 4);
        QTest::newRow("high-byte item name, longer than the list")
            << QByteArray("LIST") + le(20, 4) + QByteArray("\xFF\xFF\xFF\xFF", 4) + highName + le(0xFFFFFFFFu, 4) + QByteArray(8, '\xFF');
        QTest::newRow("high-byte item name, inside the list")
            << QByteArray("LIST") + le(20, 4) + QByteArray("\xFF\xFF\xFF\xFF", 4) + highName + le(8, 4) + QByteArray(8, '\xFF');
        QTest::newRow("item past the list") << QByteArray("LIST") + le(16, 4) + "INFO" + "INAM" + le(100, 4) + "abcd";
        QTest::newRow("a sound list") << QByteArray("LIST") + le(16, 4) + "INFO" + "INAM" + le(3, 4) + QByteArray("ab\0\0", 4);
    }
    void brokenListChunkIsSkipped()
    {
        QFETCH(QByteArray, list);
        const std::vector<int> samples = {0, 1000, -1000, 2000};
        const QByteArray plain = wav(16, samples, 8000);
        // The list goes between the format and the data chunks.
        QByteArray file = plain.left(36) + list + plain.mid(36);
        file.replace(4, 4, le(std::uint32_t(file.size() - 8), 4));
        QString error;
        const auto clip = decodeSound(file, &error);
        QVERIFY2(clip, qPrintable(error));
        QCOMPARE(clip->samples, decodeSound(plain)->samples);
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("file");
        QByteArray noise(4096, Qt::Uninitialized);
        std::uint32_t x = 12345;
        for (char& c : noise) {
            x = x * 1103515245u + 12345u;
            c = char(x >> 24);
        }
        QTest::newRow("random bytes") << noise;
        QTest::newRow("text") << QByteArray("hello world, not a wave file");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header without samples") << wav(16, {}).left(36);
    }
    void rejects()
    {
        QFETCH(QByteArray, file);
        QString error;
        QVERIFY(!decodeSound(file, &error));
        QVERIFY(!error.isEmpty());
    }

    void missingAndBrokenFilesFail()
    {
        QTemporaryDir dir;
        QtSoundOutput out;
        QVERIFY(!out.play(dir.filePath(QStringLiteral("ない.wav"))));
        QCOMPARE(out.lastError(), QStringLiteral("音声ファイルがありません"));
        writeFile(dir.filePath(QStringLiteral("broken.wav")), "RIFF....WAVEjunk");
        QVERIFY(!out.play(dir.filePath(QStringLiteral("broken.wav"))));
        QVERIFY(!out.lastError().isEmpty());
    }

    // Plays through the real sound server and records what reached it.
    void playsAudibleSoundToItsEnd_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("ms");
        int i = 0;
        for (const Format& f : formats())
            QTest::newRow(f.name) << i++ << 400;
        // Shorter than the device's buffer: stopping the sink must not drop it.
        QTest::newRow("a 60 ms click") << 1 << 60;
    }
    void playsAudibleSoundToItsEnd()
    {
        QFETCH(int, index);
        QFETCH(int, ms);
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (!info.waitForFinished(5000) || info.exitCode() != 0)
            QFAIL("no sound server: run this test through with-pulseaudio.sh");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        writeFile(path, fileOf(formats()[std::size_t(index)], ms));

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
