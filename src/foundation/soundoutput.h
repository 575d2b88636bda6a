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

// Reads a RIFF/WAVE file of 8-, 16-, 24- or 32-bit integer PCM (plain or
// extensible format). Nothing, with a Japanese reason, when it is anything else.
std::optional<PcmClip> decodeWav(const QByteArray& file, QString* error = nullptr);

// Plays .wav files on the default audio output through Qt Multimedia and
// waits for the clip's own length, so the program goes on as soon as the
// sound has been heard.
class QtSoundOutput final : public SoundOutput {
public:
    bool play(const QString& filePath) override;
    QString lastError() const override { return lastError_; }

private:
    bool fail(const QString& why);
    QString lastError_;
};

} // namespace soinsuu
