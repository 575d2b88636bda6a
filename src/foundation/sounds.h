#pragma once
// Sound effects: the school's sound list, random picks per category and the
// failure watch that ends the program when the sound system keeps failing.

#include "runcontext.h"

#include <QString>

namespace soinsuu {

// The ten categories of the sound list, by their keys. (Hidden from moc,
// whose parser takes no non-ASCII names.)
#ifndef Q_MOC_RUN
enum class Sound {
    正解音1 = 1,  // a solved problem (watched)
    正解音2,      // a correct row (watched)
    間違い音1,
    間違い音2,    // a wrong answer, or no name chosen (watched)
    最高音1,
    最高音2,
    自己最高音1,
    自己最高音2,  // a new personal best
    自己最高音3,
    不合格音1,    // a record-less run at or under the minimum line
};
#else
enum class Sound;
#endif

// Fixed files of the sound folder, played by name.
inline const QString kSchoolBestFile = QStringLiteral("最高1.wav");
inline const QString kGoalClearedFile = QStringLiteral("合格.wav");
inline const QString kWarningFile = QStringLiteral("警告1.wav");

// Fills ctx.soundTable from the sound list. False (with a Japanese
// description in *error) when the list cannot be read.
bool loadSoundList(RunContext& ctx, QString* error = nullptr);
// Whether every watched category (a solved problem, a correct row, a wrong
// answer) names at least one file; otherwise a Japanese description naming
// the sound list. Unwatched categories may stay empty.
bool checkWatchedSounds(const RunContext& ctx, QString* error = nullptr);

// Plays one file of the sound folder to its end; fileName carries ".wav".
// Sets lastSoundResult ("0" on success). Returns whether it played.
bool playSoundFile(RunContext& ctx, const QString& fileName);

// Plays a random file of the category. A watched play that fails for the
// fourth time in a row shows "音声エラー" and ends the program: the result is
// then false and the caller returns at once. Otherwise true.
bool playRandomSound(RunContext& ctx, Sound category, bool monitored);

} // namespace soinsuu
