#include "admin/PowerManagement.h"

#include "admin/AdminTexts.h"
#include "admin/DeviceConfigEdit.h"
#include "core/AppContext.h"
#include "core/KeldWaitingDlg.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char kApplyTitle[] = "Auto Power";
const int kSleepItemFallback = 1; // "Sleep"

AppContext &context()
{
    return *AppContext::instance();
}

QPushButton *button(const char *name, const char *text, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

PowerManagement::PowerManagement(QWidget *parent)
    : CCustomWidget(parent)
{
    AppContext &ctx = context();
    buildForm();
    QMetaObject::connectSlotsByName(this);
    ctx.openDevice(true);

    grbAutoPower->setChecked(false);
    grbAutoPower->setEnabled(false);
    grbManualPower->setEnabled(false);
    chkDeepSleepInterrupt->hide();
    lblNotification->hide();
    if (ctx.deviceHandle == 0)
        return;

    lblNotification->setText(QStringLiteral("The open device does not support power management"));
    grbAutoPower->setEnabled(true);
    cbSleepMode->addItem(QStringLiteral("Standby"), int(ZEPH_SLEEP_STANDBY));
    cbSleepMode->addItem(QStringLiteral("Sleep"), int(ZEPH_SLEEP_SLEEP));
    cbSleepMode->addItem(QStringLiteral("Deep Sleep"), int(ZEPH_SLEEP_DEEP));
    const ZephDeviceConfig &config = ctx.deviceConfig;
    cbSleepMode->setCurrentIndex(
        DeviceConfigEdit::sleepModeIndex(config.sleepMode, kSleepItemFallback));
    edSleepAfter->setValue(DeviceConfigEdit::kDefaultSleepAfter);
    if (config.sleepTimeout != 0) {
        grbAutoPower->setChecked(true);
        edSleepAfter->setValue(config.sleepTimeout);
    }
    // Hidden, but the change test compares it with the record: it must start
    // from the record, or an unchanged screen would count as a change.
    chkDeepSleepInterrupt->setChecked(config.deepSleepInterrupt != 0);
    grbManualPower->setEnabled(true);
    btApply->setEnabled(false);
}

void PowerManagement::buildForm()
{
    setObjectName(QStringLiteral("PowerManagement"));
    setWindowTitle(QStringLiteral("Power Management"));
    const AppContext *ctx = AppContext::instance();
    resize(ctx ? ctx->windowWidth : 1300, ctx ? ctx->windowHeight : 700);

    const QString groupStyle = QStringLiteral("QGroupBox { font-weight: bold; }");

    lblNotification = new QLabel(this);
    lblNotification->setObjectName(QStringLiteral("lblNotification"));
    lblNotification->setStyleSheet(QStringLiteral("color: red"));

    grbAutoPower = new QGroupBox(QStringLiteral("Automatic"), this);
    grbAutoPower->setObjectName(QStringLiteral("grbAutoPower"));
    grbAutoPower->setCheckable(true);
    grbAutoPower->setStyleSheet(groupStyle);
    label = new QLabel(QStringLiteral("Sleep Mode"), grbAutoPower);
    label->setObjectName(QStringLiteral("label"));
    cbSleepMode = new QComboBox(grbAutoPower);
    cbSleepMode->setObjectName(QStringLiteral("cbSleepMode"));
    label_2 = new QLabel(QStringLiteral("Sleep After"), grbAutoPower);
    label_2->setObjectName(QStringLiteral("label_2"));
    edSleepAfter = new QSpinBox(grbAutoPower);
    edSleepAfter->setObjectName(QStringLiteral("edSleepAfter"));
    edSleepAfter->setRange(0, 100000);
    label_3 = new QLabel(QStringLiteral("Secs"), grbAutoPower);
    label_3->setObjectName(QStringLiteral("label_3"));
    chkDeepSleepInterrupt = new QCheckBox(QStringLiteral("Enable deep sleep interrupt"), grbAutoPower);
    chkDeepSleepInterrupt->setObjectName(QStringLiteral("chkDeepSleepInterrupt"));
    btApply = button("btApply", "Apply", grbAutoPower);

    auto *autoGrid = new QGridLayout(grbAutoPower);
    autoGrid->setContentsMargins(18, 22, 18, 16);
    autoGrid->setHorizontalSpacing(12);
    autoGrid->setVerticalSpacing(12);
    autoGrid->addWidget(label, 0, 0);
    autoGrid->addWidget(cbSleepMode, 0, 1, 1, 2);
    autoGrid->addWidget(label_2, 1, 0);
    autoGrid->addWidget(edSleepAfter, 1, 1);
    autoGrid->addWidget(label_3, 1, 2);
    autoGrid->addWidget(chkDeepSleepInterrupt, 2, 0, 1, 3);
    autoGrid->addWidget(btApply, 3, 2, Qt::AlignRight);
    autoGrid->setColumnStretch(1, 1);

    grbManualPower = new QGroupBox(QStringLiteral("Manual"), this);
    grbManualPower->setObjectName(QStringLiteral("grbManualPower"));
    grbManualPower->setStyleSheet(groupStyle);
    btStandby = button("btStandby", "Standby", grbManualPower);
    btSleep = button("btSleep", "Sleep", grbManualPower);
    btDeepSleep = button("btDeepSleep", "Deep Sleep", grbManualPower);
    auto *manualColumn = new QVBoxLayout(grbManualPower);
    manualColumn->setContentsMargins(18, 22, 18, 16);
    manualColumn->setSpacing(12);
    manualColumn->addWidget(btStandby);
    manualColumn->addWidget(btSleep);
    manualColumn->addWidget(btDeepSleep);
    manualColumn->addStretch(1);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(24);
    groups->addWidget(grbAutoPower, 3);
    groups->addWidget(grbManualPower, 2);

    auto *panel = new QVBoxLayout;
    panel->addWidget(lblNotification);
    panel->addLayout(groups);

    auto *outer = new QGridLayout(this);
    outer->addLayout(panel, 1, 1);
    outer->setRowStretch(0, 2);
    outer->setRowStretch(2, 3);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(2, 1);
    outer->setColumnMinimumWidth(1, 560);
}

bool PowerManagement::settingsChanged() const
{
    const ZephDeviceConfig &config = context().deviceConfig;
    const bool automatic = config.sleepTimeout != 0;
    const bool checked = grbAutoPower->isChecked();
    if (automatic != checked)
        return true;
    if (automatic)
        return DeviceConfigEdit::sleepModeValue(cbSleepMode->currentIndex()) != config.sleepMode
               || edSleepAfter->value() != config.sleepTimeout;
    return chkDeepSleepInterrupt->isChecked() != (config.deepSleepInterrupt != 0);
}

void PowerManagement::updateApply()
{
    btApply->setEnabled(settingsChanged());
}

void PowerManagement::on_grbAutoPower_clicked(bool) { updateApply(); }
void PowerManagement::on_edSleepAfter_valueChanged(int) { updateApply(); }
void PowerManagement::on_cbSleepMode_currentIndexChanged(int) { updateApply(); }
void PowerManagement::on_chkDeepSleepInterrupt_stateChanged(int) { updateApply(); }

bool PowerManagement::requireDevice()
{
    if (context().deviceHandle != 0)
        return true;
    MessageBox::warning(this, AdminTexts::noDeviceTitle(), AdminTexts::noDevice());
    return false;
}

void PowerManagement::on_btApply_clicked()
{
    AppContext &ctx = context();
    const QString title = QString::fromLatin1(kApplyTitle);
    if (!requireDevice())
        return;
    if (!ctx.deviceConfigRead) {
        MessageBox::warning(this, title, AdminTexts::configurationNotRead());
        return;
    }

    ZephDeviceConfig record = ctx.deviceConfig;
    uint16_t timeout = 0;
    if (grbAutoPower->isChecked()) {
        const int t = edSleepAfter->value();
        if (!DeviceConfigEdit::sleepTimeoutInRange(t)) {
            MessageBox::warning(this, title,
                                QStringLiteral("The timeout to sleep must be in range [10-65535]"));
            return;
        }
        const uint8_t mode = DeviceConfigEdit::sleepModeValue(cbSleepMode->currentIndex());
        if (mode != 0)
            record.sleepMode = mode;
        if (mode == ZEPH_SLEEP_DEEP
            && !MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Warning"),
                                     AdminTexts::deepSleepQuestion(ctx.sdkConfig.commStd)))
            return;
        timeout = static_cast<uint16_t>(t); // within [10, 65535], checked above
    }
    record.sleepTimeout = timeout;

    const ZephResult result = Zeph_SetDeviceConfig(ctx.deviceHandle, &record);
    ctx.lastResult = result;
    if (result == 0) {
        ctx.deviceConfig = record;
        btApply->setEnabled(false);
    }
    ctx.offerRecovery(result);

    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, AdminTexts::permissionDenied());
    } else if (result != 0) {
        // Apply stays enabled: the record on the device is what it was.
        const QString text = QString::fromLocal8Bit(ResultText(result));
        ctx.showStatus(5000, "%s", ResultText(result));
        MessageBox::warning(this, title,
                            QStringLiteral("Failed to change the automatic sleep settings. ") + text);
    }
}

int PowerManagement::sleepNow(int mode, const QString &message)
{
    AppContext &ctx = context();
    // A USB camera in deep sleep leaves the bus. The operator asked for it
    // and was told so: its removal closes the device without the unplug box.
    const bool leavesTheBus = mode == ZEPH_SLEEP_DEEP && ctx.sdkConfig.commStd == ZEPH_COMM_USB;
    if (leavesTheBus)
        ctx.suppressUnplugNotice = 1;
    ZephResult result = 0;
    {
        KeldWaitingDlg waiting(grbManualPower);
        waiting.run(message, QString(), QString(), false, -1);
        result = Zeph_SleepDevice(ctx.deviceHandle, mode, 0);
        waiting.finish();
    }
    ctx.lastResult = result;
    // The camera stayed: the next removal is a real unplug.
    if (leavesTheBus && result != 0)
        ctx.suppressUnplugNotice = 0;
    ctx.offerRecovery(result);
    if (result != 0)
        ctx.showStatus(5000, "%s", ResultText(result));
    return result;
}

void PowerManagement::on_btStandby_clicked()
{
    if (requireDevice())
        sleepNow(ZEPH_SLEEP_STANDBY, QStringLiteral("Putting device into standby..."));
}

void PowerManagement::on_btSleep_clicked()
{
    if (requireDevice())
        sleepNow(ZEPH_SLEEP_SLEEP, QStringLiteral("Putting device into sleep..."));
}

void PowerManagement::on_btDeepSleep_clicked()
{
    AppContext &ctx = context();
    if (!requireDevice())
        return;
    if (!MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Warning"),
                              AdminTexts::deepSleepQuestion(ctx.sdkConfig.commStd)))
        return;
    if (sleepNow(ZEPH_SLEEP_DEEP, QStringLiteral("Putting device into deep sleep...")) != 0)
        return;
    // Nothing can be commanded until the camera is woken by hardware (and,
    // on USB, opened again).
    grbAutoPower->setChecked(false);
    grbAutoPower->setEnabled(false);
    grbManualPower->setEnabled(false);
}
