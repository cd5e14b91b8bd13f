#include "core/KeldWaitingDlg.h"
#include "support/FakeClock.h"

#include <QtConcurrent>
#include <QtTest>

// The dialog's 10 ms tick is driven by hand here, so nothing waits in real time.
class TestWaitingDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KeldWaitingDlg::setManualTicksForTesting(true); }
    void cleanupTestCase() { KeldWaitingDlg::setManualTicksForTesting(false); }

    void autoProgressFillsInTheExpectedDuration()
    {
        KeldWaitingDlg dlg(nullptr);
        dlg.setAutoProgress(true, 2000);
        QCOMPARE(dlg.barValue(), 1);
        QVERIFY(dlg.isBarVisible());
        for (int i = 0; i < 199; ++i)
            dlg.onTimer();
        QCOMPARE(dlg.barValue(), 995);
        dlg.onTimer();
        QCOMPARE(dlg.barValue(), 1000);
        dlg.onTimer(); // more ticks never go past the end
        QCOMPARE(dlg.progress(), 1000.0f);
        QCOMPARE(dlg.elapsedMs(), 2010);
    }

    void timeLimitClosesOnTheThirdTick()
    {
        KeldWaitingDlg dlg(nullptr);
        int ticksBeforeClose = 0;
        bool openBeforeTheLimit = false, closedByHand = false;
        // No checks in here: one that failed would return before the third
        // tick, and the dialog would never close.
        QTimer::singleShot(0, &dlg, [&] {
            dlg.onTimer();
            dlg.onTimer();
            ticksBeforeClose = dlg.elapsedMs();
            openBeforeTheLimit = dlg.isVisible();
            dlg.onTimer(); // 30 ms: the limit
            // Still open once the limit's close has come: fail, do not hang.
            QTimer::singleShot(0, &dlg, [&] {
                closedByHand = dlg.isVisible();
                if (closedByHand)
                    dlg.done(1);
            });
        });
        dlg.run(QStringLiteral("Retrieving result images..."), QString(), QString(), true, 30);
        QVERIFY(openBeforeTheLimit);
        QVERIFY(!closedByHand);
        QCOMPARE(ticksBeforeClose, 20);
        QCOMPARE(dlg.elapsedMs(), 30);
        QVERIFY(!dlg.isVisible());
    }

    // Without a limit it never closes by itself; and in blocking mode the
    // bar is the ticks', setProgress leaves it alone.
    void blockingWithoutLimit()
    {
        KeldWaitingDlg dlg(nullptr);
        dlg.setAutoProgress(true, 2000);
        int during = -1;
        bool stillOpen = false;
        QTimer::singleShot(0, &dlg, [&] {
            dlg.setProgress(0.5f);
            during = dlg.barValue();
            for (int i = 0; i < 10000; ++i)
                dlg.onTimer();
            QCoreApplication::processEvents();
            stillOpen = dlg.isVisible();
            dlg.finish();
        });
        dlg.run(QStringLiteral("Waiting"), QString(), QString(), true, -1);
        QCOMPARE(during, 1);
        QVERIFY(stillOpen);
        QCOMPARE(dlg.elapsedMs(), 100000);
    }

    void backgroundTaskReportsAndFinishesFromItsOwnThread()
    {
        FakeClock clock;
        KeldWaitingDlg dlg(nullptr);
        dlg.setAutoProgress(true, 1000);
        QFuture<void> work = QtConcurrent::run([&dlg] {
            dlg.setMessage(QStringLiteral("Retrieving iso image..."));
            dlg.setMessage(QStringLiteral("Saving image to file..."));
            dlg.finish();
        });
        dlg.run(QStringLiteral("Retrieving result images..."), QString(), QString(), true, -1);
        work.waitForFinished();
        QCoreApplication::processEvents();
        QCOMPARE(dlg.message(), QStringLiteral("Saving image to file..."));
        // Each stage pauses the task for 10 ms, through the injected clock.
        QCOMPARE(clock.sleeps(), QList<int>({10, 10}));

        const QString longest(KeldWaitingDlg::kMessageCapacity, QLatin1Char('m'));
        dlg.setMessage(longest);
        QCOMPARE(dlg.message(), longest);
        // A longer text is cut at the buffer, never written past it.
        dlg.setMessage(longest + QStringLiteral("overflow"));
        QCOMPARE(dlg.message(), longest);
    }

    // Non-blocking, without button texts: no buttons, no bar until progress
    // is set.
    void nonBlockingProgress()
    {
        KeldWaitingDlg dlg(nullptr);
        dlg.run(QStringLiteral("Scanning COM ports..."), QString(), QString(), false, -1);
        QVERIFY(dlg.isRunning());
        auto *ok = dlg.findChild<QWidget *>(QStringLiteral("btnOK"));
        auto *cancel = dlg.findChild<QWidget *>(QStringLiteral("btnCancel"));
        QVERIFY(ok && cancel);
        QVERIFY(ok->isHidden());
        QVERIFY(cancel->isHidden());
        QVERIFY(!dlg.isBarVisible());
        // Never past the end (that it is cut, not rounded, is the COM probe's
        // series in the setting work area's suite).
        dlg.setProgress(1.7f);
        QCOMPARE(dlg.barValue(), 100);
        QVERIFY(dlg.isBarVisible());
        dlg.finish();
        QVERIFY(!dlg.isRunning());
    }

    // Where the operator sees it: its drawn centre on the anchor's, also
    // for a text that takes several lines (blocking or not, it is placed as
    // it shows); and no style warnings on the way.
    void centresOnItsAnchor()
    {
        QTest::failOnWarning(QRegularExpression("Unknown property"));
        QWidget anchor;
        anchor.setGeometry(100, 200, 600, 400);
        anchor.show();
        KeldWaitingDlg dlg(&anchor);
        dlg.run(QString(12, QLatin1Char(' ')).replace(" ", "Capturing images "), QString(), QString(), false, -1);
        QCoreApplication::processEvents();
        const QRect shown = dlg.frameGeometry();
        dlg.finish();
        const QPoint off = shown.center() - QRect(anchor.mapToGlobal(QPoint(0, 0)), anchor.size()).center();
        QVERIFY2(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1,
                 qPrintable(QStringLiteral("off by %1,%2").arg(off.x()).arg(off.y())));
    }
};

QTEST_MAIN(TestWaitingDlg)
#include "tst_waitingdlg.moc"
