#pragma once
// File names on a school's shared folder are matched as the family's Windows
// programs match them: without regard to case. A folder copied from a
// Windows machine may hold "PINPON.WAV" for the name "Pinpon" in the sound
// list, or "新名簿.TXT" for the roster.

#include <QString>

namespace soinsuu {

// The path of `name` in `folder` (which ends with a separator, or is empty
// for the current folder): the exact name when that file exists, else the
// file of the folder whose name differs from it only in case, else the
// exact name (for a file to be created, or to report as missing).
QString fileInFolder(const QString& folder, const QString& name);

} // namespace soinsuu
