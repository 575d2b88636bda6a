#include "foundation/listinput.h"

#include <QTest>

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
