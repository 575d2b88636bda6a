#include "filenames.h"

#include <QDir>
#include <QFileInfo>

namespace soinsuu {

QString fileInFolder(const QString& folder, const QString& name)
{
    const QString exact = folder + name;
    if (QFileInfo::exists(exact))
        return exact;
    // Only a miss lists the folder: the usual exact name costs one look-up.
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + entry;
    }
    return exact;
}

} // namespace soinsuu
