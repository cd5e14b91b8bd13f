// The recovery work area in the main window on the virtual camera: its
// step choice, each step run by hand, and which steps silence the unplug box.

#include "core/AppContext.h"
#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList kNames = {"CANCEL_IO", "RESET_PIPES", "RESET_PORT", "CYCLE_PORT", "SOFT_RESET"};

// The main window on the recovery work area, with the start-up scan done.
struct RecoveryScreen {
    RecoveryScreen() : ctx(camera.context())
    {
        QCoreApplication::processEvents();
        startupBoxes = boxes.unexpected().size();
        window.switchWorkArea(WorkAreaRecovery);
        combo = window.centralWidget()->findChild<QComboBox *>(QStringLiteral("m_cbRecoveryCodes"));
    }
    void run(int step)
    {
        combo->setCurrentIndex(step);
        QTest::mouseClick(window.centralWidget()->findChild<QPushButton *>(QStringLiteral("BtnRecovery")),
                          Qt::LeftButton);
    }
    // Lets the camera's notifications reach the window.
    static void deliverNotifications()
    {
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
    }

    VirtualCameraFixture camera;
    AppContext &ctx;
    MessageBoxScript boxes;
    KeldTerminal window;
    QComboBox *combo = nullptr;
    int startupBoxes = 0;
};

} // namespace

class TestRecoveryWidget : public QObject
{
    Q_OBJECT
private slots:
    // Each step's explanation follows the choice, in any order of choosing.
    void explanationFollowsTheChoice()
    {
        RecoveryScreen screen;
        QCOMPARE(screen.ctx.currentWorkArea, int(WorkAreaRecovery));
        auto *explain = screen.window.centralWidget()->findChild<QLabel *>(QStringLiteral("m_lbExplain"));
        QCOMPARE(screen.combo->count(), kNames.size());
        for (int i : {0, 3, 1, 4, 2, 0}) {
            screen.combo->setCurrentIndex(i);
            QCOMPARE(screen.combo->currentText(), kNames[i]);
            QVERIFY2(explain->text().startsWith(kNames[i] + QStringLiteral(": ")), qPrintable(explain->text()));
        }
    }

    void runStep_data()
    {
        QTest::addColumn<int>("step");
        for (int step = 0; step < 5; ++step)
            QTest::newRow(qPrintable(kNames[step])) << step;
    }

    // Every step runs on the open device; only CYCLE_PORT and SOFT_RESET take
    // it off the bus, and the removal that follows shows no box, once.
    void runStep()
    {
        QFETCH(int, step);
        const bool leavesTheBus = step >= ZEPH_RECOVERY_CYCLE_PORT;

        RecoveryScreen screen;
        AppContext &ctx = screen.ctx;
        screen.camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(), 0);
        const ZephHandle handle = ctx.deviceHandle;
        // A link stuck beyond this step's weight still lets the step succeed.
        Zvc_SetStuckLink(ZVC_DEFAULT_USB_BINOCULAR, ZEPH_ERR_IO_TIMEOUT, step);
        Zvc_ResetCallCounts();

        screen.boxes.expect(QStringLiteral("Recovery"), QStringLiteral("OK"),
                            QStringLiteral("Recovery successfully!"));
        screen.run(step);
        QCOMPARE(screen.boxes.pending(), 0);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Recovery successfully!"));
        QCOMPARE(ctx.lastResult, 0);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 1);
        QCOMPARE(int(ctx.suppressUnplugNotice), leavesTheBus ? 1 : 0);

        RecoveryScreen::deliverNotifications();
        QCOMPARE(screen.boxes.unexpected().size(), screen.startupBoxes); // no "unplugged" box
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
        if (leavesTheBus) {
            QCOMPARE(ctx.deviceHandle, 0u); // the window closed the dropped handle
        } else {
            QCOMPARE(ctx.deviceHandle, handle);
            int32_t status = 0;
            QCOMPARE(Zeph_GetCaptureStatus(handle, &status), 0); // the step cleared the link
        }

        // The next real unplug is announced.
        QCOMPARE(ctx.openDevice(), 0);
        screen.boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"),
                            QStringLiteral("The device was unplugged."));
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        RecoveryScreen::deliverNotifications();
        QCOMPARE(screen.boxes.pending(), 0);
        QCOMPARE(screen.boxes.unexpected().size(), screen.startupBoxes);
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        QTest::newRow("pipes, unsupported") << 1 << 0x14 << QStringLiteral("Command unsupported");
        QTest::newRow("cycle, io failed") << 3 << 8 << QStringLiteral("Device IO failed");
        QTest::newRow("soft reset, unknown code") << 4 << 0x7777 << QStringLiteral("Error Code 0x7777");
    }

    void failingStep()
    {
        QFETCH(int, step);
        QFETCH(int, result);
        QFETCH(QString, text);

        RecoveryScreen screen;
        screen.camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(screen.ctx.openDevice(), 0);
        Zvc_FailNext("Zeph_Recovery", 1, result);
        screen.boxes.expect(QStringLiteral("Recovery"), QStringLiteral("OK"),
                            QStringLiteral("Failed to recovery. ") + text);
        screen.run(step);
        QCOMPARE(screen.boxes.pending(), 0);
        QCOMPARE(screen.boxes.shown().last().icon, QMessageBox::Warning);
        QCOMPARE(screen.ctx.statusMessage(), text);
        QCOMPARE(screen.ctx.lastResult, result);
        // The device never left: a real unplug must still be announced.
        QCOMPARE(int(screen.ctx.suppressUnplugNotice), 0);
    }

    void noDeviceSelected()
    {
        RecoveryScreen screen;
        screen.ctx.closeDevice();
        screen.ctx.selectedDeviceName[0] = 0;
        Zvc_ResetCallCounts();
        screen.boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"),
                            QStringLiteral("No device selected or entered"));
        screen.run(ZEPH_RECOVERY_CYCLE_PORT);
        QCOMPARE(screen.boxes.pending(), 0);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 0);
        QCOMPARE(int(screen.ctx.suppressUnplugNotice), 0);
    }
};

QTEST_MAIN(TestRecoveryWidget)
#include "tst_recoverywidget.moc"
