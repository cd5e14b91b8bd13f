#include "admin/DeviceConfig.h"

#include "admin/AdminTexts.h"
#include "admin/UartCarryOver.h"
#include "core/AppContext.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char kTitle[] = "Device Configuration";

AppContext &context()
{
    return *AppContext::instance();
}

QDoubleSpinBox *thresholdBox(QWidget *parent, const char *name)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setSingleStep(0.1);
    box->setRange(0.0, 99.99);
    return box;
}

QLabel *labelFor(const char *name, const char *text, QWidget *parent)
{
    auto *l = new QLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

DeviceConfig::DeviceConfig(QWidget *parent)
    : QDialog(parent)
{
    buildForm();
    QMetaObject::connectSlotsByName(this);
    load();
}

void DeviceConfig::buildForm()
{
    setObjectName(QStringLiteral("DeviceConfig"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setStyleSheet(QStringLiteral("QDialog{background: #E1EAF6}"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // Left column: matching and data protection.
    m_chkEnableDedup = new QGroupBox(QStringLiteral("Enable Deduplication"), this);
    m_chkEnableDedup->setObjectName(QStringLiteral("m_chkEnableDedup"));
    m_chkEnableDedup->setCheckable(true);
    label = labelFor("label", "Threshold", m_chkEnableDedup);
    m_edtDedupThreshold = thresholdBox(m_chkEnableDedup, "m_edtDedupThreshold");
    auto *dedupRow = new QHBoxLayout(m_chkEnableDedup);
    dedupRow->addWidget(label);
    dedupRow->addWidget(m_edtDedupThreshold, 1);

    label_2 = labelFor("label_2", "Auth Threshold", this);
    m_AuthThreshold = thresholdBox(this, "m_AuthThreshold");
    label_7 = labelFor("label_7", "Encryption Mode", this);
    m_cbEncryptionMode = new QComboBox(this);
    m_cbEncryptionMode->setObjectName(QStringLiteral("m_cbEncryptionMode"));
    lblCompressionQuality = labelFor("lblCompressionQuality", "Compression Quality", this);
    m_edtCompressionQuality = new QSpinBox(this);
    m_edtCompressionQuality->setObjectName(QStringLiteral("m_edtCompressionQuality"));
    m_edtCompressionQuality->setRange(1, 100);
    lblQualityRange = labelFor("lblQualityRange", "(1-100)", this);
    m_chkSupervisedEnrollment = new QCheckBox(QStringLiteral("Supervised Enrollment"), this);
    m_chkSupervisedEnrollment->setObjectName(QStringLiteral("m_chkSupervisedEnrollment"));
    m_chkDataClosure = new QCheckBox(QStringLiteral("Data Closure"), this);
    m_chkDataClosure->setObjectName(QStringLiteral("m_chkDataClosure"));

    auto *fields = new QGridLayout;
    fields->addWidget(label_2, 0, 0);
    fields->addWidget(m_AuthThreshold, 0, 1, 1, 2);
    fields->addWidget(label_7, 1, 0);
    fields->addWidget(m_cbEncryptionMode, 1, 1, 1, 2);
    fields->addWidget(lblCompressionQuality, 2, 0);
    fields->addWidget(m_edtCompressionQuality, 2, 1);
    fields->addWidget(lblQualityRange, 2, 2);
    fields->setColumnStretch(1, 1);

    auto *left = new QVBoxLayout;
    left->addWidget(m_chkEnableDedup);
    left->addLayout(fields);
    left->addWidget(m_chkSupervisedEnrollment);
    left->addWidget(m_chkDataClosure);
    left->addStretch(1);

    // Right column: streaming, the camera's serial link, automatic sleep.
    m_chkEnableStreaming = new QGroupBox(QStringLiteral("Enable stream"), this);
    m_chkEnableStreaming->setObjectName(QStringLiteral("m_chkEnableStreaming"));
    m_chkEnableStreaming->setCheckable(true);
    label_5 = labelFor("label_5", "Stream Format", m_chkEnableStreaming);
    m_cbStreamingFormat = new QComboBox(m_chkEnableStreaming);
    m_cbStreamingFormat->setObjectName(QStringLiteral("m_cbStreamingFormat"));
    label_4 = labelFor("label_4", "Stream Scale", m_chkEnableStreaming);
    m_cbStreamingScale = new QComboBox(m_chkEnableStreaming);
    m_cbStreamingScale->setObjectName(QStringLiteral("m_cbStreamingScale"));
    auto *streamGrid = new QGridLayout(m_chkEnableStreaming);
    streamGrid->addWidget(label_5, 0, 0);
    streamGrid->addWidget(m_cbStreamingFormat, 0, 1);
    streamGrid->addWidget(label_4, 1, 0);
    streamGrid->addWidget(m_cbStreamingScale, 1, 1);
    streamGrid->setColumnStretch(1, 1);

    m_lblBaudrate = labelFor("m_lblBaudrate", "UART Baudrate", this);
    m_edtBaudrate = new QSpinBox(this);
    m_edtBaudrate->setObjectName(QStringLiteral("m_edtBaudrate"));
    m_edtBaudrate->setRange(0, 99999999);
    m_lblBaudrate_2 = labelFor("m_lblBaudrate_2", "UART Flow Control", this);
    m_rdNone = new QRadioButton(QStringLiteral("None"), this);
    m_rdNone->setObjectName(QStringLiteral("m_rdNone"));
    m_rdHardware = new QRadioButton(QStringLiteral("Hardware"), this);
    m_rdHardware->setObjectName(QStringLiteral("m_rdHardware"));
    auto *uart = new QGridLayout;
    uart->addWidget(m_lblBaudrate, 0, 0);
    uart->addWidget(m_edtBaudrate, 0, 1, 1, 2);
    uart->addWidget(m_lblBaudrate_2, 1, 0);
    uart->addWidget(m_rdNone, 1, 1);
    uart->addWidget(m_rdHardware, 1, 2);
    uart->setColumnStretch(1, 1);
    uart->setColumnStretch(2, 1);

    grbPowerManagement = new QGroupBox(QStringLiteral("Enable Auto Sleep"), this);
    grbPowerManagement->setObjectName(QStringLiteral("grbPowerManagement"));
    grbPowerManagement->setCheckable(true);
    grbPowerManagement->setChecked(false);
    label_3 = labelFor("label_3", "Sleep Mode", grbPowerManagement);
    m_cbSleepMode = new QComboBox(grbPowerManagement);
    m_cbSleepMode->setObjectName(QStringLiteral("m_cbSleepMode"));
    label_6 = labelFor("label_6", "Sleep After", grbPowerManagement);
    m_edTimeoutToSleep = new QSpinBox(grbPowerManagement);
    m_edTimeoutToSleep->setObjectName(QStringLiteral("m_edTimeoutToSleep"));
    m_edTimeoutToSleep->setRange(0, 100000);
    label_8 = labelFor("label_8", "Secs", grbPowerManagement);
    auto *sleepGrid = new QGridLayout(grbPowerManagement);
    sleepGrid->addWidget(label_3, 0, 0);
    sleepGrid->addWidget(m_cbSleepMode, 0, 1, 1, 2);
    sleepGrid->addWidget(label_6, 1, 0);
    sleepGrid->addWidget(m_edTimeoutToSleep, 1, 1);
    sleepGrid->addWidget(label_8, 1, 2);
    sleepGrid->setColumnStretch(1, 1);

    m_chkDeepSleepInterrupt = new QCheckBox(QStringLiteral("Enable deep sleep interrupt"), this);
    m_chkDeepSleepInterrupt->setObjectName(QStringLiteral("m_chkDeepSleepInterrupt"));

    auto *right = new QVBoxLayout;
    right->addWidget(m_chkEnableStreaming);
    right->addLayout(uart);
    right->addWidget(grbPowerManagement);
    right->addWidget(m_chkDeepSleepInterrupt);
    right->addStretch(1);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(18);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    m_btnOK = new QPushButton(QStringLiteral("Update"), this);
    m_btnOK->setObjectName(QStringLiteral("m_btnOK"));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("m_btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);

    // Value controls share one width, so the two columns read as a table.
    for (QWidget *value : std::initializer_list<QWidget *>{
             m_edtDedupThreshold, m_AuthThreshold, m_cbEncryptionMode, m_cbStreamingFormat,
             m_cbStreamingScale, m_edtBaudrate, m_cbSleepMode, m_edTimeoutToSleep})
        value->setMinimumWidth(130);
    label->setMinimumWidth(110);
    label_2->setMinimumWidth(110);
    label_7->setMinimumWidth(110);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 14, 16, 14);
    outer->setSpacing(12);
    outer->addLayout(columns);
    outer->addLayout(buttons);
}

void DeviceConfig::load()
{
    AppContext &ctx = context();

    m_cbEncryptionMode->addItem(QStringLiteral("None"));
    m_cbEncryptionMode->addItem(QStringLiteral("Force"));
    m_cbSleepMode->addItem(QStringLiteral("Standby"), int(ZEPH_SLEEP_STANDBY));
    m_cbSleepMode->addItem(QStringLiteral("Sleep"), int(ZEPH_SLEEP_SLEEP));
    m_cbSleepMode->addItem(QStringLiteral("Deep sleep"), int(ZEPH_SLEEP_DEEP));
    for (const char *scale : {"1", "1/2", "1/4", "1/8", "1/16"})
        m_cbStreamingScale->addItem(QString::fromLatin1(scale));

    // Into a record of our own first: a failed read must not leave a zeroed
    // or half-written record where the rest of the program finds it.
    ZephDeviceConfig read{};
    const ZephResult result = Zeph_GetDeviceConfig(ctx.deviceHandle, &read);
    ctx.lastResult = result;
    m_readSucceeded = result == 0;
    if (m_readSucceeded) {
        ctx.deviceConfig = read;
        ctx.deviceConfigRead = true;
    }

    const DeviceConfigEdit::Entries e =
        DeviceConfigEdit::entriesFrom(ctx.deviceConfig, ctx.sdkConfig.commStd);
    showEntries(e);
    m_edtCompressionQuality->hide();
    lblCompressionQuality->hide();
    lblQualityRange->hide();

    connect(m_cbEncryptionMode, &QComboBox::currentIndexChanged, this,
            &DeviceConfig::On_cbEncryptionMode_clicked);
    m_AuthThreshold->setToolTip(QStringLiteral(
        "Change this value will affect on Login function. Please carefully to choose a threshold\n"
        " that is not less than the match distance of your Admin and SuperUser users in your "
        "system."));
}

void DeviceConfig::showEntries(const DeviceConfigEdit::Entries &e)
{
    m_cbEncryptionMode->setCurrentIndex(e.forceEncryption ? 1 : 0);
    m_chkEnableDedup->setChecked(e.enableDedup);
    m_edtDedupThreshold->setValue(e.dedupThreshold);
    m_edtDedupThreshold->setEnabled(e.enableDedup);
    m_AuthThreshold->setValue(e.authThreshold);
    m_edtCompressionQuality->setValue(e.compressionQuality);
    m_chkDataClosure->setChecked(e.dataClosure);
    m_chkSupervisedEnrollment->setChecked(e.supervisedEnrollment);
    m_chkEnableStreaming->setChecked(e.enableStream);

    m_streamFormat = e.streamFormat;
    m_cbStreamingFormat->clear();
    m_cbStreamingFormat->addItem(e.streamFormat == ZEPH_FORMAT_MONO_JPEG
                                     ? QStringLiteral("MONO_JPEG")
                                     : QStringLiteral("MONO_RAW"),
                                 e.streamFormat);
    m_cbStreamingScale->setCurrentIndex(e.scaleIndex);
    m_cbStreamingFormat->setEnabled(e.enableStream);
    m_cbStreamingScale->setEnabled(e.enableStream);

    m_rdNone->setChecked(true);
    if (e.hardwareFlowControl)
        m_rdHardware->setChecked(true);
    m_edtBaudrate->setValue(e.uartBaudrate);

    // The mode of the record just read, not of the one held before it.
    m_cbSleepMode->setCurrentIndex(e.sleepModeIndex);
    grbPowerManagement->setChecked(e.autoSleep);
    m_edTimeoutToSleep->setValue(e.sleepAfter);
    m_chkDeepSleepInterrupt->setChecked(e.deepSleepInterrupt);
}

DeviceConfigEdit::Entries DeviceConfig::entries() const
{
    DeviceConfigEdit::Entries e;
    e.forceEncryption = m_cbEncryptionMode->currentIndex() == 1;
    e.enableDedup = m_chkEnableDedup->isChecked();
    e.dedupThreshold = m_edtDedupThreshold->value();
    // The value, never the text: a locale's decimal comma would read as 0.
    e.authThreshold = m_AuthThreshold->value();
    e.compressionQuality = m_edtCompressionQuality->value();
    e.supervisedEnrollment = m_chkSupervisedEnrollment->isChecked();
    e.dataClosure = m_chkDataClosure->isChecked();
    e.enableStream = m_chkEnableStreaming->isChecked();
    e.streamFormat = m_streamFormat;
    e.scaleIndex = m_cbStreamingScale->currentIndex();
    e.uartBaudrate = m_edtBaudrate->value();
    e.hardwareFlowControl = m_rdHardware->isChecked();
    e.autoSleep = grbPowerManagement->isChecked();
    e.sleepModeIndex = m_cbSleepMode->currentIndex();
    e.sleepAfter = m_edTimeoutToSleep->value();
    e.deepSleepInterrupt = m_chkDeepSleepInterrupt->isChecked();
    return e;
}

void DeviceConfig::on_m_chkEnableDedup_clicked(bool checked)
{
    m_edtDedupThreshold->setEnabled(checked);
}

void DeviceConfig::on_m_chkEnableStreaming_clicked(bool checked)
{
    m_cbStreamingFormat->setEnabled(checked);
    m_cbStreamingScale->setEnabled(checked);
}

void DeviceConfig::on_m_chkDataClosure_clicked()
{
    if (!m_chkDataClosure->isChecked())
        return;
    MessageBox::warning(this, QStringLiteral("Information"),
                        QStringLiteral("This option, when on, disallows the application to access "
                                       "iris images and templates in the device, leading to "
                                       "\"(Dev) Function Disabled\" error message in some function "
                                       "execution."));
}

void DeviceConfig::On_cbEncryptionMode_clicked(int index)
{
    if (index != 1)
        return;
    MessageBox::warning(this, QStringLiteral("Information"),
                        QStringLiteral("This option will disable all functions that get images and "
                                       "templates in non-encrypted format. Thus, some functions "
                                       "might result in \"(Dev) Function Disabled\" because this "
                                       "application supports only non-encrypted images and "
                                       "templates."));
}

void DeviceConfig::on_m_btnCancel_clicked()
{
    done(0);
}

void DeviceConfig::on_m_btnOK_clicked()
{
    AppContext &ctx = context();
    const QString title = QString::fromLatin1(kTitle);
    if (ctx.deviceHandle == 0) {
        MessageBox::warning(this, AdminTexts::noDeviceTitle(), AdminTexts::noDevice());
        return;
    }
    if (!ctx.deviceConfigRead) {
        MessageBox::warning(this, title, AdminTexts::configurationNotRead());
        return;
    }

    const DeviceConfigEdit::Entries e = entries();
    const DeviceConfigEdit::Problem problem = DeviceConfigEdit::check(e);
    if (problem != DeviceConfigEdit::Problem::None) {
        MessageBox::warning(this, title, DeviceConfigEdit::problemText(problem));
        return;
    }
    if (e.autoSleep && DeviceConfigEdit::sleepModeValue(e.sleepModeIndex) == ZEPH_SLEEP_DEEP
        && !MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Warning"),
                                 AdminTexts::deepSleepQuestion(ctx.sdkConfig.commStd)))
        return;

    const ZephDeviceConfig record = DeviceConfigEdit::recordFrom(ctx.deviceConfig, e);
    const ZephResult result = Zeph_SetDeviceConfig(ctx.deviceHandle, &record);
    ctx.lastResult = result;
    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, AdminTexts::permissionDenied());
    } else if (result == ZEPH_ERR_INVALID_PARAMETER) {
        if (DeviceConfigEdit::thresholdsOutOfRange(record))
            MessageBox::warning(this, title,
                                QStringLiteral("Authentication and deduplication thresholds must "
                                               "be in range [0.8-1.1]"));
        else
            MessageBox::critical(this, title,
                                 QStringLiteral("Failed to update device configuration. Parameter "
                                                "is invalid."));
    } else if (result != 0) {
        MessageBox::warning(this, title,
                            QStringLiteral("Failed to update the device configuration. ")
                                + QString::fromLocal8Bit(ResultText(result)));
    } else {
        ctx.deviceConfig = record;
        ctx.deviceConfigRead = true;
        MessageBox::information(this, title,
                                QStringLiteral("Configuration was changed successfully!"));
        done(0);
    }
}

bool DeviceConfig::runAndCarryOver(QWidget *parent)
{
    AppContext &ctx = context();
    const uint8_t encryption = ctx.deviceConfig.forceEncryption;
    const uint8_t closure = ctx.deviceConfig.dataClosure;
    {
        DeviceConfig dialog(parent);
        dialog.exec();
    }
    UartCarryOver::carry(ctx);
    return ctx.deviceConfig.forceEncryption != encryption
           || ctx.deviceConfig.dataClosure != closure;
}
