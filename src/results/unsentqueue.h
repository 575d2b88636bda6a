#pragma once
// Runs this machine could not record in the shared results file wait in a
// small queue on the machine itself, outside the shared data root, as the
// raw 44-byte records they are, oldest first. The next successful append
// (or start-up) sends them, under the results file's lock, before its own.

#include <QByteArray>
#include <QString>
#include <vector>

namespace soinsuu {

// $XDG_DATA_HOME/soinsuu/未送信成績.dat (~/.local/share when unset).
QString unsentQueuePath();

// The queued records, oldest first (none when there is no queue). False
// with a Japanese description naming the file when it cannot be read.
bool readUnsentRecords(std::vector<QByteArray>* out, QString* error);

// Replaces the queue as a whole: written beside it, flushed, renamed over
// it, so a cut-off update leaves the old queue or the new one. No records
// removes the queue.
bool writeUnsentRecords(const std::vector<QByteArray>& records, QString* error);

} // namespace soinsuu
