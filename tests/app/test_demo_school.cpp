#include "app/startup.h"
#include "foundation/cp932.h"
#include "foundation/roster.h"
#include "support/fakes.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace soinsuu;

// The demo school the build lays out must start as a school's installation does.
class TestDemoSchool : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsAndHoldsAUsableSchool()
    {
        test::TestContext t;
        t.clock.setNow(QDateTime::currentDateTime());
        const QString program = QStringLiteral(SOINSUU_DEMO_ROOT "/素因数分解");
        QVERIFY(startUpAndHandOver(*t, program));
        QCOMPARE(t->schoolCode, QStringLiteral("12345"));
        QVERIFY(!t->schoolName.isEmpty());
        for (int level = 1; level <= 4; ++level) {
            QVERIFY(t->criteria[level].minimumLineTime > 0);
            QVERIFY(t->criteria[level].targetTime > 0);
            QVERIFY(t->criteria[level].targetTime < t->criteria[level].minimumLineTime);
        }
        for (int k = 1; k <= 10; ++k) {
            const SoundCategory& c = t->soundTable[std::size_t(k)];
            QVERIFY2(c.count.toInt() >= 1, qPrintable(c.key));
            for (int slot = 1; slot <= c.count.toInt(); ++slot)
                QVERIFY(QFileInfo::exists(t->soundFolder + c.files[std::size_t(slot)] + QStringLiteral(".wav")));
        }
        for (const char* fixed : {"最高1.wav", "合格.wav", "警告1.wav"})
            QVERIFY(QFileInfo::exists(t->soundFolder + QString::fromUtf8(fixed)));

        const auto text = cp932::readTextFile(t->dataRoot + kRosterFileName);
        QVERIFY(text);
        QVERIFY(fillRosterTables(*t, *text));
        QVERIFY(t->rosterCount >= 15);
        QSet<int> grades;
        bool teacher = false;
        for (int slot = 1; slot <= t->rosterCount; ++slot) {
            const int n = t->rosterNumbers[std::size_t(slot)];
            grades.insert(gradeNumberOf(t->schoolYear, t->studentBirthYears[std::size_t(n)]));
            teacher = teacher || t->studentNames[std::size_t(n)].trimmed() == QStringLiteral("先生");
        }
        for (int g = 0; g <= 9; ++g)
            QVERIFY2(grades.contains(g), qPrintable(gradeTagOf(g)));
        QVERIFY(teacher);
        QVERIFY(text->contains(QStringLiteral("髙橋")));
    }
};

QTEST_GUILESS_MAIN(TestDemoSchool)
#include "test_demo_school.moc"
