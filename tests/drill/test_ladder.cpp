#include "drill/ladder.h"
#include "support/fakes.h"

#include <QSet>
#include <QTest>

using namespace soinsuu;

Q_DECLARE_METATYPE(QList<int>)

class TestLadder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void admissibleNumbers_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("level 1") << 1 << QList<int>{12, 18, 20, 28, 30, 42, 45, 50};
        QTest::newRow("level 2") << 2 << QList<int>{36, 60, 84, 90, 100};
        QTest::newRow("level 3") << 3 << QList<int>{180, 252, 300, 420, 450};
        QTest::newRow("level 4") << 4 << QList<int>{900, 1260, 1764, 2100, 2940, 3150, 4410, 4900, 7350};
    }
    void admissibleNumbers()
    {
        QFETCH(int, level);
        QFETCH(QList<int>, numbers);
        StandardRandom random;
        random.seed(12345);
        const DrillParameters p = *drillParameters(level);
        QSet<int> seen;
        int previous = 0;
        for (int i = 0; i < 3000; ++i) {
            const int n = drawProblemNumber(random, p, previous);
            QVERIFY2(numbers.contains(n), qPrintable(QString::number(n)));
            QVERIFY(n != previous);
            seen.insert(n);
            previous = n;
        }
        QCOMPARE(seen, QSet<int>(numbers.begin(), numbers.end()));  // every admissible number comes up
    }

    void exponentsAreDrawnInOrder()
    {
        // 2^2 * 3^0 * 5^1 * 7^0 = 20 on level 1 (exponent total 3): the
        // first tuple totals 4 and is drawn again.
        test::ScriptedRandom random;
        random.queue = {0.9, 0.9, 0.0, 0.0, 0.7, 0.1, 0.5, 0.0};
        QCOMPARE(drawProblemNumber(random, *drillParameters(1), 0), 20);
        QVERIFY(random.queue.empty());
    }

    void smallestPrime_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("divisor");
        QTest::newRow("60") << 60 << 2;
        QTest::newRow("45") << 45 << 3;
        QTest::newRow("50") << 50 << 2;
        QTest::newRow("35") << 35 << 5;
        QTest::newRow("49") << 49 << 7;
        QTest::newRow("1") << 1 << 0;
    }
    void smallestPrime()
    {
        QFETCH(int, n);
        QFETCH(int, divisor);
        QCOMPARE(smallestPrimeDivisor(n), divisor);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("02") << "02" << 2.0;
        QTest::newRow("2.") << "2." << 2.0;
        QTest::newRow("2/3") << "2/3" << 2.0;
        QTest::newRow("2.5") << "2.5" << 2.5;
        QTest::newRow("1.5") << "1.5" << 1.5;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("-3") << "-3" << -3.0;
        QTest::newRow("1.2.3") << "1.2.3" << 1.2;
        QTest::newRow("*5") << "*5" << 0.0;
        QTest::newRow("-") << "-" << 0.0;
        QTest::newRow("2,5") << "2,5" << 2.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingValue(text), value);
    }

    void problem12()
    {
        Problem p;
        p.pose(12);
        QCOMPARE(p.digitCount, 2);
        QCOMPARE(p.expectedDivisor, 2);
        QCOMPARE(p.expectedQuotient, 6);
        QVERIFY(p.isCorrect("2", "6"));
        QVERIFY(!p.advance());
        QCOMPARE(p.expectedDivisor, 2);
        QCOMPARE(p.expectedQuotient, 3);
        QVERIFY(p.isCorrect("02", "3."));
        QVERIFY(p.advance());  // 3 is prime: solved after two rows
        QCOMPARE(p.rowRecord, (QStringList{"  2 )12", "  2 ) 6", "      3"}));
    }

    void wrongRowAndRestart()
    {
        Problem p;
        p.pose(45);
        QVERIFY(!p.isCorrect("5", "9"));
        QCOMPARE(p.expectedDivisor, 3);
        QCOMPARE(p.expectedQuotient, 15);
        Problem q;
        q.pose(60);
        QVERIFY(!q.isCorrect("3", "20"));  // divides, but is not the smallest
        QVERIFY(q.isCorrect("2", "30"));
        q.advance();
        q.restart();
        QCOMPARE(q.currentNumber, 60);
        QCOMPARE(q.expectedQuotient, 30);
        QVERIFY(q.rowRecord.isEmpty());
        Problem r;
        r.pose(7350);
        QCOMPARE(r.digitCount, 4);
    }

    void keys()
    {
        AnswerCells c;
        for (QChar ch : QStringLiteral("12"))
            c.type(ch);
        QCOMPARE(c.text(0), QStringLiteral("12"));
        // Right keeps the new cell's text; Space on cell 0 does the same.
        c.keyDown(Qt::Key_Right, false);
        QCOMPARE(c.activeCell(), 1);
        c.type(u'6');
        c.keyDown(Qt::Key_Right, false);  // wraps to cell 0
        QCOMPARE(c.activeCell(), 0);
        QCOMPARE(c.entryBuffer(), QStringLiteral("12"));
        c.type(u'3');
        QCOMPARE(c.text(0), QStringLiteral("123"));
        c.keyDown(Qt::Key_Left, false);  // wraps to cell 1
        QCOMPARE(c.activeCell(), 1);
        QCOMPARE(c.keyDown(Qt::Key_Space, false), AnswerCells::KeyResult::Judge);
        // Shift+Left empties the cell it moves to.
        c.keyDown(Qt::Key_Left, true);
        QCOMPARE(c.activeCell(), 0);
        QCOMPARE(c.text(0), QString());
        QCOMPARE(c.text(1), QStringLiteral("6"));
        QCOMPARE(c.keyDown(Qt::Key_Space, false), AnswerCells::KeyResult::None);
        QCOMPARE(c.activeCell(), 1);
        QCOMPARE(c.entryBuffer(), QStringLiteral("6"));
        // Delete empties the active cell; with a modifier every cell.
        c.keyDown(Qt::Key_Left, false);
        c.type(u'5');
        c.keyDown(Qt::Key_Delete, false);
        QCOMPARE(c.text(0), QString());
        QCOMPARE(c.text(1), QStringLiteral("6"));
        c.type(u'5');
        c.keyDown(Qt::Key_Down, true);
        QCOMPARE(c.text(0), QString());
        QCOMPARE(c.text(1), QString());
        QCOMPARE(c.activeCell(), 0);
        // Up empties everything and returns to cell 0.
        c.keyDown(Qt::Key_Right, false);
        c.type(u'9');
        c.keyDown(Qt::Key_Up, false);
        QCOMPARE(c.activeCell(), 0);
        QCOMPARE(c.text(1), QString());
        QCOMPARE(c.entryBuffer(), QString());
    }

    void typedCharacters()
    {
        AnswerCells c;
        for (QChar ch : QStringLiteral("a+ 5*,-./9"))
            c.type(ch);
        QCOMPARE(c.text(0), QStringLiteral("5*,-./9"));
        QCOMPARE(c.type(u'\b'), AnswerCells::TypeResult::Typed);
        QCOMPARE(c.text(0), QStringLiteral("5*,-./"));
        while (c.entryBuffer().size() < 23)
            c.type(u'1');
        QCOMPARE(c.type(u'1'), AnswerCells::TypeResult::TooLong);
        QCOMPARE(c.type(u'x'), AnswerCells::TypeResult::TooLong);  // the length is checked first
        QCOMPARE(c.text(0).size(), 23);
        QCOMPARE(c.type(u'\b'), AnswerCells::TypeResult::Typed);  // Backspace still works
        QCOMPARE(c.text(0).size(), 22);
    }
};

QTEST_GUILESS_MAIN(TestLadder)
#include "test_ladder.moc"
