// startup_work_ms: the files start-up reads (path file, common settings,
// criteria, sound list) plus a roster of 5000 lines, read and parsed.

#include "benchutil.h"

#include "foundation/cp932.h"
#include "foundation/roster.h"
#include "foundation/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace soinsuu;

namespace {

void write(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(cp932::encode(text));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/");
    const QString program = root + QStringLiteral("素因数分解");
    write(root + QStringLiteral("パスデータ.txt"), QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\r\n").arg(root));
    write(root + QStringLiteral("共通データ.txt"), QStringLiteral("4,\"12345Korvane塾\",0,0,0,0,0,0,0,0\r\n"));
    QString criteria = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
    for (int level = 1; level <= 35; ++level)
        criteria += QStringLiteral("60,90,30,5,1.5,10,200,7,1,,,\r\n");
    write(program + QStringLiteral("/タイム回数データ.txt"), criteria);
    QString sounds;
    for (const char* key : {"正解音1", "正解音2", "間違い音1", "間違い音2", "最高音1", "最高音2", "自己最高音1",
                            "自己最高音2", "自己最高音3", "不合格音1"})
        sounds += QString::fromUtf8(key) + QStringLiteral(",a,b,c,*\r\n");
    write(root + QStringLiteral("音フォルダ/新音ファイル.txt"), sounds);
    QString roster;
    for (int n = 1; n <= 5000; ++n)
        roster += QStringLiteral("%1,%2,0,0,\"髙橋　生徒%1\",%3,\"\",\"\"\r\n").arg(n).arg(2010 + n % 12).arg(n % 7 == 0 ? 1 : 0);
    write(root + QStringLiteral("新名簿.txt"), roster);

    SystemClock clock;
    const double ms = bench::medianMs(31, [&] {
        RunContext ctx;
        ctx.services.clock = &clock;
        QString error;
        if (!startUp(ctx, program, &error))
            qFatal("%s", qPrintable(error));
        const auto text = cp932::readTextFile(ctx.dataRoot + kRosterFileName);
        if (!text || !fillRosterTables(ctx, *text))
            qFatal("roster");
    });
    bench::report("startup_work_ms", ms, "ms");
    return 0;
}
