#pragma once
// What every fuzz target shares: the input as bytes, a scratch folder for
// readers that take a path, and one run context made once, since its tables
// cost far more to build than one input takes to read.

#include "support/fakes.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace soinsuu::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A folder of this process's own, ending with a slash.
QString scratchFolder();
// Writes the bytes as the named file of the scratch folder; returns its path.
QString writeScratch(const QString& name, const QByteArray& bytes);
// The shared context: fake clock at a fixed date, sounds without length.
test::TestContext& context();

// Stops the run with a finding that no sanitizer would see.
[[noreturn]] void finding(const char* what);

} // namespace soinsuu::fuzz
