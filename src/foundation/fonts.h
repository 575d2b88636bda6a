#pragma once
#include <QFont>
#include <QString>

namespace soinsuu {

// The family names the windows are designed with.
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");    // fixed pitch: digits half a kanji wide
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");  // proportional

// Maps the design fonts onto the Noto CJK JP families, so the ladder keeps its
// character cells. Call once after the application object exists.
void installFontSubstitutions();

QFont designFont(const QString& family, double pointSize, bool bold = false);

} // namespace soinsuu
