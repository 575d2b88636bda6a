#pragma once
// Where the files are: the path file beside the program folder, the common
// settings of the data root, the folders derived from them, and start-up.

#include "runcontext.h"

#include <QColor>
#include <QDate>
#include <QString>

namespace soinsuu {

inline const QString kPathFileName = QStringLiteral("パスデータ.txt");
inline const QString kCommonSettingsFileName = QStringLiteral("共通データ.txt");
inline const QString kSoundFolderName = QStringLiteral("音フォルダ");

struct CommonSettings {
    int schoolYearStartMonth = 0;
    QString schoolCode;
    QString schoolName;
    int rosterStatus2Listed = 0;
};

// A folder path with native separators and one trailing separator. A path
// written with backslashes, as the Windows programs of the family write it,
// is accepted; a relative path is taken from `base`.
QString normaliseFolder(const QString& path, const QString& base = QString());

// Reads the path file (ten items); the first is the data root.
bool readPathFile(const QString& path, const QString& programParent, QString* dataRoot, QString* error);
bool readCommonSettings(const QString& path, CommonSettings* settings, QString* error);
// Splits item 2 of the common settings into school code and school name.
void splitSchoolCodeAndName(const QString& item, QString* code, QString* name);
// The value of the leading number of a text, 0 when there is none.
double leadingNumber(const QString& text);

QColor seasonColourFor(int month);
// "ggge年 m月 dd日（aaa）" in the Japanese era calendar: 令和8年 12月 09日（水）.
QString japaneseEraDate(const QDate& date);

// Steps 1 to 9 of start-up, for the program whose executable lies in
// `executableFolder`: folders, settings, catalogue title, criteria and sound
// list. False with a Japanese description naming the file when the
// installation is broken; nothing is written then.
bool startUp(RunContext& ctx, const QString& executableFolder, QString* error);

// The version as the version dialog shows it: "Version1.0.0".
QString versionText();

} // namespace soinsuu
