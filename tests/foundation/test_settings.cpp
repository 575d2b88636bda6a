#include "foundation/settings.h"
#include "foundation/criteria.h"
#include "support/fakes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;
using soinsuu::test::writeCp932;

namespace {

const QString kCriteria = QStringLiteral(
    "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
    "60,90,30,5,1,10,200,7,1,,,\r\n");
const QString kSoundList = QStringLiteral("正解音1,p1,*\r\n");

// A data root laid out as a school installs it, with the program folder inside.
struct Installation {
    QTemporaryDir dir;
    QString root() const { return dir.path() + QStringLiteral("/"); }
    QString programFolder() const { return root() + QStringLiteral("素因数分解"); }
    void write(const QString& pathFile, const QString& common, bool criteria = true, bool sounds = true)
    {
        QDir().mkpath(programFolder());
        if (!pathFile.isNull())
            writeCp932(root() + QStringLiteral("パスデータ.txt"), pathFile);
        if (!common.isNull())
            writeCp932(root() + QStringLiteral("共通データ.txt"), common);
        if (criteria)
            writeCp932(programFolder() + QStringLiteral("/タイム回数データ.txt"), kCriteria);
        if (sounds)
            writeCp932(root() + QStringLiteral("音フォルダ/新音ファイル.txt"), kSoundList);
    }
};

QString pathFileNaming(const QString& root) { return QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\r\n").arg(root); }
const QString kCommon = QStringLiteral("4,\"12345Korvane塾\",0,0,0,0,0,0,0,0\r\n");

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void schoolCodeAndName_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("code and name") << "12345Korvane塾" << "12345" << "Korvane塾";
        QTest::newRow("name only") << "Korvane塾" << "" << "Korvane塾";
        QTest::newRow("zero code") << "00000Korvane塾" << "" << "00000Korvane塾";
        QTest::newRow("short number still a code") << "7Kor塾ABC" << "7Kor塾" << "ABC";
        QTest::newRow("empty") << "" << "" << "";
    }
    void schoolCodeAndName()
    {
        QFETCH(QString, item);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QString gotCode, gotName;
        splitSchoolCodeAndName(item, &gotCode, &gotName);
        QCOMPARE(gotCode, code);
        QCOMPARE(gotName, name);
    }

    void seasonColour_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QColor>("colour");
        const QColor orange(255, 128, 0), spring(192, 255, 192), summer(0, 192, 192), autumn(192, 64, 0);
        const QColor byMonth[] = {orange, orange, spring, spring, spring, summer, summer, summer, autumn, autumn, autumn, spring};
        for (int m = 1; m <= 12; ++m)
            QTest::addRow("month %d", m) << m << byMonth[m - 1];
    }
    void seasonColour()
    {
        QFETCH(int, month);
        QFETCH(QColor, colour);
        QCOMPARE(seasonColourFor(month), colour);
    }

    void eraDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("2026-12-09") << QDate(2026, 12, 9) << "令和8年 12月 09日（水）";
        QTest::newRow("new year") << QDate(2027, 1, 1) << "令和9年 1月 01日（金）";
        QTest::newRow("last day of Heisei") << QDate(2019, 4, 30) << "平成31年 4月 30日（火）";
    }
    void eraDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(japaneseEraDate(date), text);
    }

    void normaliseFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing slash") << "/srv/drill/" << "/srv/drill/";
        QTest::newRow("no trailing separator") << "/srv/drill" << "/srv/drill/";
        QTest::newRow("trailing backslash") << "/srv/drill\\" << "/srv/drill/";
        QTest::newRow("backslashes") << "\\srv\\drill\\" << "/srv/drill/";
        QTest::newRow("relative to the path file") << "shared/" << "/base/shared/";
        QTest::newRow("spaces around") << "  /srv/drill  " << "/srv/drill/";
    }
    void normaliseFolder()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(soinsuu::normaliseFolder(path, QStringLiteral("/base")), expected);
    }

    void startUpResolvesFolders()
    {
        Installation inst;
        inst.write(pathFileNaming(inst.root()), kCommon);
        test::TestContext t;
        QString error;
        QVERIFY2(startUp(*t, inst.programFolder(), &error), qPrintable(error));
        QCOMPARE(t->dataRoot, inst.root());
        QCOMPARE(t->programFolder, inst.programFolder() + "/");
        QCOMPARE(t->programFolderName, QStringLiteral("素因数分解"));
        QCOMPARE(t->programDataFolder, inst.root() + QStringLiteral("素因数分解/"));
        QCOMPARE(t->soundFolder, inst.root() + QStringLiteral("音フォルダ/"));
        QCOMPARE(t->schoolCode, QStringLiteral("12345"));
        QCOMPARE(t->schoolName, QStringLiteral("Korvane塾"));
        QCOMPARE(t->schoolYearStartMonth, 4);
        QCOMPARE(t->programTitle, QStringLiteral("素因数分解"));
        QCOMPARE(t->allLevelsOpen, 1);
        QCOMPARE(t->criteria[1].minimumLineTime, 90);
        QCOMPARE(t->soundTable[1].files[1], QStringLiteral("p1"));
        QCOMPARE(t->levelCount, std::int16_t(0));  // the level table comes with a confirmed name
    }

    void startUpOnASharedDataRoot()
    {
        // The path file names another folder: the criteria then live in the
        // folder of the program's name there.
        Installation inst;
        QTemporaryDir shared;
        const QString sharedRoot = shared.path() + QStringLiteral("/");
        QDir().mkpath(inst.programFolder());
        writeCp932(inst.root() + QStringLiteral("パスデータ.txt"), pathFileNaming(shared.path() + QStringLiteral("\\")));
        writeCp932(sharedRoot + QStringLiteral("共通データ.txt"), kCommon);
        writeCp932(sharedRoot + QStringLiteral("素因数分解/タイム回数データ.txt"), kCriteria);
        writeCp932(sharedRoot + QStringLiteral("音フォルダ/新音ファイル.txt"), kSoundList);
        test::TestContext t;
        QString error;
        QVERIFY2(startUp(*t, inst.programFolder(), &error), qPrintable(error));
        QCOMPARE(t->programDataFolder, sharedRoot + QStringLiteral("素因数分解/"));
        QCOMPARE(t->criteria[1].targetTime, 60);
    }

    void brokenInstallation_data()
    {
        QTest::addColumn<QString>("pathFile");  // null: missing
        QTest::addColumn<QString>("common");
        QTest::addColumn<bool>("criteria");
        QTest::addColumn<bool>("sounds");
        QTest::addColumn<QString>("namedFile");
        QTest::addColumn<QString>("why");
        const QString ok = QStringLiteral("@root");
        QTest::newRow("no path file") << QString() << kCommon << true << true << "パスデータ.txt" << "ファイルがありません";
        QTest::newRow("short path file") << "@short" << kCommon << true << true << "パスデータ.txt" << "項目が足りません";
        QTest::newRow("no common settings") << ok << QString() << true << true << "共通データ.txt" << "ファイルがありません";
        QTest::newRow("short common settings") << ok << "4,\"12345塾\",0\r\n" << true << true << "共通データ.txt" << "項目が足りません";
        QTest::newRow("month not a number") << ok << "四月,\"12345塾\",0,0,0,0,0,0,0,0\r\n" << true << true << "共通データ.txt" << "1～12";
        QTest::newRow("no criteria") << ok << kCommon << false << true << "タイム回数データ.txt" << "ファイルがありません";
        QTest::newRow("no sound list") << ok << kCommon << true << false << "新音ファイル.txt" << "ファイルがありません";
    }
    void brokenInstallation()
    {
        QFETCH(QString, pathFile);
        QFETCH(QString, common);
        QFETCH(bool, criteria);
        QFETCH(bool, sounds);
        QFETCH(QString, namedFile);
        QFETCH(QString, why);
        Installation inst;
        if (pathFile == u"@root")
            pathFile = pathFileNaming(inst.root());
        else if (pathFile == u"@short")
            pathFile = QStringLiteral("\"%1\",0,0\r\n").arg(inst.root());
        inst.write(pathFile, common, criteria, sounds);
        const QStringList before = QDir(inst.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        test::TestContext t;
        QString error;
        QVERIFY(!startUp(*t, inst.programFolder(), &error));
        QVERIFY2(error.contains(namedFile), qPrintable(error));
        QVERIFY2(error.contains(why), qPrintable(error));
        // Nothing was created in the data root.
        QCOMPARE(QDir(inst.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    void versionText() { QCOMPARE(soinsuu::versionText(), QStringLiteral("Version1.0.0")); }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
