#pragma once
#include "services.h"

#include <QByteArray>
#include <optional>

namespace soinsuu {

// A .wav file decoded to 16-bit PCM, ready for the audio device.
struct PcmClip {
    int sampleRate = 0;
    int channels = 0;
    QByteArray samples;  // 16-bit little-endian, interleaved
    std::int64_t durationMs() const;
};

// Decodes a sound file with libsndfile: every WAV the Windows programs of
// the family play (integer PCM of any width, float, IMA and Microsoft
// ADPCM, µ-law, A-law, GSM 6.10, the extensible header, extra chunks), and
// the other formats the library reads. Nothing, with a Japanese reason,
// when no decoder reads it.
std::optional<PcmClip> decodeSound(const QByteArray& file, QString* error = nullptr);

// Plays sound files on the default audio output through Qt Multimedia (the
// desktop's sound server) and waits for the clip's own length, so the
// program goes on as soon as the sound has been heard. lastError() gives
// the cause of a failure; the caller names the file.
class QtSoundOutput final : public SoundOutput {
public:
    bool play(const QString& filePath) override;
    QString lastError() const override { return lastError_; }

private:
    bool fail(const QString& why);
    QString lastError_;
};

} // namespace soinsuu
