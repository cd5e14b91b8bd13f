#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "core/About.h"
#include "core/AppContext.h"
#include "core/ScreenFit.h"
#include "platform/DeviceNotifier.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QAction>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

// The shell: its tool bar and work areas, opening and closing devices, and
// unplugs (those the recovery and power work areas cause are theirs to test).
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    // The window fitted to the screen it starts on.
    void screenFit_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<float>("scale");
        QTest::newRow("exactly enough") << QRect(0, 0, 1300, 830) << 1300 << 700 << 1.0f;
        // One pixel short in height: sy < 1 decides.
        QTest::newRow("height short") << QRect(0, 0, 1600, 829) << 1288 << 749 << 0.9985715f;
        // 1024 x 768 with a 40-pixel task bar (W 1024, H 598), on a second
        // monitor: an offset screen counts only its own size.
        QTest::newRow("offset 1024x768") << QRect(QPoint(1920, 100), QPoint(2943, 827)) << 1014 << 601 << 0.787692f;
    }
    void screenFit()
    {
        QFETCH(QRect, available);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(float, scale);
        const ScreenFit f = ScreenFit::fit(available);
        QCOMPARE(f.windowWidth, width);
        QCOMPARE(f.windowHeight, height);
        QVERIFY(qAbs(f.uiScale - scale) < 1e-5f);
    }

    // The shell as it starts, its About box, then how it switches work areas.
    void startsAndSwitches()
    {
        VirtualCameraFixture camera;
        KeldTerminal window;
        AppContext &ctx = camera.context();
        QCOMPARE(ctx.currentWorkArea, 0);
        QVERIFY(window.toolAction(WorkAreaSetting)->isChecked());
        QCOMPARE(window.windowTitle(), QStringLiteral("Glintview"));
        QCOMPARE(ctx.statusBar.data(), window.statusBar());
        // Eight buttons in this order; all but About checkable.
        QStringList texts;
        for (QAction *a : window.toolBar()->actions())
            texts << a->text() + (a->isCheckable() ? QString() : QStringLiteral("*"));
        QCOMPARE(texts, QStringList({"Setting", "Capture", "Matching", "Login", "Power Management",
                                     "System Management", "Recovery", "About*"}));
        QCOMPARE(window.minimumSize(), QSize(1300, 750));
        QCOMPARE(window.maximumSize(), QSize(1300, 750));

        QString about;
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<About *>(w); box && box->isVisible()) {
                    about = box->windowTitle() + QLatin1Char('|') + box->text();
                    box->done(0);
                }
            }
        });
        window.aboutAction()->trigger();
        QCOMPARE(about, QStringLiteral("About|Glintview version 3.3.0.123\n\n")
                            + QString::fromLocal8Bit(ctx.sdkDescription));
        QVERIFY(qstrlen(ctx.sdkDescription) > 0);

        QSignalSpy closing(&window, &KeldTerminal::CloseCurrentWidget);

        // Same index: the work area stays untouched, the buttons are re-checked.
        QPointer<QWidget> setting = window.centralWidget();
        window.toolAction(WorkAreaSetting)->setChecked(false);
        window.switchWorkArea(WorkAreaSetting);
        QCOMPARE(window.centralWidget(), setting.data());
        QVERIFY(window.toolAction(WorkAreaSetting)->isChecked());
        QCOMPARE(closing.count(), 0);

        // A real switch closes the old area first, and destroys it at once.
        window.switchWorkArea(WorkAreaMatching);
        QCOMPARE(closing.count(), 1);
        QVERIFY(setting.isNull());
        QCOMPARE(ctx.currentWorkArea, 2);
        QVERIFY(window.toolAction(WorkAreaMatching)->isChecked());
        QVERIFY(!window.toolAction(WorkAreaSetting)->isChecked());

        // Recovery is refused on UART, with a box, and the matching area stays.
        ctx.sdkConfig.commStd = ZEPH_COMM_UART;
        MessageBoxScript boxes;
        boxes.expect(QStringLiteral("Unsuported function"), QStringLiteral("OK"),
                     QStringLiteral("The recovery function is not supported in UART mode."));
        window.toolAction(WorkAreaRecovery)->trigger();
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QCOMPARE(ctx.currentWorkArea, 2);
        QVERIFY(!window.toolAction(WorkAreaRecovery)->isChecked());
        ctx.sdkConfig.commStd = ZEPH_COMM_USB;
        window.toolAction(WorkAreaRecovery)->trigger();
        QCOMPARE(ctx.currentWorkArea, 5);

        // Shown: a click on the tool bar (hover, press, checked) moves nothing below it.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int height = window.toolBar()->height();
        QWidget *login = window.toolBar()->widgetForAction(window.toolAction(WorkAreaLogin));
        QTest::mouseMove(login);
        QTest::mouseClick(login, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(ctx.currentWorkArea, int(WorkAreaLogin));
        QCOMPARE(window.toolBar()->height(), height);
        QCOMPARE(window.centralWidget()->y(), window.toolBar()->geometry().bottom() + 1);
    }

    void openingADevice()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        ctx.loginId = std::make_unique<LoginSession>();
        QCOMPARE(ctx.openDevice(false), 0);
        QVERIFY(ctx.deviceHandle != 0);
        QCOMPARE(QByteArray(ctx.openedDeviceName), QByteArray(ZVC_DEFAULT_USB_BINOCULAR));
        QVERIFY(!ctx.loginId);
        QCOMPARE(ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        QVERIFY(ctx.deviceInfo.productId != 0);

        // The same name again: no SDK call at all.
        Zvc_ResetCallCounts();
        QCOMPARE(ctx.openDevice(false), 0);
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 0);
        QCOMPARE(Zvc_CallCount("Zeph_GetDeviceInfo"), 0);

        // Another name: the first device is closed before the second opens.
        camera.select(ZVC_DEFAULT_USB_MONOCULAR);
        QCOMPARE(ctx.openDevice(false), 0);
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 1);
        QCOMPARE(ctx.deviceInfo.binocular, uint8_t(0));

        QCOMPARE(ctx.closeDevice(), 0);
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.closeDevice(), 0); // nothing open: nothing done

        // A failed open leaves no half-open device; the next one starts afresh.
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_FAILED);
        QCOMPARE(ctx.openDevice(true), ZEPH_ERR_FAILED);
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.lastResult, ZEPH_ERR_FAILED);
        // The next call starts again from the beginning, and succeeds.
        QCOMPARE(ctx.openDevice(true), 0);
        QVERIFY(ctx.deviceHandle != 0);

        camera.select("NO-SUCH-CAMERA");
        QCOMPARE(ctx.openDevice(true), ZEPH_ERR_DEVICE_NOT_FOUND);
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.statusMessage(), QString::fromLatin1("Device not found"));
    }

    void unplugHandling()
    {
        VirtualCameraFixture camera;
        KeldTerminal window;
        QCoreApplication::processEvents(); // the start-up scan closes what is open
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;

        // Nothing open: no box (checked below with the others).
        window.handleDeviceChange(DeviceNotifier::RemovalComplete);

        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(true), 0);

        // Another camera leaves: ours still answers, nothing changes.
        Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR);
        Zvc_FlushNotifications(); // delivered now: a failing check fails at once
        QCoreApplication::processEvents();
        QVERIFY(Zvc_CallCount("Zeph_GetCaptureStatus") >= 1);
        QVERIFY(ctx.deviceHandle != 0);
        QCOMPARE(boxes.shown().size(), 0);

        // Ours leaves: closed, capture state forgotten, the operator told.
        ctx.lastCapture.lastCaptureResult = 0;
        boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"),
                     QStringLiteral("The device was unplugged."));
        Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR);
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
