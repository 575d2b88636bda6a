#include "foundation/filenames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestFileNames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A folder copied from a Windows machine: names match without regard
    // to case, and an exact match always wins.
    void matchesAsWindowsDoes_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");  // empty: the exact name, missing
        QTest::newRow("exact") << QStringList{"Pinpon.wav"} << "Pinpon.wav" << "Pinpon.wav";
        QTest::newRow("upper case on disk") << QStringList{"PINPON.WAV"} << "Pinpon.wav" << "PINPON.WAV";
        QTest::newRow("two that differ in case: the exact one")
            << QStringList{"pinpon.wav", "Pinpon.wav", "PINPON.WAV"} << "Pinpon.wav" << "Pinpon.wav";
        QTest::newRow("Japanese name, upper-case extension") << QStringList{"新名簿.TXT"} << "新名簿.txt" << "新名簿.TXT";
        QTest::newRow("full-width letters are other letters") << QStringList{"ＰＩＮＰＯＮ.wav"} << "Pinpon.wav" << "";
        QTest::newRow("a folder of that name is no file") << QStringList{"PINPON.WAV/"} << "Pinpon.wav" << "";
        QTest::newRow("missing") << QStringList{"other.wav"} << "Pinpon.wav" << "";
    }
    void matchesAsWindowsDoes()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, name);
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/");
        for (const QString& f : files) {
            if (f.endsWith(u'/')) {
                QVERIFY(QDir(folder).mkdir(f.chopped(1)));
                continue;
            }
            QFile file(folder + f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(fileInFolder(folder, name), folder + (found.isEmpty() ? name : found));
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
