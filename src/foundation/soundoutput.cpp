#include "soundoutput.h"

namespace soinsuu {

bool QtSoundOutput::play(const QString&)
{
    lastError_ = QStringLiteral("未実装");
    return false;
}

} // namespace soinsuu
