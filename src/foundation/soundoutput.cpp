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

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace soinsuu {
namespace {

// Headroom after the clip's length for the device to play out its buffer;
// the wait never runs longer than this past the end.
constexpr int kTailMs = 150;

// libsndfile reads the file from memory: it was read in one go and closed.
struct MemoryFile {
    const QByteArray& bytes;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryFile*>(user)->bytes.size(); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : m->bytes.size();
    m->position = std::clamp<sf_count_t>(base + offset, 0, m->bytes.size());
    return m->position;
}

sf_count_t memoryRead(void* to, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, m->bytes.size() - m->position);
    std::memcpy(to, m->bytes.constData() + m->position, std::size_t(n));
    m->position += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

std::uint32_t le32(const char* p)
{
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8
        | std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}

bool isChunkName(const char* p)
{
    return std::all_of(p, p + 4, [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Whether the items of a LIST chunk's payload are sound: each named in
// printable characters, its header and (even-padded) data inside the list.
bool listItemsSound(const char* payload, std::uint64_t size)
{
    std::uint64_t at = 4;  // the list's type
    while (at + 8 <= size) {
        if (!isChunkName(payload + at))
            return false;
        const std::uint64_t length = le32(payload + at + 4);
        at += 8 + length + (length & 1);
        if (at > size + 1)  // a last odd chunk may lack its pad byte
            return false;
    }
    return true;
}

// A WAV file whose LIST chunk (text about the sound, nothing to play) holds
// an item with a name of high bytes sends the sound library into an endless
// loop; renamed, such a chunk still trips the library's chunk walker. Such a
// chunk is left out of the bytes the library reads, so the sound itself
// still plays.
QByteArray withBrokenListsLeftOut(const QByteArray& file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return file;
    QByteArray out = file.left(12);
    std::uint64_t at = 12;
    const auto size = std::uint64_t(file.size());
    bool changed = false;
    while (at + 8 <= size) {
        const std::uint64_t length = le32(file.constData() + at + 4);
        const std::uint64_t inFile = std::min(length, size - at - 8);
        const std::uint64_t whole = std::min(8 + length + (length & 1), size - at);
        if (file.mid(qsizetype(at), 4) == "LIST" && !listItemsSound(file.constData() + at + 8, inFile))
            changed = true;
        else
            out += file.mid(qsizetype(at), qsizetype(whole));
        at += 8 + length + (length & 1);
    }
    if (!changed)
        return file;
    if (at < size)
        out += file.mid(qsizetype(at));
    const auto riffLength = std::uint32_t(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = char((riffLength >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

std::int64_t PcmClip::durationMs() const
{
    if (sampleRate <= 0 || channels <= 0)
        return 0;
    const std::int64_t frames = samples.size() / (2 * channels);
    return frames * 1000 / sampleRate;
}

std::optional<PcmClip> decodeSound(const QByteArray& file, QString* error)
{
    auto bad = [&](const QString& why) -> std::optional<PcmClip> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QByteArray readable = withBrokenListsLeftOut(file);
    MemoryFile memory{readable};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!sf)
        return bad(QStringLiteral("音声ファイルとして読めません（%1）").arg(QString::fromLocal8Bit(sf_strerror(nullptr))));
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(sf, sf_close);
    if (info.channels < 1 || info.channels > 8 || info.samplerate < 1000 || info.samplerate > 384000)
        return bad(QStringLiteral("音声ファイルの形式が正しくありません"));

    // Every format is read as samples in [-1, 1] (integer formats scaled
    // down, float ones as they are) and comes out as 16-bit samples, the
    // form the output takes.
    PcmClip clip;
    clip.sampleRate = info.samplerate;
    clip.channels = info.channels;
    std::vector<float> block(std::size_t(4096 * info.channels));
    for (;;) {
        const sf_count_t frames = sf_readf_float(sf, block.data(), 4096);
        if (frames <= 0)
            break;
        const qsizetype count = qsizetype(frames * info.channels);
        const qsizetype at = clip.samples.size();
        clip.samples.resize(at + 2 * count);
        char* out = clip.samples.data() + at;
        for (qsizetype i = 0; i < count; ++i) {
            // The library scales 16-bit samples by 1/32768: back by the same.
            const long scaled = std::lround(double(block[std::size_t(i)]) * 32768.0);
            const auto sample = std::int16_t(std::clamp(scaled, -32768L, 32767L));
            out[2 * i] = char(sample & 0xFF);
            out[2 * i + 1] = char((sample >> 8) & 0xFF);
        }
    }
    if (sf_error(sf) != SF_ERR_NO_ERROR)
        return bad(QStringLiteral("音声データが壊れています（%1）").arg(QString::fromLocal8Bit(sf_strerror(sf))));
    if (clip.samples.isEmpty())
        return bad(QStringLiteral("音声データがありません"));
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
        return fail(QStringLiteral("音声ファイルがありません"));
    QString why;
    const std::optional<PcmClip> clip = decodeSound(f.readAll(), &why);
    f.close();
    if (!clip)
        return fail(why);

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return fail(QStringLiteral("音声の出力装置がありません（サウンドサーバーが動いていません）"));
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
