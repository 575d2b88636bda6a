#include "foundation/sounds.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestSounds : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;

    void loadList(const QString& text)
    {
        test::writeCp932(dir_.filePath(QStringLiteral("新音ファイル.txt")), text);
        QString error;
        QVERIFY2(loadSoundList(**t_, &error), qPrintable(error));
    }

private Q_SLOTS:
    void init()
    {
        t_ = std::make_unique<test::TestContext>();
        (*t_)->soundFolder = dir_.path() + QStringLiteral("/");
    }

    void list_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("three files") << "正解音1,p1,p2,p3,*\r\n" << 1 << "3" << QStringList{"p1", "p2", "p3"};
        QTest::newRow("one per line, any order") << "不合格音1\r\nlow\r\n*\r\n正解音2\r\nc\r\n*\r\n" << 10 << "1" << QStringList{"low"};
        QTest::newRow("key then star") << "間違い音2,*\r\n" << 4 << "0" << QStringList{};
        QTest::newRow("category missing") << "正解音1,p1,*\r\n" << 2 << "" << QStringList{};
        QTest::newRow("items outside a category skipped") << "stray,正解音2,a,*,junk\r\n" << 2 << "1" << QStringList{"a"};
        QTest::newRow("list ends inside a category") << "自己最高音2,f1,f2\r\n" << 8 << "2" << QStringList{"f1", "f2"};
    }
    void list()
    {
        QFETCH(QString, text);
        QFETCH(int, category);
        QFETCH(QString, count);
        QFETCH(QStringList, files);
        loadList(text);
        const SoundCategory& c = (*t_)->soundTable[std::size_t(category)];
        QCOMPARE(c.count, count);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(c.files[std::size_t(i + 1)], files[i]);
        QCOMPARE((*t_)->soundTable[1].key, QStringLiteral("正解音1"));
        QCOMPARE((*t_)->soundTable[10].key, QStringLiteral("不合格音1"));
    }

    void twentyNamesWithoutStarKeepTheCount()
    {
        QString text = QStringLiteral("正解音2");
        for (int i = 1; i <= 21; ++i)
            text += QStringLiteral(",f%1").arg(i);
        loadList(text);
        QCOMPARE((*t_)->soundTable[2].files[20], QStringLiteral("f20"));
        QCOMPARE((*t_)->soundTable[2].count, QString());
    }

    void randomPickCoversEveryFileEvenly()
    {
        loadList(QStringLiteral("正解音1,p1,p2,p3,*\r\n"));
        t_->random.queue = {0.0, 0.34, 0.99};
        for (int i = 0; i < 3; ++i)
            QVERIFY(playRandomSound(**t_, Sound::正解音1, true));
        QCOMPARE(t_->sound.playedNames(), (QStringList{"p1.wav", "p2.wav", "p3.wav"}));
        QCOMPARE(t_->sound.played.first(), dir_.path() + QStringLiteral("/p1.wav"));
    }

    void emptyCategoryPlaysTheNamelessFileAndCountsAsFailure()
    {
        loadList(QStringLiteral("正解音2,*\r\n"));
        QVERIFY(playRandomSound(**t_, Sound::正解音2, true));
        QCOMPARE(t_->sound.playedNames(), QStringList{".wav"});
        QCOMPARE((*t_)->soundErrorCount, std::int16_t(1));
        QCOMPARE((*t_)->lastSoundResult, QStringLiteral("1"));
    }

    void failureWatch()
    {
        loadList(QStringLiteral("正解音2,c,*\r\n"));
        test::TestContext& t = *t_;
        t.sound.failuresToCome = 3;
        for (int i = 0; i < 3; ++i)
            QVERIFY(playRandomSound(*t, Sound::正解音2, true));
        QCOMPARE(t->soundErrorCount, std::int16_t(3));
        QVERIFY(t.dialogs.shown.empty());
        // A success after the third failure resets the watch.
        QVERIFY(playRandomSound(*t, Sound::正解音2, true));
        QCOMPARE(t->soundErrorCount, std::int16_t(0));
        // Four failures in a row end the program with the message.
        t.sound.failuresToCome = 4;
        for (int i = 0; i < 3; ++i)
            QVERIFY(playRandomSound(*t, Sound::正解音2, true));
        QVERIFY(!playRandomSound(*t, Sound::正解音2, true));
        QCOMPARE(t.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t.dialogs.shown[0].title, QStringLiteral("音声エラー"));
        // The message names the file that would not play.
        QCOMPARE(t.dialogs.shown[0].text, QStringLiteral("音声がでません。先生を呼びなさい。\r\n%1\r\n再生できません")
                                              .arg(QDir::toNativeSeparators(dir_.filePath(QStringLiteral("c.wav")))));
        QCOMPARE(t.navigator.endedWith, 1);
    }

    // A sound folder from a Windows machine: its list and its files are
    // found whatever the case of their names.
    void namesMatchWithoutRegardToCase()
    {
        QFile::remove(dir_.filePath(QStringLiteral("新音ファイル.txt")));  // left by the tests before
        test::writeCp932(dir_.filePath(QStringLiteral("新音ファイル.TXT")), QStringLiteral("正解音2,Pinpon,*\r\n"));
        QString error;
        QVERIFY2(loadSoundList(**t_, &error), qPrintable(error));
        for (const char* name : {"PINPON.WAV", "合格.WAV"}) {
            QFile f(dir_.filePath(QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        test::TestContext& t = *t_;
        QVERIFY(playRandomSound(*t, Sound::正解音2, true));
        QVERIFY(playSoundFile(*t, kGoalClearedFile));
        QCOMPARE(t.sound.playedNames(), (QStringList{"PINPON.WAV", "合格.WAV"}));
    }

    void unwatchedPlaysIgnoreFailures()
    {
        loadList(QStringLiteral("不合格音1,x,*\r\n"));
        test::TestContext& t = *t_;
        t.sound.failAlways = true;
        for (int i = 0; i < 6; ++i)
            QVERIFY(playRandomSound(*t, Sound::不合格音1, false));
        QCOMPARE(t->soundErrorCount, std::int16_t(0));
        QVERIFY(!playSoundFile(*t, kWarningFile));
        QCOMPARE(t.sound.playedNames().last(), QStringLiteral("警告1.wav"));
        QVERIFY(t.dialogs.shown.empty());
    }
};

QTEST_GUILESS_MAIN(TestSounds)
#include "test_sounds.moc"
