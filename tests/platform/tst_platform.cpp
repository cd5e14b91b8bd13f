#include "platform/Clock.h"
#include "platform/DeviceNotifier.h"
#include "platform/VirtualCameraPanel.h"
#include "support/FakeClock.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        Zvc_SetTimeScale(0.0);
        Zvc_Reset();
    }

    void notificationsArriveOnTheNotifiersThread()
    {
        DeviceNotifier notifier;
        QSignalSpy spy(&notifier, &DeviceNotifier::deviceChanged);
        QThread *t = QThread::create([] { Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR); });
        t->start();
        t->wait();
        delete t;
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), int(DeviceNotifier::RemovalComplete));
        QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral(ZVC_DEFAULT_USB_MONOCULAR));
        Zvc_PlugDevice(ZVC_DEFAULT_USB_MONOCULAR);
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), int(DeviceNotifier::Arrival));
    }

    void theNewestNotifierReceivesAndAGoneOneIsSafe()
    {
        auto *older = new DeviceNotifier;
        QSignalSpy olderSpy(older, &DeviceNotifier::deviceChanged);
        DeviceNotifier newer;
        QSignalSpy newerSpy(&newer, &DeviceNotifier::deviceChanged);
        delete older; // must not unregister the newer one
        Zvc_UnplugDevice(ZVC_DEFAULT_USB_BINOCULAR);
        QTRY_COMPARE(newerSpy.count(), 1);
        QCOMPARE(olderSpy.count(), 0);
    }

    void clockInstallation()
    {
        const qint64 before = Clock::instance().monotonicMs();
        QVERIFY(before > 0);
        {
            FakeClock fake;
            QCOMPARE(&Clock::instance(), static_cast<Clock *>(&fake));
            Clock::instance().sleepMs(3000);
            QCOMPARE(fake.monotonicMs(), qint64(4000));
        }
        QVERIFY(Clock::instance().monotonicMs() >= before);
    }

    void panelUnplugsAndJamsTheVirtualCamera()
    {
        VirtualCameraPanel panel;
        auto buttons = panel.findChildren<QPushButton *>();
        auto button = [&](const QString &text) -> QPushButton * {
            for (QPushButton *b : buttons)
                if (b->text() == text)
                    return b;
            return nullptr;
        };
        QTest::mouseClick(button(QStringLiteral("Unplug")), Qt::LeftButton);
        ZephHandle h = 0;
        QCOMPARE(Zeph_OpenDevice(ZVC_DEFAULT_USB_BINOCULAR, &h), ZEPH_ERR_DEVICE_NOT_FOUND);
        QTest::mouseClick(button(QStringLiteral("Plug in")), Qt::LeftButton);
        QCOMPARE(Zeph_OpenDevice(ZVC_DEFAULT_USB_BINOCULAR, &h), 0);

        QTest::mouseClick(button(QStringLiteral("Jam the link")), Qt::LeftButton);
        ZephDeviceInfo info{};
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), ZEPH_ERR_IO_FAILED);
        QVERIFY(panel.lastOutcome().contains(QStringLiteral("RESET_PIPES")));
        QTest::mouseClick(button(QStringLiteral("Clear")), Qt::LeftButton);
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), 0);

        // The state line follows the camera, not the panel's last click.
        QTest::mouseClick(button(QStringLiteral("Jam the link")), Qt::LeftButton);
        QVERIFY(panel.stateText().contains(QStringLiteral("answers 8 until RESET_PIPES runs")));
        QCOMPARE(Zeph_Recovery(h, ZEPH_RECOVERY_RESET_PIPES), 0);
        panel.refresh();
        QVERIFY(panel.stateText().contains(QStringLiteral("answers normally")));

        QTest::mouseClick(button(QStringLiteral("Fail next calls")), Qt::LeftButton);
        QVERIFY(panel.stateText().contains(QStringLiteral("next 1 call(s) of * fail")));
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), ZEPH_ERR_IO_FAILED);
        QVERIFY(panel.stateText().contains(QStringLiteral("no injected failures pending")));
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), 0);
        Zeph_CloseDevice(h);
    }

    void panelOpensBesideItsMainWindow()
    {
        QWidget main;
        main.setGeometry(10, 10, 200, 200);
        main.show();
        auto *panel = new VirtualCameraPanel(&main);
        panel->show();
        QVERIFY(!panel->frameGeometry().intersects(main.frameGeometry()));
        QVERIFY(panel->x() > main.x());
        delete panel;
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
