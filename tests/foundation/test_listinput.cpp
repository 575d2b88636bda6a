#include "foundation/listinput.h"

#include <QTest>

#include <cmath>

using namespace soinsuu;

class TestListInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void items_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("commas and line ends") << QStringLiteral("a,b\r\nc,d\r\n") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("trailing commas give empty items")
            << QStringLiteral("1,,,\r\n2") << QStringList{"1", "", "", "", "2"};
        QTest::newRow("spaces around unquoted items dropped") << QStringLiteral("  a  ,  b c \n") << QStringList{"a", "b c"};
        QTest::newRow("quotes removed, commas kept inside") << QStringLiteral("\"x, y\",\" z \"\r\n") << QStringList{"x, y", " z "};
        QTest::newRow("blank lines carry no item") << QStringLiteral("a\r\n\r\n\r\nb\r\n\r\n") << QStringList{"a", "b"};
        QTest::newRow("lf only") << QStringLiteral("a\nb,c") << QStringList{"a", "b", "c"};
        QTest::newRow("no final line end") << QStringLiteral("正解音1,p1,*") << QStringList{"正解音1", "p1", "*"};
        QTest::newRow("end-of-file mark") << QStringLiteral("a,b\r\n\x1A") << QStringList{"a", "b"};
        // A file saved without its last line end reads as one saved with it.
        QTest::newRow("trailing commas at the very end") << QStringLiteral("7,1,,,") << QStringList{"7", "1", "", "", ""};
        QTest::newRow("trailing commas before the line end") << QStringLiteral("7,1,,,\r\n") << QStringList{"7", "1", "", "", ""};
        QTest::newRow("one comma at the end, spaces after") << QStringLiteral("a,  ") << QStringList{"a", ""};
        QTest::newRow("replacement character is text") << QStringLiteral("\uFFFDa,b") << QStringList{"\uFFFDa", "b"};
    }
    void items()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        ListInputReader r(text);
        QStringList got;
        while (!r.atEnd())
            got << r.readText();
        QCOMPARE(got, items);
        QCOMPARE(r.readText(), QString());
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "60" << true << 60.0;
        QTest::newRow("decimal") << "1.5" << true << 1.5;
        QTest::newRow("empty is 0") << "" << true << 0.0;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("text") << "abc" << false << 0.0;
        QTest::newRow("nan is no number") << "nan" << false << 0.0;
        QTest::newRow("inf is no number") << "inf" << false << 0.0;
        QTest::newRow("beyond double") << "1e400" << false << 0.0;
        QTest::newRow("exponent") << "1e10" << true << 1e10;
        QTest::newRow("replacement character first") << "\uFFFD12" << false << 0.0;
    }
    void numbers()
    {
        QFETCH(QString, item);
        QFETCH(bool, ok);
        QFETCH(double, value);
        ListInputReader r(item + QStringLiteral(",x"));
        bool gotOk = false;
        QCOMPARE(r.readNumber(&gotOk), value);
        QCOMPARE(gotOk, ok);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<qint64>("whole");
        QTest::newRow("in range") << 32767.0 << true << qint64(32767);
        QTest::newRow("half to even") << 2.5 << true << qint64(2);
        QTest::newRow("rounds into range") << -32768.4 << true << qint64(-32768);
        QTest::newRow("just past") << 32767.5 << false << qint64(0);
        QTest::newRow("far past") << 2.2e9 << false << qint64(0);
        QTest::newRow("nan") << std::nan("") << false << qint64(0);
        QTest::newRow("-inf") << -HUGE_VAL << false << qint64(0);
    }
    void wholeNumbers()
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QFETCH(qint64, whole);
        const std::optional<qint64> got = wholeNumberWithin(value, -32768, 32767);
        QCOMPARE(got.has_value(), fits);
        if (fits)
            QCOMPARE(*got, whole);
    }

    void lineNumbers()
    {
        ListInputReader r(QStringLiteral("a,b\r\n\r\nc\n\"d\re\"\rf"));
        QList<int> lines;
        while (!r.atEnd()) {
            r.readText();
            lines << r.lineNumber();
        }
        // "d\re" begins on line 4 and ends on line 5; f stands on line 6.
        QCOMPARE(lines, (QList<int>{1, 1, 3, 4, 6}));
    }

    void numberPastTheEndIsNotOk()
    {
        ListInputReader r(QStringLiteral("1\r\n"));
        bool ok = false;
        r.readNumber(&ok);
        QVERIFY(ok);
        QCOMPARE(r.readNumber(&ok), 0.0);
        QVERIFY(!ok);
    }
};

QTEST_GUILESS_MAIN(TestListInput)
#include "test_listinput.moc"
