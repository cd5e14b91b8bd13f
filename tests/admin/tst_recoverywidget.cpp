// The recovery work area in the main window on the virtual camera: its
// texts, each step run by hand, and which steps silence the unplug box.

#include "app/AppContext.h"
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
const QStringList kExplanations = {
    "CANCEL_IO: Cancel pending IOs (for USB).",
    "RESET_PIPES: Clear stall condition and reset all data endpoints except for enpoint 0 (for "
    "USB).",
    "RESET_PORT: Reset USB port to which device is attached to. Reset port is more expensive "
    "than reset pipes. ",
    "CYCLE_PORT: Cycle port is similar to the device being unplugged and then plugged back in, "
    "except that the device may beis not electrically disconnected from a USB host controlller "
    "(firmware is not reloaded).",
    "SOFT_RESET: Perform a firmware soft reset. It is not a POR reset. Firmware is not "
    "reloaded. The processor only jumps to the execution of the firmware entry point.",
};

// The main window on the recovery work area, with the start-up scan done.
struct RecoveryScreen {
    explicit RecoveryScreen(MessageBoxScript &boxes)
    {
        QCoreApplication::processEvents();
        startupBoxes = boxes.unexpected().size();
        window.switchWorkArea(WorkAreaRecovery);
        area = window.centralWidget();
        combo = area->findChild<QComboBox *>(QStringLiteral("m_cbRecoveryCodes"));
        button = area->findChild<QPushButton *>(QStringLiteral("BtnRecovery"));
        explain = area->findChild<QLabel *>(QStringLiteral("m_lbExplain"));
    }
    // Lets the camera's notifications reach the window.
    static void deliverNotifications()
    {
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
    }

    KeldTerminal window;
    QWidget *area = nullptr;
    QComboBox *combo = nullptr;
    QPushButton *button = nullptr;
    QLabel *explain = nullptr;
    int startupBoxes = 0;
};

} // namespace

class TestRecoveryWidget : public QObject
{
    Q_OBJECT
private slots:
    void form()
    {
        VirtualCameraFixture camera;
        MessageBoxScript boxes;
        RecoveryScreen screen(boxes);
        QCOMPARE(camera.context().currentWorkArea, int(WorkAreaRecovery));
        QCOMPARE(QString::fromLatin1(screen.area->metaObject()->className()),
                 QStringLiteral("RecoveryWidget"));
        QCOMPARE(screen.area->windowTitle(), QStringLiteral("Recovery"));
        QCOMPARE(screen.area->findChild<QLabel *>(QStringLiteral("label"))->text(),
                 QStringLiteral("Recovery code:"));
        QCOMPARE(screen.button->text(), QStringLiteral("Recovery"));
        QStringList items;
        for (int i = 0; i < screen.combo->count(); ++i)
            items << screen.combo->itemText(i);
        QCOMPARE(items, kNames);
        QCOMPARE(screen.combo->currentIndex(), 0);
        QCOMPARE(screen.explain->text(), kExplanations[0]);
        for (int i : {3, 1, 4, 2, 0}) {
            screen.combo->setCurrentIndex(i);
            QCOMPARE(screen.explain->text(), kExplanations[i]);
        }
        QVERIFY(screen.explain->wordWrap());
    }

    void runStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("leavesTheBus");
        for (int step = 0; step < 5; ++step)
            QTest::newRow(qPrintable(kNames[step])) << step << (step >= 3);
    }

    // Every step runs on the open device; only CYCLE_PORT and SOFT_RESET take
    // it off the bus, and the removal that follows shows no box, once.
    void runStep()
    {
        QFETCH(int, step);
        QFETCH(bool, leavesTheBus);

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        RecoveryScreen screen(boxes);
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(), 0);
        const ZephHandle handle = ctx.deviceHandle;
        // A link stuck beyond this step's weight still lets the step succeed.
        Zvc_SetStuckLink(ZVC_DEFAULT_USB_BINOCULAR, ZEPH_ERR_IO_TIMEOUT, step);
        Zvc_ResetCallCounts();

        boxes.expect(QStringLiteral("Recovery"), QStringLiteral("OK"),
                     QStringLiteral("Recovery successfully!"));
        screen.combo->setCurrentIndex(step);
        QTest::mouseClick(screen.button, Qt::LeftButton);
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Recovery successfully!"));
        QCOMPARE(ctx.lastResult, 0);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 1);
        QCOMPARE(int(ctx.suppressUnplugNotice), leavesTheBus ? 1 : 0);

        RecoveryScreen::deliverNotifications();
        QCOMPARE(boxes.unexpected().size(), screen.startupBoxes); // no "unplugged" box
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
        boxes.expect(QStringLiteral("Notification"), QStringLiteral("OK"),
                     QStringLiteral("The device was unplugged."));
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR), 0);
        RecoveryScreen::deliverNotifications();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.unexpected().size(), screen.startupBoxes);
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

        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        RecoveryScreen screen(boxes);
        camera.select(ZVC_DEFAULT_USB_BINOCULAR);
        QCOMPARE(ctx.openDevice(), 0);
        Zvc_FailNext("Zeph_Recovery", 1, result);

        boxes.expect(QStringLiteral("Recovery"), QStringLiteral("OK"),
                     QStringLiteral("Failed to recovery. ") + text);
        screen.combo->setCurrentIndex(step);
        QTest::mouseClick(screen.button, Qt::LeftButton);
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.shown().last().icon, QMessageBox::Warning);
        QCOMPARE(ctx.statusMessage(), text);
        QCOMPARE(ctx.lastResult, result);
        // The device never left: a real unplug must still be announced.
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
    }

    void noDeviceSelected()
    {
        VirtualCameraFixture camera;
        MessageBoxScript boxes;
        RecoveryScreen screen(boxes);
        AppContext &ctx = camera.context();
        ctx.closeDevice();
        ctx.selectedDeviceName[0] = 0;
        Zvc_ResetCallCounts();
        boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"),
                     QStringLiteral("No device selected or entered"));
        screen.combo->setCurrentIndex(3);
        QTest::mouseClick(screen.button, Qt::LeftButton);
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(Zvc_CallCount("Zeph_Recovery"), 0);
        QCOMPARE(int(ctx.suppressUnplugNotice), 0);
    }
};

QTEST_MAIN(TestRecoveryWidget)
#include "tst_recoverywidget.moc"
