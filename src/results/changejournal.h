#pragma once
// Corrections and deletions rewrite records in place. Before the results
// file is touched, what the change will write is put into a journal beside
// it and flushed; whoever next takes the file's exclusive lock finds the
// journal of a change that was cut off and completes it, before anything
// else. The results file itself keeps the 44-byte format the family reads.

#include "resultsfile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/types.h>

namespace soinsuu {

// "成績累積データ.dat.journal" beside the results file.
QString changeJournalPath(const QString& resultsPath);
bool changeJournalExists(const QString& resultsPath);

struct JournaledChange {
    enum Kind : std::int32_t { Correction = 1, Deletion = 2 };
    Kind kind = Correction;
    std::int64_t from = 0;    // byte offset of the rewritten region
    std::int64_t count = 0;   // whole records before the change
    QByteArray newBytes;      // what goes at `from`
    QByteArray lastOriginal;  // a deletion: record `count` as it was
};

// How far a change got when it failed.
enum class ChangeReach {
    NotTouched,   // the results file is as it was
    Interrupted,  // partly written; journalled, the next lock completes it
    Unflushed,    // written, but the system could not confirm it on disk
    Done,
};

// Under the exclusive lock on `fd`: journals the change, makes it, flushes
// it and removes the journal. *reach tells how far it got, so a failure is
// never reported as a change not made once it reached the file.
FileError makeJournaledChange(int fd, const QString& path, const JournaledChange& change, ChangeReach* reach);

// Under the exclusive lock on `fd`: completes the change a journal left by
// a process that was cut off describes, keeping the records other machines
// appended meanwhile; a journal that was never completely written is
// dropped, the file not having been touched.
FileError finishInterruptedChange(int fd, const QString& path);

// Writes all of `size` bytes at `at`, over short writes and interruptions;
// false with *number set (EIO for a write that wrote nothing).
bool writeWholeAt(int fd, const char* data, std::int64_t size, off_t at, int* number);

// Flushes a folder's entries (after a rename or removal). Folders that
// cannot be flushed on some file systems are let be.
bool flushFolder(const QString& folder, int* number);

// Replaces `path` as a whole: the bytes go to a file beside it, are
// flushed, and are renamed over it, so a reader finds the old content or
// the new, never a part. The file is made readable and writable by the
// group. False with errno in *number.
bool replaceFileAtomically(const QString& path, const QByteArray& bytes, int* number);

} // namespace soinsuu
