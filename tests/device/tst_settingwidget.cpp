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
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

namespace {

const QString kSdkRefused = QStringLiteral("Failed to set SDK configuration. Invalid parameter");

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

// What the waiting dialog says during a COM probe, and the SDK's flow
// control as each message is painted.
class ProbeWatcher : public QObject
{
public:
    ProbeWatcher() { qApp->installEventFilter(this); }
    ~ProbeWatcher() override { qApp->removeEventFilter(this); }

    QStringList messages;
    QList<uint32_t> flowControlOn;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        auto *label = qobject_cast<QLabel *>(o);
        if (e->type() == QEvent::Paint && label && qobject_cast<KeldWaitingDlg *>(label->window())
            && (messages.isEmpty() || messages.last() != label->text())) {
            messages << label->text();
            flowControlOn << sdkConfigNow().flowControlOn;
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

Q_DECLARE_METATYPE(ZephDeviceInfo)

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
        auto *list = s.get<QComboBox>("cbDevList");
        const QStringList usb{ZVC_DEFAULT_USB_BINOCULAR, ZVC_DEFAULT_USB_MONOCULAR};
        QCOMPARE(itemsOf(list), usb);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray(ZVC_DEFAULT_USB_MONOCULAR));

        // A scan closes the open device first; a failed one lists nothing and says so.
        QCOMPARE(ctx.openDevice(true), 0);
        ctx.cameraInitialized = 1;
        Zvc_FailNext("Zeph_ScanDevices", 1, ZEPH_ERR_FAILED);
        s.click("btScanDev");
        QCOMPARE(ctx.deviceHandle, ZephHandle(0));
        QCOMPARE(ctx.cameraInitialized, uint8_t(0));
        QCOMPARE(list->count(), 0);
        QCOMPARE(ctx.lastResult, ZEPH_ERR_FAILED);
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 0 device(s)"));
    }

    // Raw bytes as a device may send them too: no NUL in either text, and
    // the bytes after each field (binocular, the flag) are not part of it.
    void propertiesText_data()
    {
        QTest::addColumn<ZephDeviceInfo>("info");
        QTest::addColumn<QString>("text");
        ZephDeviceInfo info{};
        info.productId = 0x0B21;
        std::strcpy(info.productName, "Iris Cam");
        std::strcpy(info.serialNumber, "SN-0001");
        info.propertiesFlag = 0x00100003;
        info.kernelMajor = 2;
        info.kernelMinor = 14;
        const QString head = "Product ID: 0x0b21\r\nProduct Name: Iris Cam\r\nSerial Number: SN-0001\r\n"
                             "Device Properties Flag: 0x00100003\r\nKernel Version: 2.14\r\nDevice Features:\r\n";
        // No feature at all is the last row's.
        info.features = 1;
        QTest::newRow("generation") << info << head + "\t- Template generation\r\n";
        info.features = 3;
        QTest::newRow("both") << info << head + "\t- Template generation\r\n\t- Template comparison\r\n";
        info.features = 0xFFFFFFFC;
        QTest::newRow("other bits only") << info << head;
        ZephDeviceInfo raw{};
        std::memset(raw.productName, 'P', sizeof raw.productName);
        raw.binocular = 'B';
        std::memset(raw.serialNumber, 'S', sizeof raw.serialNumber);
        raw.propertiesFlag = 0x41414141;
        raw.productId = 0x12345;
        QTest::newRow("fields filled whole")
            << raw
            << "Product ID: 0x12345\r\nProduct Name: " + QString(64, 'P') + "\r\nSerial Number: " + QString(19, 'S')
                   + "\r\nDevice Properties Flag: 0x41414141\r\nKernel Version: 0.0\r\nDevice Features:\r\n\t- NONE\r\n";
    }
    void propertiesText()
    {
        QFETCH(ZephDeviceInfo, info);
        QTEST(QString::fromStdString(DevicePropertiesText(info)), "text");
    }

    // Read afresh on every click; nothing shown when it cannot be read.
    void deviceProperties()
    {
        Screen s;
        const auto click = [&s] { return aboutShownBy([&s] { s.click("btPropDev"); }); };
        const QString shown = click();
        QCOMPARE(shown, "Device properties|" + QString::fromStdString(DevicePropertiesText(s.ctx.deviceInfo)));
        QCOMPARE(QByteArray(s.ctx.openedDeviceName), QByteArray(ZVC_DEFAULT_USB_BINOCULAR));
        Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_DEVICE_BUSY);
        QVERIFY(click().isNull());
        QCOMPARE(s.ctx.lastResult, ZEPH_ERR_DEVICE_BUSY);
    }

    void uartProbe()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        auto *list = s.get<QComboBox>("cbDevList");
        auto *baud = s.get<QSpinBox>("m_Baudrate");
        auto *hardware = s.get<QRadioButton>("m_rdHardware");
        QVERIFY(!list->isEditable() && !baud->isEnabled() && !hardware->isEnabled());
        s.pickUart();
        QVERIFY(list->isEditable() && list->count() == 0);
        QVERIFY(!s.get<QPushButton>("btScanDev")->isEnabled());
        QVERIFY(baud->isEnabled() && hardware->isEnabled());
        QCOMPARE(sdkConfigNow().commStd, 1); // nothing sent yet

        // Leaving applies UART and probes COM1..COM20 first, flow control off.
        ProbeWatcher watch;
        Zvc_ResetCallCounts();
        s.leave();
        QStringList expected{QStringLiteral("Scanning COM ports...")};
        for (int port = 1; port <= 20; ++port)
            expected << QStringLiteral("Scanning COM ports: COM%1").arg(port) + (port < 10 ? "..." : "..");
        QCOMPARE(watch.messages, expected);
        QCOMPARE(watch.flowControlOn, QList<uint32_t>(21, 0u));
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 20);
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 1); // COM3 opened; busy COM5 gave no handle
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Found 2 device(s)"));
        QCOMPARE(sdkConfigNow().commStd, 2);
        QCOMPARE(sdkConfigNow().flowControlOn, 1u);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM3"));

        // COM3 answers, COM5 is held by someone else: both are ports with a device.
        s.window->switchWorkArea(WorkAreaSetting);
        list = s.get<QComboBox>("cbDevList");
        QCOMPARE(itemsOf(list), QStringList({"COM3", "COM5"}));
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

        // Back again: the open port's own UART settings, locked while it is named.
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
        QTest::keyClick(list->lineEdit(), Qt::Key_Backspace);
        QVERIFY(baud->isEnabled() && hardware->isEnabled());

        // Typed in UART mode with UART applied: used as typed, without a probe.
        QTest::keyClicks(list->lineEdit(), QStringLiteral("9"));
        Zvc_ResetCallCounts();
        s.leave();
        QCOMPARE(Zvc_CallCount("Zeph_OpenDevice"), 0);
        QCOMPARE(QByteArray(ctx.selectedDeviceName), QByteArray("COM9"));
    }

    void deviceNamesStayInTheirField()
    {
        Screen s;
        AppContext &ctx = s.ctx;
        s.pickUart();
        // A failed read of the SDK's settings does not send a half-written record.
        ctx.sdkConfig.uartBaudrate = 57600; // the SDK still has 115200
        Zvc_FailNext("Zeph_GetSdkConfig", 1, ZEPH_ERR_FAILED);
        clickRadio(s.get<QRadioButton>("m_rdHardware"));
        QCOMPARE(sdkConfigNow().flowControlOn, 1u);
        QCOMPARE(sdkConfigNow().uartBaudrate, 57600u);
        clickRadio(s.get<QRadioButton>("m_rdNone"));
        QCOMPARE(sdkConfigNow().flowControlOn, 0u);

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
    }

    // UART cameras give JPEG 2000 at quality 3 only; the USB choice is kept
    // aside and comes back with the USB link.
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

    void settingsFileReadAgainOnReturn()
    {
        // The first read applies a good file whole (what a malformed one or
        // field gives is the codec suite's).
        QVERIFY(writeAll(SettingsTempFile::path(), settingsFile("/srv/iris", 1, 57600, 1, 2)));
        Screen s;
        QCOMPARE(sdkConfigNow().commStd, 2); // the start-up scan applied it
        QVERIFY(s.get<QGroupBox>("m_grbSaveBestImage")->isChecked());
        QCOMPARE(s.get<QLineEdit>("m_edtSavedImagePath")->text(), QStringLiteral("/srv/iris"));
        QVERIFY(s.get<QRadioButton>("m_rdSaveAsBmp")->isChecked());
        s.leave();
        QVERIFY(writeAll(SettingsTempFile::path(), settingsFile("/other", 0, 9600, 0, 1, false)));
        s.window->switchWorkArea(WorkAreaSetting);
        // The image options again; the UART ones come from the first read only.
        QVERIFY(!s.get<QGroupBox>("m_grbSaveBestImage")->isChecked());
        QCOMPARE(s.get<QLineEdit>("m_edtSavedImagePath")->text(), QStringLiteral("/other"));
        QVERIFY(!s.get<QRadioButton>("m_rdSaveAsBmp")->isChecked());
        QCOMPARE(s.get<QSpinBox>("m_Baudrate")->value(), 57600);
        QVERIFY(s.get<QRadioButton>("m_rdHardware")->isChecked());
        QCOMPARE(s.get<QComboBox>("cbDevCom")->currentText(), QStringLiteral("UART"));
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
        s.boxes.expect(QStringLiteral("Update SDK Configuration"), QStringLiteral("OK"), kSdkRefused);
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
    // as wide as they were, on a small screen (a scaled window).
    void linkSwitchMovesNothing()
    {
        Screen s([](AppContext &ctx) {
            const ScreenFit fit = ScreenFit::fit(QRect(0, 0, 1024, 738));
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
        for (int key : {Qt::Key_Down, Qt::Key_Up}) { // to UART and back
            QTest::keyClick(s.get<QComboBox>("cbDevCom"), Qt::Key(key));
            QCoreApplication::processEvents();
            QCOMPARE(places(), usb);
        }
    }

    // The path is refused when it cannot fit the file, whether typed, browsed
    // or left unconfirmed; what is kept goes into glintview.tmp on leaving.
    void savedImageOptions()
    {
        Screen s;
        AppContext &ctx = s.ctx;
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
        answer.clear(); // cancelled
        s.click("m_btnBrowseSavedImagePath");
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));

        // Typed and never confirmed: checked when the work area is left.
        expectTooLong();
        QTest::keyClicks(path, QString(250, QLatin1Char('r')));
        s.leave();
        QCOMPARE(ctx.savedImagePath, QStringLiteral("/chosen/folder"));

        // Back again: a folder beyond ASCII, BMP, the camera's UART
        // settings, and USB (1) as the method.
        s.window->switchWorkArea(WorkAreaSetting);
        const QString folder = QStringLiteral("/data/\u00e9\U0001F441");
        s.get<QLineEdit>("m_edtSavedImagePath")->setText(folder);
        clickRadio(s.get<QRadioButton>("m_rdSaveAsBmp"));
        ctx.deviceConfig.uartBaudrate = 38400; // as read from a camera
        ctx.deviceConfig.uartFlowControl = 1;
        s.leave();
        QCOMPARE(ctx.saveBestImage, uint8_t(1));
        QCOMPARE(ctx.savedImagePath, folder);
        QCOMPARE(ctx.rawImageAsBmp, 1);
        QCOMPARE(readAll(SettingsTempFile::path()), settingsFile(folder, 1, 38400, 1, 1));
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestSettingWidget)
#include "tst_settingwidget.moc"
