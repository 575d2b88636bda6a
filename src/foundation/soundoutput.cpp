#include "soundoutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>

#include <cstring>

namespace soinsuu {
namespace {

// Headroom after the clip's length for the device to play out its buffer;
// the wait never runs longer than this past the end.
constexpr int kTailMs = 150;

std::uint32_t le32(const char* p)
{
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8
           | std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}
std::uint16_t le16(const char* p) { return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8); }

} // namespace

std::int64_t PcmClip::durationMs() const
{
    if (sampleRate <= 0 || channels <= 0)
        return 0;
    const std::int64_t frames = samples.size() / (2 * channels);
    return frames * 1000 / sampleRate;
}

std::optional<PcmClip> decodeWav(const QByteArray& file, QString* error)
{
    auto bad = [&](const QString& why) -> std::optional<PcmClip> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (file.size() < 12 || std::memcmp(file.constData(), "RIFF", 4) != 0 || std::memcmp(file.constData() + 8, "WAVE", 4) != 0)
        return bad(QStringLiteral("WAVE形式のファイルではありません"));

    int format = 0, channels = 0, rate = 0, bits = 0;
    const char* data = nullptr;
    qsizetype dataSize = 0;
    qsizetype pos = 12;
    while (pos + 8 <= file.size()) {
        const char* chunk = file.constData() + pos;
        const qsizetype size = le32(chunk + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = std::min<qsizetype>(size, file.size() - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
            format = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate = int(le32(chunk + 12));
            bits = le16(chunk + 22);
            // WAVE_FORMAT_EXTENSIBLE names the real format in its sub-format GUID.
            if (format == 0xFFFE && available >= 26)
                format = le16(chunk + 32);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            dataSize = available;
        }
        pos = body + size + (size & 1);
    }
    if (format != 1)
        return bad(QStringLiteral("PCM形式ではない音声ファイルです"));
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
        return bad(QStringLiteral("音声ファイルの形式が正しくありません"));
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return bad(QStringLiteral("%1ビットの音声は再生できません").arg(bits));
    if (!data)
        return bad(QStringLiteral("音声データがありません"));

    const int bytesPerSample = bits / 8;
    const qsizetype count = dataSize / bytesPerSample / channels * channels;
    PcmClip clip;
    clip.sampleRate = rate;
    clip.channels = channels;
    clip.samples.resize(count * 2);
    char* out = clip.samples.data();
    for (qsizetype i = 0; i < count; ++i) {
        const char* s = data + i * bytesPerSample;
        std::int16_t v = 0;
        switch (bits) {
        case 8: v = std::int16_t((int(std::uint8_t(s[0])) - 128) << 8); break;
        case 16: v = std::int16_t(le16(s)); break;
        case 24: v = std::int16_t(le16(s + 1)); break;  // the top two bytes
        case 32: v = std::int16_t(le16(s + 2)); break;
        }
        out[2 * i] = char(v & 0xFF);
        out[2 * i + 1] = char((v >> 8) & 0xFF);
    }
    return clip;
}

bool QtSoundOutput::fail(const QString& why)
{
    lastError_ = why;
    return false;
}

bool QtSoundOutput::play(const QString& filePath)
{
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("音声ファイルがありません：%1").arg(QFileInfo(filePath).fileName()));
    QString why;
    const std::optional<PcmClip> clip = decodeWav(f.readAll(), &why);
    f.close();
    if (!clip)
        return fail(QStringLiteral("%1：%2").arg(QFileInfo(filePath).fileName(), why));

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return fail(QStringLiteral("音声の出力装置がありません"));
    QAudioFormat format;
    format.setSampleRate(clip->sampleRate);
    format.setChannelCount(clip->channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return fail(QStringLiteral("音声の出力装置がこの形式を再生できません"));

    QBuffer buffer;
    buffer.setData(clip->samples);
    buffer.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    sink.setBufferSize(int(std::min<qsizetype>(clip->samples.size(), qsizetype(format.bytesForDuration(200000)))));
    sink.start(&buffer);
    if (sink.error() != QAudio::NoError)
        return fail(QStringLiteral("音声の出力装置を開けません"));

    // Wait for the clip's own length. The caller holds a sound open: keys,
    // clicks and window timers wait for it, repaints go on.
    QEventLoop loop;
    QTimer done;
    done.setSingleShot(true);
    QObject::connect(&done, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State state) {
        if (state == QAudio::StoppedState && sink.error() != QAudio::NoError)
            loop.quit();
    });
    done.start(int(clip->durationMs()) + kTailMs);
    loop.exec();
    const QAudio::Error error = sink.error();
    const qint64 played = sink.processedUSecs();
    sink.stop();
    if (error != QAudio::NoError && error != QAudio::UnderrunError)
        return fail(QStringLiteral("音声の再生に失敗しました"));
    if (played <= 0 && clip->durationMs() > 0)
        return fail(QStringLiteral("音声が再生されませんでした"));
    lastError_.clear();
    return true;
}

} // namespace soinsuu
