#include "foundation/synchronous_step.h"
#include "support/fakes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace soinsuu;

namespace {

// A window that writes down what reaches it, and a child that ignores
// every key so Qt hands the keys on to the window.
class Recorder : public QWidget {
public:
    Recorder()
    {
        child = new QWidget(this);
        child->setFocusPolicy(Qt::StrongFocus);
        button = new QPushButton(QStringLiteral("OK"), this);
        button->setGeometry(10, 10, 80, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { log << QStringLiteral("clicked"); });
        resize(200, 100);
    }
    QStringList log;
    std::function<void(const QString&)> onKey;
    QWidget* child;
    QPushButton* button;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        log << e->text();
        if (onKey)
            onKey(e->text());
    }
    void closeEvent(QCloseEvent* e) override
    {
        log << (SynchronousStep::cameFromUser(e) ? QStringLiteral("close asked") : QStringLiteral("closed"));
        e->setAccepted(!SynchronousStep::cameFromUser(e));
    }
};

} // namespace

class TestSynchronousStep : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Keys a child types while a step is busy are handled after it, in the
    // order typed, each on its own; none of them inside the step.
    void inputWaitsForTheStep_data()
    {
        QTest::addColumn<QString>("typedDuring");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("keys") << "123" << QStringList{"a", "1", "2", "3"};
        QTest::newRow("keys to a child that ignores them") << "child:45" << QStringList{"a", "4", "5"};
        QTest::newRow("a click") << "click" << QStringList{"a", "clicked"};
        QTest::newRow("a close request") << "close" << QStringList{"a", "close asked"};
        QTest::newRow("a click on a window the step hides") << "click, hide" << QStringList{"a"};
    }
    void inputWaitsForTheStep()
    {
        QFETCH(QString, typedDuring);
        QFETCH(QStringList, log);
        Recorder w;
        w.show();
        QStringList seenInsideTheStep;
        w.onKey = [&](const QString& key) {
            if (key != u"a")
                return;
            // The step lets events run while it waits, as a sound does.
            if (typedDuring.startsWith(u"click")) {
                QTest::mouseClick(w.button, Qt::LeftButton);
                if (typedDuring.endsWith(u"hide"))
                    w.hide();
            } else if (typedDuring == u"close") {
                QVERIFY(!test::requestCloseFromWindowManager(&w));
            } else {
                QWidget* to = typedDuring.startsWith(u"child:") ? w.child : &w;
                for (QChar c : QStringView(typedDuring).mid(typedDuring.indexOf(u':') + 1))
                    QTest::keyClick(to, c.toLatin1());
            }
            SynchronousStep::letPendingEventsRun();
            seenInsideTheStep = w.log;
        };
        QTest::keyClick(&w, 'a');
        QCOMPARE(seenInsideTheStep, QStringList{"a"});
        test::settle();
        QCOMPARE(w.log, log);
        // The program's own close is no request: it closes.
        w.show();
        w.log.clear();
        w.close();
        QCOMPARE(w.log, QStringList{"closed"});
    }

    // A message box that a step opens needs its keys while the step waits.
    void aMessageBoxOpenedByAStepTakesItsKeys()
    {
        Recorder w;
        w.show();
        bool answered = false;
        w.onKey = [&](const QString&) {
            QTimer::singleShot(0, [] {
                QWidget* box = QApplication::activeModalWidget();
                QVERIFY(box);
                QTest::keyClick(box, Qt::Key_Return);
            });
            QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("m"), QMessageBox::Ok, &w);
            answered = box.exec() == QMessageBox::Ok;
        };
        QTest::keyClick(&w, 'a');
        QVERIFY(answered);
    }

    // A tick that falls into a sound waits for it, then comes once, at the
    // next point where events run, and as a step of its own.
    void ticksWaitForTheSound()
    {
        test::FakeClock clock;
        QStringList log;
        WindowTimer timer(clock, 100, false, [&] {
            log << QStringLiteral("tick%1").arg(SoundPlaying::active() ? " in a sound" : "");
            QVERIFY(SynchronousStep::open());
        });
        timer.start();
        {
            SoundPlaying sound;
            clock.pass(350);
            QCOMPARE(log, QStringList());
        }
        QCOMPARE(log, QStringList());
        SynchronousStep::letPendingEventsRun();
        QCOMPARE(log, QStringList{"tick"});
        clock.pass(100);
        QCOMPARE(log, (QStringList{"tick", "tick"}));
        timer.stop();
        clock.pass(300);
        QCOMPARE(log.size(), 2);
    }
};

QTEST_MAIN(TestSynchronousStep)
#include "test_synchronous_step.moc"
