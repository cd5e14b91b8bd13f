#include "SettingsFileBytes.h"

#include "app/About.h"
#include "app/AppContext.h"
#include "app/FixedText.h"
#include "app/KeldTerminal.h"
#include "app/KeldWaitingDlg.h"
#include "app/WorkAreaFactory.h"
#include "device/DevicePropertiesText.h"
#include "device/FolderDialog.h"
#include "device/SettingsTempFile.h"
#include "device/ZephSettingWidget.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QCheckBox>
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

template <class T>
T *control(KeldTerminal &window, const char *name)
{
    QWidget *area = window.centralWidget();
    return area ? area->findChild<T *>(QString::fromLatin1(name)) : nullptr;
}

QString textOf(QWidget *w)
{
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    return QString();
}

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

void settle()
{
    QCoreApplication::processEvents();
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

    void startsWithEveryControl()
    {
        VirtualCameraFixture camera;
        MessageBoxScript boxes;
        KeldTerminal window;
        QWidget *area = window.centralWidget();
        QVERIFY(qobject_cast<ZephSettingWidget *>(area));
        const struct {
            const char *name;
            const char *text;
        } texts[] = {
            {"groupBoxSdkSetting", "SDK Setting"}, {"lbDevCategory", "Communication method"},
            {"lbBaudrate", "UART Baudrate"}, {"lbBaudrate_2", "UART Flow Control"},
            {"m_rdNone", "None"}, {"m_rdHardware", "Hardware"}, {"ckLogging", "Logging"},
            {"btChange", "Change"}, {"groupBoxSelectDevice", "Device"},
            {"lbDevs", "Device list"}, {"btScanDev", "Refresh"},
            {"btPropDev", "Device Properties"}, {"groupBox", "Application Setting"},
            {"m_grbSaveBestImage", "Save best image"}, {"label", "Saved folder path"},
            {"m_btnBrowseSavedImagePath", "Browse"}, {"label_2", "Save raw image as"},
            {"m_rdSaveAsRaw", "RAW"}, {"m_rdSaveAsBmp", "BMP"},
        };
        for (const auto &t : texts) {
            QWidget *w = area->findChild<QWidget *>(QString::fromLatin1(t.name));
            QVERIFY2(w, t.name);
            QCOMPARE(textOf(w), QString::fromLatin1(t.text));
        }
        QVERIFY(area->styleSheet().contains(QStringLiteral("QPushButton {\t\n\t\t\t\t\tmin-width: 100px;\n}")));

        auto *com = control<QComboBox>(window, "cbDevCom");
        QCOMPARE(itemsOf(com), QStringList({"USB", "UART"}));
        QCOMPARE(com->itemData(1).toInt(), 2);
        QCOMPARE(com->currentIndex(), 0);
        auto *baud = control<QSpinBox>(window, "m_Baudrate");
        QCOMPARE(baud->value(), 115200);
        QCOMPARE(baud->maximum(), 999999999);
        QVERIFY(!baud->isEnabled());
        QVERIFY(control<QRadioButton>(window, "m_rdNone")->isChecked());
        QVERIFY(!control<QRadioButton>(window, "m_rdHardware")->isEnabled());
        QVERIFY(control<QCheckBox>(window, "ckLogging")->isHidden());
        QVERIFY(control<QCheckBox>(window, "ckLogging")->isChecked());
        QVERIFY(control<QPushButton>(window, "btChange")->isHidden());
        QVERIFY(!control<QComboBox>(window, "cbDevList")->isEditable());
        auto *save = control<QGroupBox>(window, "m_grbSaveBestImage");
        QVERIFY(save->isCheckable() && !save->isChecked());
        QCOMPARE(control<QLineEdit>(window, "m_edtSavedImagePath")->maxLength(), 300);
        QVERIFY(control<QRadioButton>(window, "m_rdSaveAsRaw")->isChecked());
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void scanListsAndSelects()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle(); // the start-up scan
        auto *list = control<QComboBox>(window, "cbDevList");
        const QStringList usb{ZVC_DEFAULT_USB_BINOCULAR, ZVC_DEFAULT_USB_MONOCULAR};
        QCOMPARE(itemsOf(list), usb);
        QCOMPARE(ctx.deviceList, usb);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 2 device(s)"));

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray(ZVC_DEFAULT_USB_MONOCULAR));

        // A scan closes the open device first.
        QCOMPARE(ctx.openDevice(true), 0);
        ctx.cameraInitialized = 1;
        QTest::mouseClick(control<QPushButton>(window, "btScanDev"), Qt::LeftButton);
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.cameraInitialized, uint8_t(0));

        // A failed scan lists nothing and says so.
        Zvc_FailNext("Zeph_ScanDevices", 1, ZEPH_ERR_FAILED);
        QTest::mouseClick(control<QPushButton>(window, "btScanDev"), Qt::LeftButton);
        QCOMPARE(list->count(), 0);
        QVERIFY(ctx.deviceList.isEmpty());
        QCOMPARE(ctx.lastResult, ZEPH_ERR_FAILED);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 0 device(s)"));

        // Settings the SDK refuses: a warning, and no scan at all.
        boxes.expect(QStringLiteral("Update SDK Configuration"), QStringLiteral("OK"),
                     QStringLiteral("Failed to set SDK configuration. Invalid parameter"));
        Zvc_FailNext("Zeph_SetSdkConfig", 1, ZEPH_ERR_INVALID_PARAMETER);
        ctx.showStatus(1000, "before");
        const int scans = Zvc_CallCount("Zeph_ScanDevices");
        QTest::mouseClick(control<QPushButton>(window, "btScanDev"), Qt::LeftButton);
        QCOMPARE(Zvc_CallCount("Zeph_ScanDevices"), scans);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("before"));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void deviceProperties()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        auto *props = control<QPushButton>(window, "btPropDev");
        const auto click = [props] { QTest::mouseClick(props, Qt::LeftButton); };

        QString shown = aboutShownBy(click);
        QCOMPARE(QByteArray(ctx.openedDeviceName), QByteArray(ZVC_DEFAULT_USB_BINOCULAR));
        QCOMPARE(shown, QStringLiteral("Device properties|")
                            + QString::fromStdString(DevicePropertiesText(ctx.deviceInfo)));
        QVERIFY(shown.contains(QStringLiteral("Product ID: 0x0b21\r\n")));
        QVERIFY(shown.endsWith(QStringLiteral("\t- Template generation\r\n\t- Template comparison\r\n")));

        // Feature word 0 and texts without their NUL, as the camera sends them.
        ZephDeviceInfo raw = ctx.deviceInfo;
        raw.features = 0;
        std::memset(raw.productName, 'N', sizeof raw.productName);
        std::memset(raw.serialNumber, 'S', sizeof raw.serialNumber);
        QCOMPARE(Zvc_SetDeviceInfo(ZVC_DEFAULT_USB_BINOCULAR, &raw), 0);
        shown = aboutShownBy(click);
        QVERIFY(shown.contains(QStringLiteral("Product Name: ") + QString(64, 'N') + "\r\n"));
        QVERIFY(shown.contains(QStringLiteral("Serial Number: ") + QString(19, 'S') + "\r\n"));
        QVERIFY(shown.endsWith(QStringLiteral("Device Features:\r\n\t- NONE\r\n")));

        // Its own Zeph_GetDeviceInfo failing shows nothing, whatever came before.
        Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_DEVICE_BUSY);
        QVERIFY(aboutShownBy(click).isNull());
        QCOMPARE(ctx.lastResult, ZEPH_ERR_DEVICE_BUSY);

        // A device that cannot be opened: its message in the status bar.
        QTest::keyClick(control<QComboBox>(window, "cbDevList"), Qt::Key_Down);
        QCOMPARE(Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR), 0);
        QVERIFY(aboutShownBy(click).isNull());
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Device not found"));
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void uartProbe()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QComboBox>(window, "cbDevCom"), Qt::Key_Down);
        auto *list = control<QComboBox>(window, "cbDevList");
        QCOMPARE(ctx.pendingCommStd, 2);
        QCOMPARE(control<QLabel>(window, "lbDevs")->text(), QStringLiteral("COM Port (Ex: COM3)"));
        QVERIFY(list->isEditable() && list->count() == 0);
        QCOMPARE(list->lineEdit()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(list->lineEdit()->maxLength(), 99);
        QVERIFY(!control<QPushButton>(window, "btScanDev")->isEnabled());
        QVERIFY(control<QSpinBox>(window, "m_Baudrate")->isEnabled());
        QVERIFY(control<QRadioButton>(window, "m_rdHardware")->isEnabled());
        QCOMPARE(sdkConfigNow().commStd, 1); // nothing sent yet

        // Leaving applies UART and probes COM1..COM20 first.
        ProbeWatcher watch;
        Zvc_ResetCallCounts();
        window.switchWorkArea(WorkAreaCapture);
        QStringList expected{QStringLiteral("Scanning COM ports...")};
        for (int port = 1; port <= 20; ++port) {
            const QString dots = port < 10 ? QStringLiteral("...") : QStringLiteral("..");
            expected << QStringLiteral("Scanning COM ports: COM%1").arg(port) + dots;
            QCOMPARE(expected.last().size(), 27);
        }
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

        window.switchWorkArea(WorkAreaSetting);
        list = control<QComboBox>(window, "cbDevList");
        QCOMPARE(itemsOf(list), QStringList({"COM3", "COM5"}));
        QVERIFY(list->isEditable());
        QCOMPARE(list->currentText(), QString());
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void typedPortIsOpenedNext()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        QCOMPARE(Zvc_AddDevice("COM7", ZVC_LINK_UART, ZVC_MODEL_MONOCULAR), 0);
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QComboBox>(window, "cbDevCom"), Qt::Key_Down);
        QTest::keyClicks(control<QComboBox>(window, "cbDevList")->lineEdit(), QStringLiteral("COM7"));
        // The probe on leaving lists what it found, and keeps the typed port.
        window.switchWorkArea(WorkAreaCapture);
        QCOMPARE(ctx.deviceList, QStringList({"COM3", "COM5", "COM7"}));
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM7"));
        QCOMPARE(ctx.openDevice(true), 0);
        QCOMPARE(QByteArray(ctx.openedDeviceName), QByteArray("COM7"));

        // Back again: the open port's own UART settings, locked.
        ctx.deviceConfig.uartBaudrate = 57600;
        ctx.deviceConfig.uartFlowControl = 1;
        window.switchWorkArea(WorkAreaSetting);
        auto *list = control<QComboBox>(window, "cbDevList");
        auto *baud = control<QSpinBox>(window, "m_Baudrate");
        auto *hardware = control<QRadioButton>(window, "m_rdHardware");
        QCOMPARE(list->currentText(), QStringLiteral("COM7"));
        QCOMPARE(baud->value(), 57600);
        QVERIFY(hardware->isChecked());
        QVERIFY(!baud->isEnabled() && !hardware->isEnabled());
        QVERIFY(!control<QRadioButton>(window, "m_rdNone")->isEnabled());
        QTest::keyClick(list->lineEdit(), Qt::Key_Backspace);
        QVERIFY(baud->isEnabled() && hardware->isEnabled());

        // Typed in UART mode with UART applied: used as typed, without a probe.
        QTest::keyClicks(list->lineEdit(), QStringLiteral("9"));
        const int opens = Zvc_CallCount("Zeph_OpenDevice");
        window.switchWorkArea(WorkAreaCapture);
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), opens);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM9"));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void deviceNamesStayInTheirField()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QComboBox>(window, "cbDevCom"), Qt::Key_Down);
        QLineEdit *edit = control<QComboBox>(window, "cbDevList")->lineEdit();
        QTest::keyClicks(edit, QString(120, QLatin1Char('A')));
        QCOMPARE(edit->text().size(), 99);

        // 99 characters, but 198 bytes: refused with 15, never cut.
        edit->setText(QString(99, QChar(0x00E9)));
        Zvc_ResetCallCounts();
        QVERIFY(aboutShownBy([&] {
                    QTest::mouseClick(control<QPushButton>(window, "btPropDev"), Qt::LeftButton);
                }).isNull());
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 0);
        QCOMPARE(ctx.lastResult, ZEPH_ERR_INVALID_PARAMETER);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Invalid parameter"));
        QCOMPARE(ctx.selectedDeviceName[0], '\0');

        ctx.showStatus(1000, "before");
        window.switchWorkArea(WorkAreaCapture);
        QCOMPARE(ctx.selectedDeviceName[0], '\0');
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Invalid parameter"));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void resultOptionsFollowTheLink()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        ctx.resultKind = 5;
        ctx.isoRevision = 1;
        ctx.resultFormat = ZEPH_FORMAT_MONO_PNG;
        ctx.j2kQuality = 50;
        KeldTerminal window;
        settle();
        auto *com = control<QComboBox>(window, "cbDevCom");
        QTest::keyClick(com, Qt::Key_Down);
        QMetaObject::invokeMethod(window.centralWidget(), "On_BtScanDev_Clicked");
        QCOMPARE(ctx.sdkConfig.commStd, 2);
        QCOMPARE(ctx.usbResultOptions.resultKind, 5);
        QCOMPARE(ctx.usbResultOptions.isoRevision, 1);
        QCOMPARE(ctx.usbResultOptions.resultFormat, int(ZEPH_FORMAT_MONO_PNG));
        QCOMPARE(ctx.usbResultOptions.j2kQuality, uint8_t(50));
        QCOMPARE(ctx.resultFormat, int(ZEPH_FORMAT_MONO_JPEG2000));
        QCOMPARE(ctx.j2kQuality, uint8_t(3));

        ctx.resultKind = 7; // changed while on UART: the USB choice comes back
        QTest::keyClick(com, Qt::Key_Up);
        QTest::mouseClick(control<QPushButton>(window, "btScanDev"), Qt::LeftButton);
        QCOMPARE(ctx.sdkConfig.commStd, 1);
        QCOMPARE(ctx.resultKind, 5);
        QCOMPARE(ctx.isoRevision, 1);
        QCOMPARE(ctx.resultFormat, int(ZEPH_FORMAT_MONO_PNG));
        QCOMPARE(ctx.j2kQuality, uint8_t(50));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void settingsFileWrittenOnLeaving()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QGroupBox>(window, "m_grbSaveBestImage"), Qt::Key_Space);
        auto *path = control<QLineEdit>(window, "m_edtSavedImagePath");
        const QString folder = QStringLiteral("/data/\u00e9\U0001F441");
        QTest::keyClicks(path, QStringLiteral("/data/"));
        path->insert(folder.mid(6)); // keyClicks types ASCII only
        QTest::keyClick(path, Qt::Key_Return);
        clickRadio(control<QRadioButton>(window, "m_rdSaveAsBmp"));
        ctx.deviceConfig.uartBaudrate = 38400; // as read from a camera
        ctx.deviceConfig.uartFlowControl = 1;

        window.switchWorkArea(WorkAreaCapture);
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
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void settingsFileReadBack()
    {
        writeSettings(settingsFile(QStringLiteral("/srv/iris"), 1, 57600, 1, 2));
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QVERIFY(control<QGroupBox>(window, "m_grbSaveBestImage")->isChecked());
        QCOMPARE(control<QLineEdit>(window, "m_edtSavedImagePath")->text(), QStringLiteral("/srv/iris"));
        QVERIFY(control<QRadioButton>(window, "m_rdSaveAsBmp")->isChecked());
        QCOMPARE(control<QSpinBox>(window, "m_Baudrate")->value(), 57600);
        QVERIFY(control<QRadioButton>(window, "m_rdHardware")->isChecked());
        QCOMPARE(control<QComboBox>(window, "cbDevCom")->currentText(), QStringLiteral("UART"));
        QCOMPARE(ctx.firstSettingsLoad, uint8_t(0));
        QCOMPARE(ctx.deviceConfig.uartBaudrate, 57600u);
        QCOMPARE(sdkConfigNow().commStd, 2); // the start-up scan applied it

        // Later in the run only the image options come from the file.
        window.switchWorkArea(WorkAreaCapture);
        writeSettings(settingsFile(QStringLiteral("/other"), 0, 9600, 0, 1, false));
        window.switchWorkArea(WorkAreaSetting);
        QVERIFY(!control<QGroupBox>(window, "m_grbSaveBestImage")->isChecked());
        QCOMPARE(control<QLineEdit>(window, "m_edtSavedImagePath")->text(), QStringLiteral("/other"));
        QVERIFY(control<QRadioButton>(window, "m_rdSaveAsRaw")->isChecked());
        QCOMPARE(control<QSpinBox>(window, "m_Baudrate")->value(), 57600);
        QVERIFY(control<QRadioButton>(window, "m_rdHardware")->isChecked());
        QCOMPARE(control<QComboBox>(window, "cbDevCom")->currentText(), QStringLiteral("UART"));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
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
        {
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
    }

    void applyFailureGoesBackToSettings()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        boxes.expect(QStringLiteral("Update SDK Configuration"), QStringLiteral("OK"),
                     QStringLiteral("Failed to set SDK configuration. Invalid parameter"));
        Zvc_FailNext("Zeph_SetSdkConfig", 1, ZEPH_ERR_INVALID_PARAMETER);
        window.switchWorkArea(WorkAreaCapture);
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
        QVERIFY(!QFile::exists(SettingsTempFile::path()));
        QCOMPARE(ctx.currentWorkArea, int(WorkAreaCapture));
        QTRY_COMPARE(ctx.currentWorkArea, int(WorkAreaSetting));
        QVERIFY(qobject_cast<ZephSettingWidget *>(window.centralWidget()));
    }

    void flowControlRadiosStartFromAFilledRecord()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QComboBox>(window, "cbDevCom"), Qt::Key_Down);
        ctx.sdkConfig.uartBaudrate = 57600; // the SDK still has 115200

        Zvc_FailNext("Zeph_GetSdkConfig", 1, ZEPH_ERR_FAILED);
        clickRadio(control<QRadioButton>(window, "m_rdHardware"));
        QCOMPARE(sdkConfigNow().flowControlOn, 1u);
        QCOMPARE(sdkConfigNow().uartBaudrate, 57600u);

        clickRadio(control<QRadioButton>(window, "m_rdNone"));
        QCOMPARE(sdkConfigNow().flowControlOn, 0u);
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

    void savedImagePathMustFitTheFile()
    {
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        MessageBoxScript boxes;
        KeldTerminal window;
        settle();
        QTest::keyClick(control<QGroupBox>(window, "m_grbSaveBestImage"), Qt::Key_Space);
        auto *path = control<QLineEdit>(window, "m_edtSavedImagePath");
        auto *browse = control<QPushButton>(window, "m_btnBrowseSavedImagePath");
        const QString tooLong = QStringLiteral("The folder path is too long: at most 259 characters "
                                               "can be kept. Please choose a shorter path.");

        boxes.expect(QStringLiteral("Saved folder path"), QStringLiteral("OK"), tooLong);
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
        boxes.expect(QStringLiteral("Saved folder path"), QStringLiteral("OK"), tooLong);
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(history, QString(259, QLatin1Char('p')));
        QCOMPARE(path->text().size(), 259);
        answer = QStringList{QStringLiteral("/chosen/folder"), QStringLiteral("/second")};
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));
        QCOMPARE(ctx.savedImagePath, QStringLiteral("/chosen/folder"));
        answer.clear(); // cancelled
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));

        // Typed and never confirmed: checked when the work area is left.
        boxes.expect(QStringLiteral("Saved folder path"), QStringLiteral("OK"), tooLong);
        QTest::keyClicks(path, QString(250, QLatin1Char('r')));
        window.switchWorkArea(WorkAreaCapture);
        QCOMPARE(ctx.savedImagePath, QStringLiteral("/chosen/folder"));
        QCOMPARE(SettingsTempFile::load(SettingsTempFile::path())->savedImagePath,
                 std::u16string(u"/chosen/folder"));
        QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestSettingWidget)
#include "tst_settingwidget.moc"
