#include "SettingsFileBytes.h"

#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "core/About.h"
#include "core/AppContext.h"
#include "core/KeldWaitingDlg.h"
#include "core/ScreenFit.h"
#include "device/DevicePropertiesText.h"
#include "device/FolderDialog.h"
#include "device/SettingsTempFile.h"
#include "device/ZephSettingWidget.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

namespace {

QStringList itemsOf(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// A radio button takes clicks on its indicator and text only.
void clickRadio(QRadioButton *radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
}

void writeSettings(const QByteArray &bytes)
{
    QFile f(SettingsTempFile::path());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readSettings()
{
    QFile f(SettingsTempFile::path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ZephSdkConfig sdkConfigNow()
{
    ZephSdkConfig c{};
    Zeph_GetSdkConfig(&c);
    return c;
}

// Runs `trigger` and answers the modal About box it opens; returns
// "title|text", or a null string when no box opened.
QString aboutShownBy(const std::function<void()> &trigger)
{
    QString shown;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *about = qobject_cast<About *>(w);
            if (about && about->isVisible()) {
                shown = about->windowTitle() + QLatin1Char('|') + about->text();
                about->done(0);
            }
        }
    });
    trigger();
    return shown;
}

// Watches what the waiting dialog paints during a COM probe, and what the
// SDK's configuration is meanwhile.
class ProbeWatcher : public QObject
{
public:
    ProbeWatcher() { qApp->installEventFilter(this); }
    ~ProbeWatcher() override { qApp->removeEventFilter(this); }

    QStringList messages;
    QList<int> progress;
    QList<uint32_t> flowControlOn;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Paint || !o->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(o);
        if (!qobject_cast<KeldWaitingDlg *>(w->window()))
            return false;
        if (auto *bar = qobject_cast<QProgressBar *>(w)) {
            if (progress.isEmpty() || progress.last() != bar->value()) {
                progress << bar->value();
                flowControlOn << sdkConfigNow().flowControlOn;
            }
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            if (messages.isEmpty() || messages.last() != label->text())
                messages << label->text();
        }
        return false;
    }
};

// The main window on its first work area, the SDK setting one, with the
// start-up scan done; `before` prepares the fresh context first. A box the
// test did not expect fails it.
struct Screen {
    explicit Screen(const std::function<void(AppContext &)> &before = {}) : ctx(camera.context())
    {
        if (before)
            before(ctx);
        window = std::make_unique<KeldTerminal>();
        QCoreApplication::processEvents();
    }
    ~Screen()
    {
        if (!QTest::currentTestFailed())
            QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }
    template <class T>
    T *get(const char *name)
    {
        QWidget *area = window->centralWidget();
        return area ? area->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void pickUart() { QTest::keyClick(get<QComboBox>("cbDevCom"), Qt::Key_Down); }
    void leave() { window->switchWorkArea(WorkAreaCapture); }

    VirtualCameraFixture camera;
    AppContext &ctx;
    MessageBoxScript boxes;
    std::unique_ptr<KeldTerminal> window;
};

} // namespace

class TestSettingWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // glintview.tmp goes to a folder of this run, never the real one.
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
        QCOMPARE(SettingsTempFile::path(), m_tmp->filePath(QStringLiteral("glintview.tmp")));
        KeldWaitingDlg::setManualTicksForTesting(true);
        m_clock = std::make_unique<FakeClock>(); // the probe's pauses return at once
    }
    void init() { QFile::remove(SettingsTempFile::path()); }
    void cleanup() { FolderDialog::setResponder({}); }

    void scanListsAndSelects()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        QVERIFY(qobject_cast<ZephSettingWidget *>(s.window->centralWidget()));
        auto *list = s.get<QComboBox>("cbDevList");
        const QStringList usb{ZVC_DEFAULT_USB_BINOCULAR, ZVC_DEFAULT_USB_MONOCULAR};
        QCOMPARE(itemsOf(list), usb);
        QCOMPARE(ctx.deviceList, usb);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 2 device(s)"));

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray(ZVC_DEFAULT_USB_MONOCULAR));

        // A scan closes the open device first.
        QCOMPARE(ctx.openDevice(true), 0);
        ctx.cameraInitialized = 1;
        s.click("btScanDev");
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.cameraInitialized, uint8_t(0));

        // A failed scan lists nothing and says so.
        Zvc_FailNext("Zeph_ScanDevices", 1, ZEPH_ERR_FAILED);
        s.click("btScanDev");
        QCOMPARE(list->count(), 0);
        QVERIFY(ctx.deviceList.isEmpty());
        QCOMPARE(ctx.lastResult, ZEPH_ERR_FAILED);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 0 device(s)"));

        // Settings the SDK refuses: a warning, and no scan at all.
        s.boxes.expect(QStringLiteral("Update SDK Configuration"), QStringLiteral("OK"),
                       QStringLiteral("Failed to set SDK configuration. Invalid parameter"));
        Zvc_FailNext("Zeph_SetSdkConfig", 1, ZEPH_ERR_INVALID_PARAMETER);
        ctx.showStatus(1000, "before");
        const int scans = Zvc_CallCount("Zeph_ScanDevices");
        s.click("btScanDev");
        QCOMPARE(Zvc_CallCount("Zeph_ScanDevices"), scans);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("before"));
    }

    // Read afresh on every click; nothing shown when it cannot be read.
    void deviceProperties()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        const auto click = [&s] { s.click("btPropDev"); };

        const QString shown = aboutShownBy(click);
        QCOMPARE(shown, QStringLiteral("Device properties|")
                            + QString::fromStdString(DevicePropertiesText(ctx.deviceInfo)));
        QCOMPARE(QByteArray(ctx.openedDeviceName), QByteArray(ZVC_DEFAULT_USB_BINOCULAR));
        ZephDeviceInfo raw = ctx.deviceInfo;
        raw.features = 0;
        std::memset(raw.serialNumber, 'S', sizeof raw.serialNumber); // no NUL, as a camera may send it
        QCOMPARE(Zvc_SetDeviceInfo(ZVC_DEFAULT_USB_BINOCULAR, &raw), 0);
        QCOMPARE(aboutShownBy(click),
                 QStringLiteral("Device properties|") + QString::fromStdString(DevicePropertiesText(raw)));

        Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_DEVICE_BUSY);
        QVERIFY(aboutShownBy(click).isNull());
        QCOMPARE(ctx.lastResult, ZEPH_ERR_DEVICE_BUSY);

        // A device that cannot be opened: its message in the status bar.
        QTest::keyClick(s.get<QComboBox>("cbDevList"), Qt::Key_Down);
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR), 0);
        QVERIFY(aboutShownBy(click).isNull());
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Device not found"));
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
    }

    void uartProbe()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        auto *list = s.get<QComboBox>("cbDevList");
        auto *baud = s.get<QSpinBox>("m_Baudrate");
        auto *hardware = s.get<QRadioButton>("m_rdHardware");
        QVERIFY(!list->isEditable() && !baud->isEnabled() && !hardware->isEnabled());
        QCOMPARE(s.get<QComboBox>("cbDevCom")->itemData(1).toInt(), int(ZEPH_COMM_UART));
        s.pickUart();
        QCOMPARE(ctx.pendingCommStd, 2);
        QCOMPARE(s.get<QLabel>("lbDevs")->text(), QStringLiteral("COM Port (Ex: COM3)"));
        QVERIFY(list->isEditable() && list->count() == 0);
        QCOMPARE(list->lineEdit()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(list->lineEdit()->maxLength(), 99);
        QVERIFY(!s.get<QPushButton>("btScanDev")->isEnabled());
        QVERIFY(baud->isEnabled() && hardware->isEnabled());
        QCOMPARE(sdkConfigNow().commStd, 1); // nothing sent yet

        // Leaving applies UART and probes COM1..COM20 first.
        ProbeWatcher watch;
        Zvc_ResetCallCounts();
        s.leave();
        QStringList expected{QStringLiteral("Scanning COM ports...")};
        for (int port = 1; port <= 20; ++port)
            expected << QStringLiteral("Scanning COM ports: COM%1").arg(port) + (port < 10 ? "..." : "..");
        QCOMPARE(watch.messages, expected);
        QCOMPARE(watch.progress, QList<int>({5, 10, 15, 20, 25, 30, 34, 40, 44, 50, 55, 60, 64,
                                             69, 75, 80, 85, 89, 94, 100}));
        QCOMPARE(watch.flowControlOn, QList<uint32_t>(20, 0u));
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 20);
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 1); // COM3 opened; busy COM5 gave no handle
        // COM3 answers, COM5 is held by someone else: both are ports with a device.
        QCOMPARE(ctx.deviceList, QStringList({"COM3", "COM5"}));
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 2 device(s)"));
        QCOMPARE(sdkConfigNow().commStd, 2);
        QCOMPARE(sdkConfigNow().flowControlOn, 1u);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM3"));

        s.window->switchWorkArea(WorkAreaSetting);
        list = s.get<QComboBox>("cbDevList");
        QCOMPARE(itemsOf(list), QStringList({"COM3", "COM5"}));
        QVERIFY(list->isEditable());
        QCOMPARE(list->currentText(), QString());
    }

    void typedPortIsOpenedNext()
    {
        Screen s([](AppContext &) { QCOMPARE(Zvc_AddDevice("COM7", ZVC_LINK_UART, ZVC_MODEL_MONOCULAR), 0); });
        AppContext &ctx = s.ctx;
        s.pickUart();
        QTest::keyClicks(s.get<QComboBox>("cbDevList")->lineEdit(), QStringLiteral("COM7"));
        // The probe on leaving lists what it found, and keeps the typed port.
        s.leave();
        QCOMPARE(ctx.deviceList, QStringList({"COM3", "COM5", "COM7"}));
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM7"));
        QCOMPARE(ctx.openDevice(true), 0);
        QCOMPARE(QByteArray(ctx.openedDeviceName), QByteArray("COM7"));

        // Back again: the open port's own UART settings, locked.
        ctx.deviceConfig.uartBaudrate = 57600;
        ctx.deviceConfig.uartFlowControl = 1;
        s.window->switchWorkArea(WorkAreaSetting);
        auto *list = s.get<QComboBox>("cbDevList");
        auto *baud = s.get<QSpinBox>("m_Baudrate");
        auto *hardware = s.get<QRadioButton>("m_rdHardware");
        QCOMPARE(list->currentText(), QStringLiteral("COM7"));
        QCOMPARE(baud->value(), 57600);
        QVERIFY(hardware->isChecked());
        QVERIFY(!baud->isEnabled() && !hardware->isEnabled());
        QVERIFY(!s.get<QRadioButton>("m_rdNone")->isEnabled());
        QTest::keyClick(list->lineEdit(), Qt::Key_Backspace);
        QVERIFY(baud->isEnabled() && hardware->isEnabled());

        // Typed in UART mode with UART applied: used as typed, without a probe.
        QTest::keyClicks(list->lineEdit(), QStringLiteral("9"));
        const int opens = Zvc_CallCount("Zeph_OpenDevice");
        s.leave();
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), opens);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM9"));
    }

    void deviceNamesStayInTheirField()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        s.pickUart();
        QLineEdit *edit = s.get<QComboBox>("cbDevList")->lineEdit();
        QTest::keyClicks(edit, QString(120, QLatin1Char('A')));
        QCOMPARE(edit->text().size(), 99);

        // 99 characters, but 198 bytes: refused with 15, never cut.
        edit->setText(QString(99, QChar(0x00E9)));
        Zvc_ResetCallCounts();
        QVERIFY(aboutShownBy([&s] { s.click("btPropDev"); }).isNull());
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 0);
        QCOMPARE(ctx.lastResult, ZEPH_ERR_INVALID_PARAMETER);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Invalid parameter"));
        QCOMPARE(ctx.selectedDeviceName[0], '\0');

        ctx.showStatus(1000, "before");
        s.leave();
        QCOMPARE(ctx.selectedDeviceName[0], '\0');
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Invalid parameter"));
    }

    void resultOptionsFollowTheLink()
    {
        Screen s([](AppContext &ctx) {
            ctx.resultKind = 5;
            ctx.isoRevision = 1;
            ctx.resultFormat = ZEPH_FORMAT_MONO_PNG;
            ctx.j2kQuality = 50;
        });
        AppContext &ctx = s.ctx;
        s.pickUart();
        QMetaObject::invokeMethod(s.window->centralWidget(), "On_BtScanDev_Clicked");
        QCOMPARE(ctx.sdkConfig.commStd, 2);
        QCOMPARE(ctx.usbResultOptions.resultKind, 5);
        QCOMPARE(ctx.usbResultOptions.isoRevision, 1);
        QCOMPARE(ctx.usbResultOptions.resultFormat, int(ZEPH_FORMAT_MONO_PNG));
        QCOMPARE(ctx.usbResultOptions.j2kQuality, uint8_t(50));
        QCOMPARE(ctx.resultFormat, int(ZEPH_FORMAT_MONO_JPEG2000));
        QCOMPARE(ctx.j2kQuality, uint8_t(3));

        ctx.resultKind = 7; // changed while on UART: the USB choice comes back
        QTest::keyClick(s.get<QComboBox>("cbDevCom"), Qt::Key_Up);
        s.click("btScanDev");
        QCOMPARE(ctx.sdkConfig.commStd, 1);
        QCOMPARE(ctx.resultKind, 5);
        QCOMPARE(ctx.isoRevision, 1);
        QCOMPARE(ctx.resultFormat, int(ZEPH_FORMAT_MONO_PNG));
        QCOMPARE(ctx.j2kQuality, uint8_t(50));
    }

    void settingsFileWrittenOnLeaving()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        QTest::keyClick(s.get<QGroupBox>("m_grbSaveBestImage"), Qt::Key_Space);
        auto *path = s.get<QLineEdit>("m_edtSavedImagePath");
        const QString folder = QStringLiteral("/data/\u00e9\U0001F441");
        QTest::keyClicks(path, QStringLiteral("/data/"));
        path->insert(folder.mid(6)); // keyClicks types ASCII only
        QTest::keyClick(path, Qt::Key_Return);
        clickRadio(s.get<QRadioButton>("m_rdSaveAsBmp"));
        ctx.deviceConfig.uartBaudrate = 38400; // as read from a camera
        ctx.deviceConfig.uartFlowControl = 1;

        s.leave();
        QCOMPARE(ctx.saveBestImage, uint8_t(1));
        QCOMPARE(ctx.savedImagePath, folder);
        QCOMPARE(ctx.rawImageAsBmp, 1);
        const QByteArray b = readSettings();
        QCOMPARE(b.size(), 544);
        QCOMPARE(le32(b, 0), 32u);
        QCOMPARE(le32(b, 4), 1u);
        const QList<ushort> units{'/', 'd', 'a', 't', 'a', '/', 0xE9, 0xD83D, 0xDC41, 0};
        for (int i = 0; i < units.size(); ++i)
            QCOMPARE(ushort(uint8_t(b[8 + 2 * i]) | uint8_t(b[9 + 2 * i]) << 8), units[i]);
        QCOMPARE(b.mid(28, 500), QByteArray(500, '\0'));
        QCOMPARE(le32(b, 528), 1u);
        QCOMPARE(le32(b, 532), 38400u);
        QCOMPARE(le32(b, 536), 1u);
        QCOMPARE(le32(b, 540), 1u);
    }

    void settingsFileReadBack()
    {
        writeSettings(settingsFile(QStringLiteral("/srv/iris"), 1, 57600, 1, 2));
        Screen s;
        const auto shows = [&s](bool saveBest, const QString &path, bool bmp) {
            QCOMPARE(s.get<QGroupBox>("m_grbSaveBestImage")->isChecked(), saveBest);
            QCOMPARE(s.get<QLineEdit>("m_edtSavedImagePath")->text(), path);
            QCOMPARE(s.get<QRadioButton>("m_rdSaveAsBmp")->isChecked(), bmp);
            // The UART settings come from the first read only.
            QCOMPARE(s.get<QSpinBox>("m_Baudrate")->value(), 57600);
            QVERIFY(s.get<QRadioButton>("m_rdHardware")->isChecked());
            QCOMPARE(s.get<QComboBox>("cbDevCom")->currentText(), QStringLiteral("UART"));
        };
        shows(true, QStringLiteral("/srv/iris"), true);
        QCOMPARE(s.ctx.firstSettingsLoad, uint8_t(0));
        QCOMPARE(s.ctx.deviceConfig.uartBaudrate, 57600u);
        QCOMPARE(sdkConfigNow().commStd, 2); // the start-up scan applied it

        s.leave();
        writeSettings(settingsFile(QStringLiteral("/other"), 0, 9600, 0, 1, false));
        s.window->switchWorkArea(WorkAreaSetting);
        shows(false, QStringLiteral("/other"), false);
    }

    void malformedSettingsFile_data()
    {
        // Every malformed layout is in the codec's table; here: whole file
        // refused versus one field ignored, as the work area applies them.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("commStd");
        QTest::addColumn<int>("flow");
        const QByteArray good = settingsFile(QStringLiteral("/srv/iris"), 1, 57600, 1, 2);
        QTest::newRow("short") << good.left(540) << false << 1 << 0;
        QTest::newRow("method 3") << settingsFile("/srv/iris", 1, 57600, 1, 3) << true << 1 << 1;
        QTest::newRow("flow 2") << settingsFile("/srv/iris", 1, 57600, 2, 2) << true << 2 << 0;
    }
    void malformedSettingsFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, applied);
        QFETCH(int, commStd);
        QFETCH(int, flow);
        writeSettings(bytes);
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        ctx.savedImagePath = QStringLiteral("/kept");
        MessageBoxScript boxes;
        ZephSettingWidget area(nullptr);
        QCOMPARE(area.findChild<QGroupBox *>(QStringLiteral("m_grbSaveBestImage"))->isChecked(), applied);
        QCOMPARE(ctx.savedImagePath, applied ? QStringLiteral("/srv/iris") : QStringLiteral("/kept"));
        QCOMPARE(ctx.rawImageAsBmp, applied ? 1 : 0);
        QCOMPARE(ctx.firstSettingsLoad, uint8_t(0)); // the first construction, read or not
        QCOMPARE(ctx.sdkConfig.uartBaudrate, applied ? 57600u : 115200u);
        QCOMPARE(ctx.pendingCommStd, commStd);
        QCOMPARE(int(ctx.sdkConfig.uartFlowControl), flow);
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    // One box per refusal, over the setting work area, then back to it; a
    // change of link that the SDK refuses is also refused once only.
    void applyFailureGoesBackToSettings_data()
    {
        QTest::addColumn<bool>("toUart");
        QTest::newRow("same link") << false;
        QTest::newRow("to UART, bad baud rate") << true;
    }
    void applyFailureGoesBackToSettings()
    {
        QFETCH(bool, toUart);
        Screen s;
        if (toUart) {
            s.pickUart();
            s.get<QSpinBox>("m_Baudrate")->setValue(12345);
        }
        s.boxes.expect(QStringLiteral("Update SDK Configuration"), QStringLiteral("OK"),
                       QStringLiteral("Failed to set SDK configuration. Invalid parameter"));
        Zvc_FailNext("Zeph_SetSdkConfig", 5, ZEPH_ERR_INVALID_PARAMETER); // refused every time
        s.leave();
        QCOMPARE(s.boxes.pending(), 0);
        QVERIFY(!QFile::exists(SettingsTempFile::path()));
        QCOMPARE(s.ctx.currentWorkArea, int(WorkAreaCapture));
        QTRY_COMPARE(s.ctx.currentWorkArea, int(WorkAreaSetting));
        QVERIFY(qobject_cast<ZephSettingWidget *>(s.window->centralWidget()));
        Zvc_FailNext("Zeph_SetSdkConfig", 0, 0);
    }

    // Switching the link keeps every group and the device list where and
    // as wide as they were, on a small screen as on a large one.
    void linkSwitchMovesNothing_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::newRow("1024 x 768") << QRect(0, 0, 1024, 738);
        QTest::newRow("1280 x 1024") << QRect(0, 0, 1280, 994);
    }
    void linkSwitchMovesNothing()
    {
        QFETCH(QRect, screen);
        Screen s([&](AppContext &ctx) {
            const ScreenFit fit = ScreenFit::fit(screen);
            ctx.windowWidth = fit.windowWidth;
            ctx.windowHeight = fit.windowHeight;
        });
        s.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        const auto places = [&] {
            QList<QRect> out;
            for (const char *name : {"groupBoxSdkSetting", "groupBoxSelectDevice", "groupBox", "cbDevList"})
                out << s.get<QWidget>(name)->geometry();
            return out;
        };
        const QList<QRect> usb = places();
        s.pickUart();
        QCoreApplication::processEvents();
        QCOMPARE(places(), usb);
        QTest::keyClick(s.get<QComboBox>("cbDevCom"), Qt::Key_Up);
        QCoreApplication::processEvents();
        QCOMPARE(places(), usb);
    }

    void flowControlRadiosStartFromAFilledRecord()
    {
        Screen s;
        s.pickUart();
        s.ctx.sdkConfig.uartBaudrate = 57600; // the SDK still has 115200
        Zvc_FailNext("Zeph_GetSdkConfig", 1, ZEPH_ERR_FAILED);
        clickRadio(s.get<QRadioButton>("m_rdHardware"));
        QCOMPARE(sdkConfigNow().flowControlOn, 1u);
        QCOMPARE(sdkConfigNow().uartBaudrate, 57600u);
        clickRadio(s.get<QRadioButton>("m_rdNone"));
        QCOMPARE(sdkConfigNow().flowControlOn, 0u);
    }

    void savedImagePathMustFitTheFile()
    {
        Screen s;
        QTest::keyClick(s.get<QGroupBox>("m_grbSaveBestImage"), Qt::Key_Space);
        auto *path = s.get<QLineEdit>("m_edtSavedImagePath");
        const auto expectTooLong = [&s] {
            s.boxes.expect(QStringLiteral("Saved folder path"), QStringLiteral("OK"),
                           QStringLiteral("The folder path is too long: at most 259 characters "
                                          "can be kept. Please choose a shorter path."));
        };

        expectTooLong();
        QTest::keyClicks(path, QString(260, QLatin1Char('p')));
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(path->text(), QString());
        QTest::keyClicks(path, QString(259, QLatin1Char('p')));
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(path->text().size(), 259);

        QString history;
        QStringList answer{QString(300, QLatin1Char('q'))};
        FolderDialog::setResponder([&](const QString &h) {
            history = h;
            return answer;
        });
        expectTooLong();
        s.click("m_btnBrowseSavedImagePath");
        QCOMPARE(history, QString(259, QLatin1Char('p')));
        QCOMPARE(path->text().size(), 259);
        answer = QStringList{QStringLiteral("/chosen/folder"), QStringLiteral("/second")};
        s.click("m_btnBrowseSavedImagePath");
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));
        QCOMPARE(s.ctx.savedImagePath, QStringLiteral("/chosen/folder"));
        answer.clear(); // cancelled
        s.click("m_btnBrowseSavedImagePath");
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));

        // Typed and never confirmed: checked when the work area is left.
        expectTooLong();
        QTest::keyClicks(path, QString(250, QLatin1Char('r')));
        s.leave();
        QCOMPARE(s.ctx.savedImagePath, QStringLiteral("/chosen/folder"));
        QCOMPARE(SettingsTempFile::load(SettingsTempFile::path())->savedImagePath,
                 std::u16string(u"/chosen/folder"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestSettingWidget)
#include "tst_settingwidget.moc"
