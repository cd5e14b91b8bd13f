// The platform layer: device notifications, the virtual camera's panel, a
// write that stops taking bytes, and which leftovers of a crashed save a
// start removes.

#include "platform/AtomicFile.h"
#include "platform/DeviceNotifier.h"
#include "platform/VirtualCameraPanel.h"
#include "support/FullDisk.h"
#include "zeph/virtual_camera.h"

#include <QDateTime>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        Zvc_SetTimeScale(0.0);
        Zvc_Reset();
    }

    // Notifications come on the notifier's thread, to the newest notifier; an
    // older one going away must not unregister it.
    void notificationsReachTheNewestNotifierOnItsThread()
    {
        auto *older = new DeviceNotifier;
        QSignalSpy olderSpy(older, &DeviceNotifier::deviceChanged);
        DeviceNotifier notifier;
        QSignalSpy spy(&notifier, &DeviceNotifier::deviceChanged);
        delete older;
        std::unique_ptr<QThread> t(QThread::create([] { Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR); }));
        t->start();
        t->wait();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(olderSpy.count(), 0);
        QCOMPARE(spy.at(0).at(0).toInt(), int(DeviceNotifier::RemovalComplete));
        QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral(ZVC_DEFAULT_USB_MONOCULAR));
        Zvc_PlugDevice(ZVC_DEFAULT_USB_MONOCULAR);
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), int(DeviceNotifier::Arrival));
    }

    void panelUnplugsAndJamsTheCamera()
    {
        QWidget main;
        main.show();
        VirtualCameraPanel &panel = *new VirtualCameraPanel(&main);
        panel.show();

        const auto click = [&](const QString &text) {
            for (QPushButton *b : panel.findChildren<QPushButton *>())
                if (b->text() == text)
                    return QTest::mouseClick(b, Qt::LeftButton);
            QFAIL(qPrintable("no button " + text));
        };
        click(QStringLiteral("Unplug"));
        ZephHandle h = 0;
        QCOMPARE(Zeph_OpenDevice(ZVC_DEFAULT_USB_BINOCULAR, &h), ZEPH_ERR_DEVICE_NOT_FOUND);
        click(QStringLiteral("Plug in"));
        QCOMPARE(Zeph_OpenDevice(ZVC_DEFAULT_USB_BINOCULAR, &h), 0);

        click(QStringLiteral("Jam the link"));
        ZephDeviceInfo info{};
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), ZEPH_ERR_IO_FAILED);
        QVERIFY(panel.lastOutcome().contains(QStringLiteral("RESET_PIPES")));
        click(QStringLiteral("Clear"));
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), 0);

        // The state line follows the camera, not the panel's last click.
        click(QStringLiteral("Jam the link"));
        QVERIFY(panel.stateText().contains(QStringLiteral("answers 8 until RESET_PIPES runs")));
        QCOMPARE(Zeph_Recovery(h, ZEPH_RECOVERY_RESET_PIPES), 0);
        panel.refresh();
        QVERIFY(panel.stateText().contains(QStringLiteral("answers normally")));

        click(QStringLiteral("Fail next calls"));
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), ZEPH_ERR_IO_FAILED);
        QCOMPARE(Zeph_GetDeviceInfo(h, &info), 0);
        Zeph_CloseDevice(h);
    }

    // The other ways a write fails are core/tst_appconfig's, through the
    // same replace; a write that stops taking bytes and reports no error is
    // this: given up at the first 0, the old file kept.
    void writeTakingNothingFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Config.xml");
        QVERIFY(AtomicFile::replace(path, "old content", AtomicFile::Kind::Kept, nullptr));
        FullDisk disk{5, 0};
        QString error;
        QVERIFY(!AtomicFile::replace(path, "new content, longer", AtomicFile::Kind::Kept, &error, disk.writer()));
        QVERIFY2(error.contains("writing stopped"), qPrintable(error));
        QCOMPARE(disk.calls, 2);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old content"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.xml"});
    }

    // Only ours by name, only the user's, and only those no running save can
    // still own.
    void staleTemporaries_data()
    {
        const qint64 dead = 0x7FFFFFF0; // above any pid the system hands out
        const qint64 live = ::getppid();
        const qint64 stale = AtomicFile::kStaleSeconds;
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<QString>("kind"); // file, link, foreign
        QTest::addColumn<bool>("removed");
        const QString ours = QStringLiteral("Config.xml.new-%1-aZ09bY");
        QTest::newRow("process gone") << ours.arg(dead) << qint64(0) << "file" << true;
        QTest::newRow("own pid, from an earlier run") << ours.arg(::getpid()) << qint64(0) << "file" << true;
        QTest::newRow("running instance, saving") << ours.arg(live) << stale << "file" << false;
        QTest::newRow("running instance, too old") << ours.arg(live) << stale + 1 << "file" << true;
        QTest::newRow("a link under our name") << ours.arg(dead) << stale + 1 << "link" << false;
        QTest::newRow("another user's") << ours.arg(dead) << stale + 1 << "foreign" << false;
        for (const char *other : {"Other.xml.new-2147483632-abcdef", "Config.xml.new-12-abcde",
                                  "Config.xml.new-12-abcdefg", "Config.xml.new-x1-abcdef"})
            QTest::newRow(other) << QString::fromLatin1(other) << stale + 1 << "file" << false;
    }
    void staleTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(qint64, age);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const qint64 now = QDateTime::currentSecsSinceEpoch() + 100000; // well after any file here
        if (kind == "link") {
            QVERIFY(QFile::link(dir.filePath("elsewhere"), path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(now - age), QFileDevice::FileModificationTime));
        }
        if (kind == "foreign") {
            if (::geteuid() != 0)
                QSKIP("giving a file to another user needs root");
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 54321, 54321), 0);
        }
        const QStringList gone = AtomicFile::removeStaleTemporaries(dir.filePath("Config.xml"), now);
        QCOMPARE(gone, removed ? QStringList{name} : QStringList());
        QCOMPARE(QFileInfo(path).isSymLink() || QFileInfo::exists(path), !removed);
    }
    // A 300 x 400 panel for a window whose banner and tool bar end at y = 99.
    void panelPlacement_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("room on the right") << QRect(10, 20, 500, 700) << QRect(0, 0, 1280, 1024) << QPoint(518, 20);
        QTest::newRow("room on the left only") << QRect(600, 20, 500, 700) << QRect(0, 0, 1280, 1024)
                                               << QPoint(292, 20);
        QTest::newRow("room below only") << QRect(0, 0, 1270, 600) << QRect(0, 0, 1280, 1024) << QPoint(970, 608);
        QTest::newRow("no room: lower right, below the tool bar")
            << QRect(0, 0, 1270, 789) << QRect(0, 0, 1280, 1024) << QPoint(980, 624);
        QTest::newRow("short screen: just below the tool bar")
            << QRect(0, 0, 1270, 450) << QRect(0, 0, 1280, 480) << QPoint(980, 100);
    }

    void panelPlacement()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, screen);
        QFETCH(QPoint, at);
        QCOMPARE(VirtualCameraPanel::placement(window, 99, QSize(300, 400), screen), at);
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
