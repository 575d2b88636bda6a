#include "foundation/settings.h"
#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/roster.h"
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
const QString kSoundList = QStringLiteral("正解音1,p1,*\r\n正解音2,c1,c2,*\r\n間違い音2,w1,*\r\n");
const QString kRoster = QStringLiteral("1,2015,0,0,\"山田太郎\",0,,\r\n2,2014,0,0,佐藤花子,0,,\r\n3,2013,0,0,先生,0,,\r\n");

// A data root laid out as a school installs it, with the program folder inside.
struct Installation {
    QTemporaryDir dir;
    QString root() const { return dir.path() + QStringLiteral("/"); }
    QString programFolder() const { return root() + QStringLiteral("素因数分解"); }
    void write(const QString& pathFile, const QString& common, bool criteria = true, bool sounds = true, bool roster = true)
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
        if (roster)
            writeCp932(root() + QStringLiteral("新名簿.txt"), kRoster);
    }
    // Where each of the five files of an installation lies.
    QString file(const QString& name) const
    {
        if (name == u"タイム回数データ.txt")
            return programFolder() + u'/' + name;
        if (name == u"新音ファイル.txt")
            return root() + QStringLiteral("音フォルダ/") + name;
        return root() + name;
    }
    void writeBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray bytes(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        writeCp932(sharedRoot + QStringLiteral("新名簿.txt"), kRoster);
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

    // Start-up refuses what it cannot hold and says which file and line.
    void refusedValues_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");  // with the file's name in the message
        const QString heading = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
        const QString common = QStringLiteral("共通データ.txt");
        const QString criteria = QStringLiteral("タイム回数データ.txt");
        const QString roster = QStringLiteral("新名簿.txt");
        const QString sounds = QStringLiteral("新音ファイル.txt");
        QTest::newRow("month nan") << common << "nan,\"12345塾\",0,0,0,0,0,0,0,0\r\n" << "1～12";
        QTest::newRow("month inf") << common << "inf,\"12345塾\",0,0,0,0,0,0,0,0\r\n" << "1～12";
        QTest::newRow("month 13") << common << "13,\"12345塾\",0,0,0,0,0,0,0,0\r\n" << "1～12";
        QTest::newRow("status-2 setting too large") << common << "4,\"12345塾\",1e10,0,0,0,0,0,0,0\r\n" << "3項目目";
        QTest::newRow("pass time nan") << criteria << heading + "nan,90,30,5,1,10,200,7,1,,,\r\n" << "2行目：レベル1の行の1項目目";
        QTest::newRow("pass time beyond 32 bits") << criteria << heading + "60,90,30,5,1,10,200,7,1,,,\r\n3e9,90,30,5,1,10,200,7,1,,,\r\n"
                                                  << "3行目：レベル2の行の1項目目（目標Time）「3e9」は";
        QTest::newRow("clear count beyond 16 bits") << criteria << heading + "60,90,30,70000,1,10,200,7,1,,,\r\n"
                                                    << "レベル1の行の4項目目（ｸﾘｱ回数）「70000」";
        QTest::newRow("multiplier beyond single precision") << criteria << heading + "60,90,30,5,1e39,10,200,7,1,,,\r\n"
                                                            << "5項目目（ﾎﾟｲﾝﾄ倍率）";
        QTest::newRow("ban period inf") << criteria << heading + "60,90,30,5,1,10,200,7,inf,,,\r\n" << "9項目目（禁期間）";
        QTest::newRow("short last line") << criteria << heading + "60,90,30,5\r\n" << "レベル1の行の項目が足りません";
        QTest::newRow("student number beyond 16 bits") << roster << "2200000000,2015,0,0,\"山田\",0,,\r\n" << "1行目：番号「2200000000」が大きすぎるか小さすぎます";
        QTest::newRow("birth year nan") << roster << "1,2015,0,0,a,0,,\r\n2,nan,0,0,b,0,,\r\n" << "2行目：生まれ年「nan」が数値ではありません";
        QTest::newRow("birth year -2147483648") << roster << "1,-2147483648,0,0,a,0,,\r\n" << "生まれ年「-2147483648」が大きすぎるか小さすぎます";
        QTest::newRow("empty roster") << roster << "" << "名前の一覧に出せる生徒がいません";
        QTest::newRow("nobody listed") << roster << "1,2015,0,0,a,1,,\r\n2,2015,0,0,b,3,,\r\n" << "名前の一覧に出せる生徒がいません";
        QTest::newRow("garbage roster") << roster << "PK\x03\x04 this is a zip file" << "番号「PK";
        QTest::newRow("empty sound list") << sounds << "" << "「正解音1」と「正解音2」と「間違い音2」に音ファイルがひとつも書かれていません";
        QTest::newRow("a watched category without files") << sounds << "正解音1,p1,*\r\n正解音2,*\r\n間違い音2,w1,*\r\n"
                                                          << "「正解音2」に音ファイルが";
    }
    void refusedValues()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(QString, why);
        Installation inst;
        inst.write(pathFileNaming(inst.root()), kCommon);
        writeCp932(inst.file(file), text);
        test::TestContext t;
        QString error;
        QVERIFY(!startUp(*t, inst.programFolder(), &error));
        QVERIFY2(error.contains(file), qPrintable(error));
        QVERIFY2(error.contains(why), qPrintable(error));
    }

    // Unwatched categories may stay empty, as a school that wants no sound
    // for a new best leaves them.
    void unwatchedCategoriesMayBeEmpty()
    {
        Installation inst;
        inst.write(pathFileNaming(inst.root()), kCommon);
        writeCp932(inst.file(QStringLiteral("新音ファイル.txt")), kSoundList + QStringLiteral("自己最高音2,*\r\n"));
        test::TestContext t;
        QString error;
        QVERIFY2(startUp(*t, inst.programFolder(), &error), qPrintable(error));
        QCOMPARE(t->soundTable[8].count, QStringLiteral("0"));
    }

    // A file saved on another machine without its final line end, or holding
    // a byte that is no Shift-JIS character, reads as the school meant it.
    void filesAsSchoolsHaveThem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");  // empty: start-up succeeds with every value as in the full installation
        const QByteArray heading = cp932::encode(QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"));
        for (const QString& name : {QStringLiteral("パスデータ.txt"), QStringLiteral("共通データ.txt"), QStringLiteral("タイム回数データ.txt"),
                                    QStringLiteral("新名簿.txt"), QStringLiteral("新音ファイル.txt")}) {
            QTest::addRow("%s without its final line end", qPrintable(name)) << name << QByteArray("@chop") << QString();
        }
        QTest::newRow("criteria: bad byte at the start of the heading")
            << QStringLiteral("タイム回数データ.txt") << QByteArray("\xFF") + heading + "60,90,30,5,1,10,200,7,1,,,\r\n" << QString();
        QTest::newRow("criteria: bad byte in a spare item")
            << QStringLiteral("タイム回数データ.txt") << heading + "60,90,30,5,1,10,200,7,1,a\xFF,,\r\n" << QString();
        QTest::newRow("criteria: bad byte starting a number")
            << QStringLiteral("タイム回数データ.txt") << heading + "60,\xFF" "90,30,5,1,10,200,7,1,,,\r\n"
            << QStringLiteral("2行目：レベル1の行の2項目目（最低Time）「\uFFFD90」は数値ではありません");
        QTest::newRow("criteria: bad byte inside a number")
            << QStringLiteral("タイム回数データ.txt") << heading + "60,9\x80,30,5,1,10,200,7,1,,,\r\n"
            << QStringLiteral("2行目：レベル1の行の2項目目");
        QTest::newRow("roster: bad byte starting the first name")
            << QStringLiteral("新名簿.txt") << QByteArray("1,2015,0,0,\xFF") + cp932::encode(QStringLiteral("山田太郎,0,,\r\n2,2014,0,0,佐藤花子,0,,\r\n3,2013,0,0,先生,0,,\r\n"))
            << QString();
        QTest::newRow("roster: bad byte starting a student number")
            << QStringLiteral("新名簿.txt") << QByteArray("1,2015,0,0,a,0,,\r\n\xFF" "2,2014,0,0,b,0,,\r\n") << QStringLiteral("2行目：番号「\uFFFD2」が数値ではありません");
        QTest::newRow("sound list: bad byte starting the first category's file")
            << QStringLiteral("新音ファイル.txt") << cp932::encode(QStringLiteral("正解音1,")) + "\xFF" + cp932::encode(QStringLiteral(",*\r\n正解音2,c1,c2,*\r\n間違い音2,w1,*\r\n"))
            << QString();
        QTest::newRow("common settings: bad byte in the school name")
            << QStringLiteral("共通データ.txt") << QByteArray("4,\"12345Korvane\xFF\",0,0,0,0,0,0,0,0\r\n") << QString();
        QTest::newRow("common settings: bad byte in the school code")
            << QStringLiteral("共通データ.txt") << QByteArray("4,\"1234\xFFKorvane\",0,0,0,0,0,0,0,0\r\n") << QStringLiteral("塾コード");
        QTest::newRow("path file: bad byte in a reserved item") << QStringLiteral("パスデータ.txt") << QByteArray("@root\xFF") << QString();
    }
    void filesAsSchoolsHaveThem()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        Installation inst;
        inst.write(pathFileNaming(inst.root()), kCommon);
        test::TestContext whole;
        QString why;
        QVERIFY2(startUp(*whole, inst.programFolder(), &why), qPrintable(why));

        if (bytes == "@chop") {
            bytes = inst.bytes(file);
            QVERIFY(bytes.endsWith("\r\n"));
            bytes.chop(2);
        } else if (bytes == "@root\xFF") {
            bytes = cp932::encode(QStringLiteral("\"%1\",").arg(inst.root())) + "\xFF" + ",0,0,0,0,0,0,0,0\r\n";
        }
        inst.writeBytes(file, bytes);
        test::TestContext t;
        const bool started = startUp(*t, inst.programFolder(), &why);
        if (!error.isEmpty()) {
            QVERIFY(!started);
            QVERIFY2(why.contains(file) && why.contains(error), qPrintable(why));
            return;
        }
        QVERIFY2(started, qPrintable(why));
        QCOMPARE(t->dataRoot, whole->dataRoot);
        QCOMPARE(t->schoolCode, whole->schoolCode);
        QCOMPARE(t->schoolYearStartMonth, whole->schoolYearStartMonth);
        for (int level = 1; level <= 2; ++level) {
            QCOMPARE(t->criteria[std::size_t(level)].targetTime, whole->criteria[std::size_t(level)].targetTime);
            QCOMPARE(t->criteria[std::size_t(level)].banDays, whole->criteria[std::size_t(level)].banDays);
        }
        for (int k = 1; k <= 10; ++k)
            QCOMPARE(t->soundTable[std::size_t(k)].count, whole->soundTable[std::size_t(k)].count);
        QCOMPARE(t->soundTable[2].files[2], whole->soundTable[2].files[2]);
        // Every student of the roster is still there.
        int listed = 0;
        QVERIFY(forEachRosterLine(cp932::decode(inst.bytes(QStringLiteral("新名簿.txt"))), [&](const RosterLine&) { ++listed; }));
        QCOMPARE(listed, 3);
    }

    void versionText() { QCOMPARE(soinsuu::versionText(), QStringLiteral("Version1.0.0")); }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
