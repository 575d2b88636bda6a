#include "foundation/cp932.h"

#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestCp932 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("circled 1-6") << QStringLiteral("①②③④⑤⑥") << QByteArray("\x87\x40\x87\x41\x87\x42\x87\x43\x87\x44\x87\x45");
        QTest::newRow("roman I-III") << QStringLiteral("ⅠⅡⅢ") << QByteArray("\x87\x54\x87\x55\x87\x56");
        QTest::newRow("full-width digits and space") << QStringLiteral("０９　") << QByteArray("\x82\x4F\x82\x58\x81\x40");
        QTest::newRow("wave dash") << QStringLiteral("～") << QByteArray("\x81\x60");
        QTest::newRow("taka of takahashi") << QStringLiteral("髙橋") << QByteArray("\xFB\xFC\x8B\xB4");
        QTest::newRow("half-width katakana") << QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ") << QByteArray("\xB8\xD8\xB1\xCE\xDF\xB2\xDD\xC4");
        QTest::newRow("ascii") << QStringLiteral("60,120,1.5,,\r\n") << QByteArray("60,120,1.5,,\r\n");
        // ICU's own table swaps these three; Windows and the ASCII path do not.
        QTest::newRow("controls beside kanji") << QStringLiteral("漢\x1A\x1C\x7F") << QByteArray("\x8A\xBF\x1A\x1C\x7F");
        QTest::newRow("dame-moji with 0x5C trail") << QStringLiteral("表ソ") << QByteArray("\x95\x5C\x83\x5C");
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp932::encode(text), bytes);
        QCOMPARE(cp932::decode(bytes), text);
    }

    void fileRoundTripIsByteExact()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("新名簿.txt"));
        const QString text = QStringLiteral("12,2015,0,0,\"髙橋　①Ⅲ～\",0,,\r\n");
        QVERIFY(cp932::writeTextFile(path, text));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QCOMPARE(raw, cp932::encode(text));
        QCOMPARE(cp932::readTextFile(path).value(), text);
    }

    // Bytes that are no CP932 character become U+FFFD, never U+001A, which
    // readers take for the old end-of-file mark.
    void badBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0xFF first") << QByteArray("\xFF" "abc") << QStringLiteral("\uFFFDabc");
        QTest::newRow("0x80 inside") << QByteArray("a\x80" "b") << QStringLiteral("a\uFFFDb");
        QTest::newRow("lead byte at the end") << QByteArray("a\x81") << QStringLiteral("a\uFFFD");
        QTest::newRow("lead byte before a space") << QByteArray("\x81 x") << QStringLiteral("\uFFFD x");
        QTest::newRow("real end-of-file mark stays") << QByteArray("a\x1A") << QStringLiteral("a\x1A");
        QTest::newRow("a DEL byte is no end-of-file mark") << QByteArray("\x8A\xBF\x7F" "b") << QStringLiteral("漢\x7F" "b");
    }
    void badBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(cp932::decode(bytes), text);
    }

    void charactersWithoutACode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("character");
        QTest::newRow("wave dash U+301C") << QStringLiteral("9時〜10時") << QStringLiteral("〜");
        QTest::newRow("minus sign") << QStringLiteral("\u2212" "5") << QStringLiteral("\u2212");
        QTest::newRow("em dash") << QStringLiteral("a\u2014b") << QStringLiteral("\u2014");
        QTest::newRow("yen sign") << QStringLiteral("\u00A5" "100") << QStringLiteral("\u00A5");
        QTest::newRow("replacement character") << QStringLiteral("a\uFFFD") << QStringLiteral("\uFFFD");
        QTest::newRow("emoji, a surrogate pair") << QStringLiteral("x\U0001F600") << QStringLiteral("\U0001F600");
    }
    void charactersWithoutACode()
    {
        QFETCH(QString, text);
        QFETCH(QString, character);
        QString bad;
        QVERIFY(!cp932::encodeExactly(text, &bad));
        QCOMPARE(bad, character);
        // The writer refuses the text and leaves the old file as it was.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(cp932::writeTextFile(path, QStringLiteral("old")));
        QString error;
        QVERIFY(!cp932::writeTextFile(path, text, &error));
        QVERIFY2(error.contains(character == QChar(0xFFFD) ? QStringLiteral("U+FFFD") : character), qPrintable(error));
        QCOMPARE(cp932::readTextFile(path).value(), QStringLiteral("old"));
    }

    void missingFileIsReported()
    {
        QString error;
        QVERIFY(!cp932::readTextFile(QStringLiteral("/nonexistent/x.txt"), &error));
        QCOMPARE(error, QStringLiteral("ファイルがありません"));
    }
};

QTEST_GUILESS_MAIN(TestCp932)
#include "test_cp932.moc"
