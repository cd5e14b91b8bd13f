#include "device/ZephSettingWidget.h"

#include "core/About.h"
#include "core/AppContext.h"
#include "core/FixedText.h"
#include "core/KeldWaitingDlg.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"
#include "device/DeviceNameField.h"
#include "device/DevicePropertiesText.h"
#include "device/FolderDialog.h"
#include "device/SettingsTempFile.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstring>

namespace {

const char kButtonStyle[] = "QPushButton {\t\n\t\t\t\t\tmin-width: 100px;\n}";
const char kDeviceListLabel[] = "Device list";
const char kComPortLabel[] = "COM Port (Ex: COM3)";
const int kComPortCount = 20;
const int kProbeMessageLength = 27;

// "Scanning COM ports: COM7..." — dots fill the line to 27 characters.
QString probeMessage(const QString &port)
{
    QString text = QStringLiteral("Scanning COM ports: ") + port;
    while (text.size() < kProbeMessageLength)
        text += QLatin1Char('.');
    return text;
}

// The probe blocks the GUI thread in the SDK; between ports the window system
// gets its turn, so that the dialog appears and shows each port (no input).
void letDialogShow()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

AppContext &context()
{
    return *AppContext::instance();
}

} // namespace

ZephSettingWidget::ZephSettingWidget(QWidget *parent)
    : CCustomWidget(parent), m_mainWindow(parent)
{
    AppContext &ctx = context();
    buildForm();

    connect(btScanDev, &QPushButton::clicked, this, &ZephSettingWidget::On_BtScanDev_Clicked);
    connect(cbDevList, &QComboBox::textActivated, this,
            &ZephSettingWidget::On_ComboDevList_IndexChanged);
    connect(btChange, &QPushButton::clicked, this, &ZephSettingWidget::On_Bt_Change_Clicked);
    connect(btPropDev, &QPushButton::clicked, this,
            &ZephSettingWidget::On_Bt_DeviceProperties_Clicked);
    connect(m_edtSavedImagePath, &QLineEdit::editingFinished, this,
            &ZephSettingWidget::onSavedImagePathEdited);
    ckLogging->hide();
    btChange->hide();

    cbDevList->addItems(ctx.deviceList);
    const QString opened = QString::fromLocal8Bit(FixedText::read(ctx.openedDeviceName));
    cbDevList->setCurrentIndex(cbDevList->findText(opened, Qt::MatchExactly | Qt::MatchCaseSensitive));

    bool saveBest = false;
    if (ctx.firstSettingsLoad)
        SettingsTempFile::removeStaleTemporaries(SettingsTempFile::path());
    if (const auto record = SettingsTempFile::load(SettingsTempFile::path()))
        saveBest = SettingsTempFile::apply(*record, ctx);
    // Only the first construction of a run may take the UART settings, file
    // or no file: a later one would find the file this run wrote and put its
    // values over those of the device opened meanwhile.
    ctx.firstSettingsLoad = 0;
    m_grbSaveBestImage->setChecked(saveBest);

    if (ctx.rawImageAsBmp == 1)
        m_rdSaveAsBmp->setChecked(true);
    else
        m_rdSaveAsRaw->setChecked(true);
    m_acceptedPath = ctx.savedImagePath;
    m_edtSavedImagePath->setText(ctx.savedImagePath);
    m_rdNone->setChecked(true);
    if (ctx.sdkConfig.uartFlowControl == 1)
        m_rdHardware->setChecked(true);
    m_Baudrate->setValue(static_cast<int>(qMin<uint32_t>(ctx.sdkConfig.uartBaudrate, 999999999u)));
    ckLogging->setChecked((ctx.sdkConfig.enableLog & 0xFF) != 0);

    cbDevCom->addItem(QStringLiteral("USB"), int(ZEPH_COMM_USB));
    cbDevCom->addItem(QStringLiteral("UART"), int(ZEPH_COMM_UART));
    // A method this program does not know would be written back as 0 and
    // refused by the SDK at every exit; show USB instead.
    cbDevCom->setCurrentIndex(qMax(0, cbDevCom->findData(int(ctx.pendingCommStd))));

    if (ctx.pendingCommStd == ZEPH_COMM_UART) {
        setUartMode(true);
        cbDevList->setEditText(opened);
        // The open port may already have been the list's current entry, in
        // which case the text did not change: lock its controls all the same.
        on_cbDevList_editTextChanged(cbDevList->currentText());
    } else {
        setUartControlsEnabled(false);
    }

    // Last, so that choosing the start item above runs nothing.
    connect(cbDevCom, &QComboBox::currentIndexChanged, this,
            &ZephSettingWidget::On_ComboDevCom_IndexChanged);
}

ZephSettingWidget::~ZephSettingWidget()
{
    AppContext &ctx = context();
    ctx.pendingCommStd = cbDevCom->currentIndex() + 1;
    ctx.rawImageAsBmp = m_rdSaveAsRaw->isChecked() ? 0 : 1;

    // By now the main window has taken this work area out of its place; the
    // box and the way back go to the main window itself.
    QWidget *boxParent = m_mainWindow ? m_mainWindow.data() : this;
    if (!m_refusedOnLeaving && applySdkSettings(boxParent))
        SettingsTempFile::save(SettingsTempFile::path(),
                               SettingsTempFile::fromSettings(ctx, m_grbSaveBestImage->isChecked()));
    else if (m_mainWindow)
        QMetaObject::invokeMethod(m_mainWindow, "OnActionZephSetting", Qt::QueuedConnection);
}

void ZephSettingWidget::buildForm()
{
    setObjectName(QStringLiteral("ZephSettingWidget"));
    const AppContext &ctx = context();
    resize(ctx.windowWidth, ctx.windowHeight);
    setStyleSheet(QString::fromLatin1(kButtonStyle)
                  + QStringLiteral("\nQPushButton { padding: 0 14px; }"
                                   "\nQGroupBox { font-weight: bold; color: #204F82; }"));

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };

    // SDK Setting
    groupBoxSdkSetting = new QGroupBox(QStringLiteral("SDK Setting"), this);
    named(groupBoxSdkSetting, "groupBoxSdkSetting");
    lbDevCategory = new QLabel(QStringLiteral("Communication method"), groupBoxSdkSetting);
    named(lbDevCategory, "lbDevCategory");
    cbDevCom = new QComboBox(groupBoxSdkSetting);
    named(cbDevCom, "cbDevCom");
    lbBaudrate = new QLabel(QStringLiteral("UART Baudrate"), groupBoxSdkSetting);
    named(lbBaudrate, "lbBaudrate");
    m_Baudrate = new QSpinBox(groupBoxSdkSetting);
    named(m_Baudrate, "m_Baudrate");
    m_Baudrate->setRange(0, 999999999);
    m_Baudrate->setAlignment(Qt::AlignRight);
    lbBaudrate_2 = new QLabel(QStringLiteral("UART Flow Control"), groupBoxSdkSetting);
    named(lbBaudrate_2, "lbBaudrate_2");
    m_rdNone = new QRadioButton(QStringLiteral("None"), groupBoxSdkSetting);
    named(m_rdNone, "m_rdNone");
    m_rdHardware = new QRadioButton(QStringLiteral("Hardware"), groupBoxSdkSetting);
    named(m_rdHardware, "m_rdHardware");
    ckLogging = new QCheckBox(QStringLiteral("Logging"), groupBoxSdkSetting);
    named(ckLogging, "ckLogging");
    btChange = new QPushButton(QStringLiteral("Change"), groupBoxSdkSetting);
    named(btChange, "btChange");

    auto *sdkGrid = new QGridLayout(groupBoxSdkSetting);
    sdkGrid->setContentsMargins(16, 20, 16, 16);
    sdkGrid->setHorizontalSpacing(16);
    sdkGrid->setVerticalSpacing(12);
    sdkGrid->addWidget(lbDevCategory, 0, 0);
    sdkGrid->addWidget(cbDevCom, 0, 1, 1, 2);
    sdkGrid->addWidget(lbBaudrate, 1, 0);
    sdkGrid->addWidget(m_Baudrate, 1, 1, 1, 2);
    sdkGrid->addWidget(lbBaudrate_2, 2, 0);
    sdkGrid->addWidget(m_rdNone, 2, 1);
    sdkGrid->addWidget(m_rdHardware, 2, 2);
    sdkGrid->addWidget(ckLogging, 3, 0);
    sdkGrid->addWidget(btChange, 3, 2);
    sdkGrid->setColumnStretch(1, 1);
    sdkGrid->setColumnStretch(2, 1);
    sdkGrid->setRowStretch(4, 1);

    // Device
    groupBoxSelectDevice = new QGroupBox(QStringLiteral("Device"), this);
    named(groupBoxSelectDevice, "groupBoxSelectDevice");
    lbDevs = new QLabel(QString::fromLatin1(kDeviceListLabel), groupBoxSelectDevice);
    named(lbDevs, "lbDevs");
    // Wide enough for either text, so that switching the link moves nothing.
    lbDevs->ensurePolished();
    int labelWidth = 0;
    for (const char *text : {kComPortLabel, kDeviceListLabel}) {
        lbDevs->setText(QString::fromLatin1(text));
        labelWidth = qMax(labelWidth, lbDevs->sizeHint().width());
    }
    lbDevs->setMinimumWidth(labelWidth);
    cbDevList = new QComboBox(groupBoxSelectDevice);
    named(cbDevList, "cbDevList");
    cbDevList->setMinimumContentsLength(24);
    btScanDev = new QPushButton(QStringLiteral("Refresh"), groupBoxSelectDevice);
    named(btScanDev, "btScanDev");
    btPropDev = new QPushButton(QStringLiteral("Device Properties"), groupBoxSelectDevice);
    named(btPropDev, "btPropDev");

    auto *deviceGrid = new QGridLayout(groupBoxSelectDevice);
    deviceGrid->setContentsMargins(16, 20, 16, 16);
    deviceGrid->setHorizontalSpacing(16);
    deviceGrid->setVerticalSpacing(12);
    deviceGrid->addWidget(lbDevs, 0, 0);
    deviceGrid->addWidget(cbDevList, 0, 1);
    auto *deviceButtons = new QHBoxLayout;
    deviceButtons->setSpacing(12);
    deviceButtons->addStretch();
    deviceButtons->addWidget(btScanDev);
    deviceButtons->addWidget(btPropDev);
    deviceGrid->addLayout(deviceButtons, 1, 0, 1, 2);
    deviceGrid->setColumnStretch(1, 1);
    deviceGrid->setRowStretch(2, 1);

    // Application Setting
    groupBox = new QGroupBox(QStringLiteral("Application Setting"), this);
    named(groupBox, "groupBox");
    m_grbSaveBestImage = new QGroupBox(QStringLiteral("Save best image"), groupBox);
    named(m_grbSaveBestImage, "m_grbSaveBestImage");
    m_grbSaveBestImage->setCheckable(true);
    m_grbSaveBestImage->setChecked(false);
    label = new QLabel(QStringLiteral("Saved folder path"), m_grbSaveBestImage);
    named(label, "label");
    m_edtSavedImagePath = new QLineEdit(m_grbSaveBestImage);
    named(m_edtSavedImagePath, "m_edtSavedImagePath");
    m_edtSavedImagePath->setMaxLength(kSavedPathEditLength);
    m_btnBrowseSavedImagePath = new QPushButton(QStringLiteral("Browse"), m_grbSaveBestImage);
    named(m_btnBrowseSavedImagePath, "m_btnBrowseSavedImagePath");

    auto *saveRow = new QHBoxLayout(m_grbSaveBestImage);
    saveRow->setContentsMargins(16, 16, 16, 12);
    saveRow->setSpacing(12);
    saveRow->addWidget(label);
    saveRow->addWidget(m_edtSavedImagePath, 1);
    saveRow->addWidget(m_btnBrowseSavedImagePath);

    label_2 = new QLabel(QStringLiteral("Save raw image as"), groupBox);
    named(label_2, "label_2");
    m_rdSaveAsRaw = new QRadioButton(QStringLiteral("RAW"), groupBox);
    named(m_rdSaveAsRaw, "m_rdSaveAsRaw");
    m_rdSaveAsBmp = new QRadioButton(QStringLiteral("BMP"), groupBox);
    named(m_rdSaveAsBmp, "m_rdSaveAsBmp");

    auto *appLayout = new QVBoxLayout(groupBox);
    appLayout->setContentsMargins(16, 20, 16, 16);
    appLayout->setSpacing(14);
    appLayout->addWidget(m_grbSaveBestImage);
    auto *rawRow = new QHBoxLayout;
    rawRow->setSpacing(24);
    rawRow->addWidget(label_2);
    rawRow->addWidget(m_rdSaveAsRaw);
    rawRow->addWidget(m_rdSaveAsBmp);
    rawRow->addStretch();
    appLayout->addLayout(rawRow);

    // The boxes keep a comfortable reading width in the middle of the area.
    auto *content = new QGridLayout;
    content->setHorizontalSpacing(24);
    content->setVerticalSpacing(24);
    content->addWidget(groupBoxSdkSetting, 0, 0);
    content->addWidget(groupBoxSelectDevice, 0, 1);
    content->addWidget(groupBox, 1, 0, 1, 2);
    content->setColumnStretch(0, 1);
    content->setColumnStretch(1, 1);

    auto *centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addLayout(content, 6);
    centred->addStretch(1);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(40, 48, 40, 40);
    outer->addLayout(centred);
    outer->addStretch(1);

    QMetaObject::connectSlotsByName(this);
}

void ZephSettingWidget::setUartControlsEnabled(bool enabled)
{
    m_Baudrate->setEnabled(enabled);
    m_rdHardware->setEnabled(enabled);
    m_rdNone->setEnabled(enabled);
}

void ZephSettingWidget::setUartMode(bool uart)
{
    btScanDev->setEnabled(!uart);
    cbDevList->setEditable(uart);
    if (uart) {
        // Every setEditable(true) makes a new line edit: set it up each time.
        cbDevList->lineEdit()->setMaxLength(kMaxDeviceNameLength);
        cbDevList->lineEdit()->setAlignment(Qt::AlignRight);
    }
    lbDevs->setText(QString::fromLatin1(uart ? kComPortLabel : kDeviceListLabel));
}

void ZephSettingWidget::On_ComboDevCom_IndexChanged(int index)
{
    context().pendingCommStd = index + 1;
    const bool uart = index + 1 == ZEPH_COMM_UART;
    cbDevList->clear();
    setUartMode(uart);
    setUartControlsEnabled(uart);
}

void ZephSettingWidget::On_BtScanDev_Clicked()
{
    scanDevices();
}

bool ZephSettingWidget::applySdkSettings(QWidget *boxParent)
{
    AppContext &ctx = context();
    if (ctx.pendingCommStd != ctx.sdkConfig.commStd) {
        // Each link keeps its own result options: UART can only carry small
        // JPEG 2000 results, so the USB choices are put aside meanwhile.
        UsbResultOptions &usb = ctx.usbResultOptions;
        if (ctx.sdkConfig.commStd != ZEPH_COMM_USB) {
            ctx.resultKind = usb.resultKind;
            ctx.isoRevision = usb.isoRevision;
            ctx.resultFormat = usb.resultFormat;
            ctx.j2kQuality = usb.j2kQuality;
        } else {
            usb.resultKind = ctx.resultKind;
            usb.isoRevision = ctx.isoRevision;
            usb.resultFormat = ctx.resultFormat;
            usb.j2kQuality = ctx.j2kQuality;
        }
        ctx.sdkConfig.commStd = ctx.pendingCommStd;
    }
    ctx.sdkConfig.flowControlOn = 1;
    ctx.sdkConfig.uartBaudrate = static_cast<uint32_t>(m_Baudrate->value());
    ctx.sdkConfig.uartFlowControl = m_rdHardware->isChecked() ? 1 : 0;

    const ZephResult r = Zeph_SetSdkConfig(&ctx.sdkConfig);
    ctx.lastResult = r;
    if (r == 0)
        return true;
    MessageBox::warning(boxParent, QStringLiteral("Update SDK Configuration"),
                        QStringLiteral("Failed to set SDK configuration. %1")
                            .arg(QString::fromLocal8Bit(ResultText(r))));
    return false;
}

bool ZephSettingWidget::scanDevices()
{
    AppContext &ctx = context();
    ctx.closeDevice();
    ctx.scannedDeviceNames = nullptr;
    ctx.scannedDeviceCount = 0;

    if (!applySdkSettings(this))
        return false;

    if (ctx.sdkConfig.commStd == ZEPH_COMM_USB) {
        ctx.lastResult = Zeph_ScanDevices(&ctx.scannedDeviceNames, &ctx.scannedDeviceCount);
    } else {
        ctx.resultFormat = ZEPH_FORMAT_MONO_JPEG2000;
        ctx.j2kQuality = 3;
    }
    fillDeviceList();
    ctx.showStatus(3000, "Found %d device(s)", cbDevList->count());
    return true;
}

void ZephSettingWidget::fillDeviceList()
{
    AppContext &ctx = context();
    cbDevList->clear();
    if (ctx.sdkConfig.commStd == ZEPH_COMM_USB) {
        if (ctx.lastResult == 0 && ctx.scannedDeviceNames) {
            for (int32_t i = 0; i < ctx.scannedDeviceCount; ++i) {
                const char *name = ctx.scannedDeviceNames[i];
                if (!name)
                    continue;
                // A name without its NUL within a name field could never be
                // opened; it is not read any further, nor listed.
                const std::size_t n = strnlen(name, ZEPH_DEVICE_NAME_SIZE);
                if (n < ZEPH_DEVICE_NAME_SIZE)
                    cbDevList->addItem(QString::fromLocal8Bit(name, static_cast<qsizetype>(n)));
            }
        }
    } else {
        probeComPorts();
    }

    ctx.deviceList.clear();
    for (int i = 0; i < cbDevList->count(); ++i)
        ctx.deviceList.append(cbDevList->itemText(i));
}

void ZephSettingWidget::probeComPorts()
{
    AppContext &ctx = context();
    ZephSdkConfig probing = currentSdkConfig();
    probing.flowControlOn = 0;
    ctx.lastResult = Zeph_SetSdkConfig(&probing);

    KeldWaitingDlg dialog(cbDevList);
    const QString start = QStringLiteral("Scanning COM ports...");
    dialog.run(start, QString(), QString(), false, -1);
    ctx.showStatus(3000, "Scanning COM ports...");
    letDialogShow();

    for (int port = 1; port <= kComPortCount; ++port) {
        const QString name = QStringLiteral("COM%1").arg(port);
        dialog.setMessage(probeMessage(name));
        dialog.setProgress(static_cast<float>(port * 0.05));
        letDialogShow();
        ZephHandle handle = 0;
        const ZephResult r = Zeph_OpenDevice(name.toLatin1().constData(), &handle);
        if (r == 0 || r == ZEPH_ERR_ACCESS_DENIED) {
            // A port held by another program is still a port with a device.
            cbDevList->addItem(name);
            if (r == 0 && handle != 0)
                Zeph_CloseDevice(handle);
        }
    }

    dialog.finish();
    ctx.lastResult = Zeph_SetSdkConfig(&ctx.sdkConfig);
    ctx.showStatus(5000, "%s", "");
}

ZephSdkConfig ZephSettingWidget::currentSdkConfig() const
{
    AppContext &ctx = context();
    ZephSdkConfig config = ctx.sdkConfig;
    const ZephResult r = Zeph_GetSdkConfig(&config);
    ctx.lastResult = r;
    if (r != 0)
        config = ctx.sdkConfig; // the call may have left it half written
    return config;
}

void ZephSettingWidget::setSdkFlowControl(uint32_t on)
{
    ZephSdkConfig config = currentSdkConfig();
    config.flowControlOn = on;
    context().lastResult = Zeph_SetSdkConfig(&config);
}

void ZephSettingWidget::on_m_rdHardware_clicked()
{
    setSdkFlowControl(1);
}

void ZephSettingWidget::on_m_rdNone_clicked()
{
    setSdkFlowControl(0);
}

bool ZephSettingWidget::selectDevice(const QString &name, int statusMs)
{
    AppContext &ctx = context();
    const ZephResult r = storeDeviceName(ctx.selectedDeviceName, name);
    if (r == 0)
        return true;
    ctx.lastResult = r;
    ctx.showStatus(statusMs, "%s", ResultText(r));
    return false;
}

void ZephSettingWidget::On_ComboDevList_IndexChanged(const QString &dev)
{
    selectDevice(dev, 3000);
}

void ZephSettingWidget::on_cbDevList_editTextChanged(const QString &text)
{
    const AppContext &ctx = context();
    const QString opened = QString::fromLocal8Bit(FixedText::read(ctx.openedDeviceName));
    if (ctx.deviceHandle != 0 && text == opened) {
        // The open device's own UART settings, which only it can change.
        m_rdNone->setChecked(true);
        m_Baudrate->setValue(static_cast<int>(qMin<uint32_t>(ctx.deviceConfig.uartBaudrate, 999999999u)));
        if (ctx.deviceConfig.uartFlowControl == 1)
            m_rdHardware->setChecked(true);
        setUartControlsEnabled(false);
    } else {
        setUartControlsEnabled(true);
    }
}

void ZephSettingWidget::On_Bt_Change_Clicked()
{
}

void ZephSettingWidget::On_Bt_DeviceProperties_Clicked()
{
    AppContext &ctx = context();
    if (!selectDevice(cbDevList->currentText(), 5000))
        return;

    const ZephResult opened = ctx.openDevice(false);
    if (opened != 0) {
        // Without a name openDevice has already said so in a box; anything
        // the SDK answered is shown and may be a link that recovery can cure.
        if (ctx.lastResult != 0 && ctx.lastResult == opened) {
            ctx.showStatus(5000, "%s", ResultText(ctx.lastResult));
            ctx.offerRecovery(ctx.lastResult);
        }
        return;
    }

    ZephDeviceInfo info{};
    const ZephResult r = Zeph_GetDeviceInfo(ctx.deviceHandle, &info);
    ctx.lastResult = r;
    if (r != 0)
        return;
    ctx.deviceInfo = info;

    About about(this);
    about.setWindowTitle(QStringLiteral("Device properties"));
    about.setText(DevicePropertiesText(ctx.deviceInfo).c_str());
    about.exec();
}

bool ZephSettingWidget::acceptSavedImagePath(const QString &path)
{
    if (SettingsTempCodec::pathFits(path.toStdU16String()))
        return true;
    MessageBox::warning(this, QStringLiteral("Saved folder path"),
                        QStringLiteral("The folder path is too long: at most %1 characters can be "
                                       "kept. Please choose a shorter path.")
                            .arg(SettingsTempCodec::kMaxPathUnits));
    return false;
}

void ZephSettingWidget::onSavedImagePathEdited()
{
    const QString text = m_edtSavedImagePath->text();
    if (text == m_acceptedPath)
        return;
    if (acceptSavedImagePath(text))
        m_acceptedPath = text;
    else
        m_edtSavedImagePath->setText(m_acceptedPath);
}

void ZephSettingWidget::on_m_btnBrowseSavedImagePath_clicked()
{
    const QStringList chosen = FolderDialog::choose(this, m_edtSavedImagePath->text());
    if (chosen.isEmpty() || !acceptSavedImagePath(chosen.first()))
        return;
    AppContext &ctx = context();
    ctx.savedImagePath = chosen.first();
    m_acceptedPath = ctx.savedImagePath;
    m_edtSavedImagePath->setText(ctx.savedImagePath);
}

void ZephSettingWidget::WidgetClosed()
{
    AppContext &ctx = context();
    if (ctx.pendingCommStd != ctx.sdkConfig.commStd) {
        // A port typed right after choosing UART is still the operator's
        // choice once the probe has refilled the list.
        const QString typed = cbDevList->isEditable() ? cbDevList->currentText() : QString();
        m_refusedOnLeaving = !scanDevices();
        if (cbDevList->isEditable() && !typed.isEmpty())
            cbDevList->setEditText(typed);
    }
    selectDevice(cbDevList->currentText(), 3000);
    ctx.saveBestImage = m_grbSaveBestImage->isChecked() ? 1 : 0;

    // Typed but never confirmed (a tool button takes no focus): check it now.
    const QString text = m_edtSavedImagePath->text();
    if (text != m_acceptedPath && !acceptSavedImagePath(text))
        m_edtSavedImagePath->setText(m_acceptedPath);
    else
        m_acceptedPath = text;
    ctx.savedImagePath = m_edtSavedImagePath->text();
}
