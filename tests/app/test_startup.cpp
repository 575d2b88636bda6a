#include "app/startup.h"
#include "support/fakes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestStartUp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void goodInstallationHandsOverToNameSelection()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/");
        test::writeCp932(root + QStringLiteral("パスデータ.txt"), QStringLiteral("%1,,,,,,,,,\r\n").arg(root));
        test::writeCp932(root + QStringLiteral("共通データ.txt"), QStringLiteral("4,12345塾,0,,,,,,,\r\n"));
        test::writeCp932(root + QStringLiteral("素因数分解/タイム回数データ.txt"),
                         QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"));
        test::writeCp932(root + QStringLiteral("音フォルダ/新音ファイル.txt"), QStringLiteral("正解音1,a,*\r\n正解音2,b,*\r\n間違い音2,c,*\r\n"));
        test::writeCp932(root + QStringLiteral("新名簿.txt"), QStringLiteral("1,2015,0,0,山田太郎,0,,\r\n"));
        test::TestContext t;
        QVERIFY(startUpAndHandOver(*t, root + QStringLiteral("素因数分解")));
        QCOMPARE(t.navigator.calls, QStringList{"showNameSelection"});
        QVERIFY(t.dialogs.shown.empty());
    }

    void brokenInstallationEndsWithAMessageNamingTheFile()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("素因数分解")));
        test::TestContext t;
        QVERIFY(!startUpAndHandOver(*t, dir.filePath(QStringLiteral("素因数分解"))));
        QCOMPARE(t.navigator.calls, QStringList{"endProgram"});
        QCOMPARE(t.navigator.endedWith, 1);
        QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t.dialogs.shown[0].title, QStringLiteral("起動できません"));
        QVERIFY(t.dialogs.shown[0].text.contains(QStringLiteral("パスデータ.txt")));
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "test_startup.moc"
