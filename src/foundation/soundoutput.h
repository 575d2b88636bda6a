#pragma once
#include "services.h"

namespace soinsuu {

// Plays .wav files through Qt Multimedia. See soundoutput.cpp.
class QtSoundOutput final : public SoundOutput {
public:
    bool play(const QString& filePath) override;
    QString lastError() const override { return lastError_; }
private:
    QString lastError_;
};

} // namespace soinsuu
