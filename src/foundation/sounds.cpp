#include "sounds.h"

#include "cp932.h"
#include "filenames.h"
#include "listinput.h"

#include "synchronous_step.h"

#include <QDir>

namespace soinsuu {
namespace {

const QString kSoundListFileName = QStringLiteral("新音ファイル.txt");

const QString kKeys[11] = {
    QString(),
    QStringLiteral("正解音1"), QStringLiteral("正解音2"), QStringLiteral("間違い音1"), QStringLiteral("間違い音2"),
    QStringLiteral("最高音1"), QStringLiteral("最高音2"), QStringLiteral("自己最高音1"), QStringLiteral("自己最高音2"),
    QStringLiteral("自己最高音3"), QStringLiteral("不合格音1"),
};

} // namespace

bool loadSoundList(RunContext& ctx, QString* error)
{
    for (int k = 1; k <= 10; ++k)
        ctx.soundTable[std::size_t(k)].key = kKeys[k];

    const QString path = fileInFolder(ctx.soundFolder, kSoundListFileName);
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    ListInputReader in(*text);
    while (!in.atEnd()) {
        const QString item = in.readText();
        for (int k = 1; k <= 10; ++k) {
            SoundCategory& category = ctx.soundTable[std::size_t(k)];
            if (category.key != item)
                continue;
            for (int slot = 1; slot <= 20; ++slot) {
                // A list that ends inside a category keeps the names read so far.
                if (in.atEnd()) {
                    category.count = QString::number(slot - 1);
                    break;
                }
                const QString name = in.readText();
                if (name == u"*") {
                    category.count = QString::number(slot - 1);
                    break;
                }
                category.files[std::size_t(slot)] = name;
            }
        }
    }
    return true;
}

bool checkWatchedSounds(const RunContext& ctx, QString* error)
{
    const QString path = fileInFolder(ctx.soundFolder, kSoundListFileName);
    // The drill ends the program after four failed plays of these in a row:
    // a category with no file would do that in the first minutes of the
    // first drill, so it is a broken installation, said before anyone starts.
    QStringList empty;
    for (const Sound monitored : {Sound::正解音1, Sound::正解音2, Sound::間違い音2}) {
        const SoundCategory& c = ctx.soundTable[std::size_t(monitored)];
        bool ok = false;
        const int count = c.count.trimmed().toInt(&ok);
        if (!ok || count < 1 || c.files[1].trimmed().isEmpty())
            empty << QStringLiteral("「%1」").arg(c.key);
    }
    if (!empty.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1\n%2に音ファイルがひとつも書かれていません")
                         .arg(QDir::toNativeSeparators(path), empty.join(QStringLiteral("と")));
        return false;
    }
    return true;
}

bool playSoundFile(RunContext& ctx, const QString& fileName)
{
    bool ok = false;
    {
        SoundPlaying playing;
        ok = ctx.services.sound->play(fileInFolder(ctx.soundFolder, fileName));
    }
    ctx.lastSoundResult = ok ? QStringLiteral("0") : QStringLiteral("1");
    return ok;
}

bool playRandomSound(RunContext& ctx, Sound category, bool monitored)
{
    const SoundCategory& c = ctx.soundTable[std::size_t(category)];
    bool countOk = false;
    const int n = std::max(0, c.count.trimmed().toInt(&countOk));
    int slot = int(ctx.random().next() * n) + 1;
    slot = std::clamp(slot, 1, 20);
    const QString fileName = c.files[std::size_t(slot)] + QStringLiteral(".wav");
    const bool ok = playSoundFile(ctx, fileName);
    if (!monitored)
        return true;
    if (category == Sound::正解音1)
        SynchronousStep::letPendingEventsRun();
    if (ok) {
        ctx.soundErrorCount = 0;
        return true;
    }
    if (ctx.soundErrorCount < 3) {
        ++ctx.soundErrorCount;
        return true;
    }
    // The teacher is told which file of which folder would not play.
    fatalError(ctx, QStringLiteral("音声エラー"),
               QStringLiteral("音声がでません。先生を呼びなさい。\r\n%1\r\n%2")
                   .arg(QDir::toNativeSeparators(fileInFolder(ctx.soundFolder, fileName)), ctx.services.sound->lastError()));
    return false;
}

} // namespace soinsuu
