#ifndef GLINTVIEW_TESTS_ADMINSCREEN_H
#define GLINTVIEW_TESTS_ADMINSCREEN_H

// The main window on the virtual binocular camera, opened, with captures
// made through the SDK on model time and fetched as the capture work area
// fetches them. Time is a FakeClock: the capture's age is the test's choice.

#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "core/AppContext.h"
#include "core/CaptureService.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#define SCRIPT_DONE(screen) QVERIFY2((screen).boxes.satisfied(), qPrintable((screen).boxes.describe()))

// Texts more than one of the administrator's screens shows.
const QString kNoDeviceOpened = QStringLiteral("No device is opened.");
const QString kAdminOnly =
    QStringLiteral("Permission denied. You must login as Administrator to do this function.");
const QString kNotRead = QStringLiteral("The device configuration has not been read from the device, so it "
                                        "cannot be changed. Open the device again and retry.");
const QString kUsbDeepSleep = QStringLiteral(
    "WARNING: Deep sleep device only wakes up by hardware signal. USB Device needs to be opened "
    "again after wake-up.\nDo you want to put device into deep sleep?");

// A click as the operator makes it: the control's own key, which runs the
// same clicked() signal as the mouse (a group box's title check included).
inline void pressKey(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Space);
}

struct AdminScreen {
    static constexpr const char *kDevice = ZVC_DEFAULT_USB_BINOCULAR;

    explicit AdminScreen(bool open = true, const char *device = kDevice) : ctx(camera.context())
    {
        clock.advance(100000);
        QCoreApplication::processEvents();
        // Off the setting work area first: leaving it stores its selection.
        window.switchWorkArea(WorkAreaRecovery);
        QCoreApplication::processEvents();
        if (open) {
            camera.select(device);
            QCOMPARE_EQ(ctx.openDevice(true), ZEPH_OK);
            QCOMPARE_EQ(Zeph_InitCamera(ctx.deviceHandle, nullptr, nullptr), ZEPH_OK);
        } else {
            // Nothing selected: the work areas' quiet open finds nothing.
            ctx.closeDevice();
            camera.select("");
        }
    }

    // One capture of `subject` with both eyes shown as `presentation`,
    // fetched into LastCapture; it completed at the clock's now.
    // A left presentation of -1 is the same as the right one.
    void capture(uint32_t subject, int32_t presentation = ZVC_EYE_SHARP, int32_t left = -1)
    {
        Zvc_PresentSubject(kDevice, subject);
        Zvc_PresentEye(kDevice, ZEPH_EYE_RIGHT, presentation);
        Zvc_PresentEye(kDevice, ZEPH_EYE_LEFT, left < 0 ? presentation : left);
        QCOMPARE_EQ(Zeph_StartCapture(ctx.deviceHandle, 1, 3, ZEPH_QUALITY_NORMAL,
                                      ZEPH_OPERATION_AUTO, ZEPH_EYE_BOTH, 0, nullptr, nullptr),
                    ZEPH_OK);
        Zvc_AdvanceTime(20000);
        ctx.captureService()->fetchCaptureResults(ctx.isoRevision, nullptr);
        ctx.lastCapture.captureTime = clock.monotonicMs();
    }

    void show(int workArea)
    {
        window.switchWorkArea(workArea);
        QCoreApplication::processEvents(); // queued start-up steps
    }
    QWidget *area() { return window.centralWidget(); }
    template <typename T>
    T *find(const char *name)
    {
        T *w = area()->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    void click(const char *name)
    {
        QAbstractButton *b = find<QAbstractButton>(name);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void setText(const char *combo, const QString &text) { find<QComboBox>(combo)->setEditText(text); }
    QStringList items(const char *combo)
    {
        QStringList out;
        QComboBox *c = find<QComboBox>(combo);
        for (int i = 0; c && i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
    ZephDeviceConfig cameraRecord() const
    {
        ZephDeviceConfig c{};
        Zeph_GetDeviceConfig(ctx.deviceHandle, &c);
        return c;
    }
    // Lets the camera's notifications reach the main window.
    static void deliverNotifications()
    {
        Zvc_FlushNotifications();
        QCoreApplication::processEvents();
    }
    // A real unplug now is announced, and the window closes the device.
    void unplugIsAnnounced()
    {
        boxes.expect("Notification", "OK", "The device was unplugged.");
        QCOMPARE(Zvc_UnplugDevice(kDevice), 0);
        deliverNotifications();
        SCRIPT_DONE(*this);
        QCOMPARE(ctx.deviceHandle, 0u);
    }

    FakeClock clock;
    VirtualCameraFixture camera;
    AppContext &ctx;
    MessageBoxScript boxes;
    KeldTerminal window;
};

#endif
