#include "foundation/fonts.h"
#include "foundation/windows.h"
#include "support/fakes.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace soinsuu;

class TestWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }

    void splashRunsStartUpFromItsTimer()
    {
        test::TestContext t;
        t.clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 30, 15)));
        int ran = 0;
        auto* splash = new Firstfrm(*t, [&] { ++ran; });
        splash->setAttribute(Qt::WA_DeleteOnClose, false);
        splash->begin();
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("令和8年 12月 09日（水）"));
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Just a moment, please."));
        QCOMPARE(t.random.seeds, std::vector<std::uint32_t>{8 * 3600 + 30 * 60 + 15});
        QCOMPARE(t->seasonColour, QColor(192, 255, 192));
        QVERIFY(splash->startUpTimer()->isSingleShot());
        QCOMPARE(splash->startUpTimer()->interval(), 100);
        t.clock.pass(90);
        QCOMPARE(ran, 0);
        t.clock.pass(10);
        QCOMPARE(ran, 1);
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->startUpTimer()->isActive());
        delete splash;
    }

    void versionDialog()
    {
        test::TestContext t;
        t->programTitle = QStringLiteral("素因数分解");
        frmver dialog(*t);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("素因数分解"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version1.0.0"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblProductName"))->text(), QStringLiteral("Quorvel"));
        dialog.show();
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
    }

    void gothicKeepsDigitsHalfAKanjiWide()
    {
        // The ladder is laid out by character cells: with a proportional
        // fallback font the digits would drift out of their cells.
        const QFont font = designFont(kGothic, 60);
        const QFontMetrics fm(font);
        QVERIFY2(QFontInfo(font).family().contains(QStringLiteral("Mono")), qPrintable(QFontInfo(font).family()));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("1")), fm.horizontalAdvance(QStringLiteral("8")));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral(")")), fm.horizontalAdvance(QStringLiteral("8")));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("素")), 2 * fm.horizontalAdvance(QStringLiteral("8")));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
