#include "fonts.h"
#include <QStringList>
#include <algorithm>
#include "layout.h"

#include <cmath>

namespace soinsuu {

void installFontSubstitutions()
{
    QFont::insertSubstitutions(kGothic, QStringList{QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")});
    QFont::insertSubstitutions(kPGothic, QStringList{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans Mono CJK JP")});
}

QFont designFont(const QString& family, double pointSize, bool bold)
{
    QFont f(family);
    // The windows were designed at 96 dots per inch; sizing in pixels keeps
    // text and twip geometry in step whatever the display reports.
    f.setPixelSize(std::max(1, int(std::lround(pointSize * 96.0 / 72.0 * screenScale()))));
    f.setBold(bold);
    if (family == kGothic) {
        f.setStyleHint(QFont::Monospace);
        f.setFixedPitch(true);
    }
    return f;
}

} // namespace soinsuu
