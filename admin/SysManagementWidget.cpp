#include "admin/SysManagementWidget.h"

#include "admin/AdminTexts.h"
#include "admin/DeviceConfig.h"
#include "admin/UserIdText.h"
#include "core/AppContext.h"
#include "core/CaptureJudgement.h"
#include "core/CapturePrompt.h"
#include "core/CaptureService.h"
#include "core/FixedText.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {
const char kPlaceholder[] = "Please capture before enrolling";
const char kButtonStyle[] = "QPushButton {\t\n\t\t\t\t\tmin-height: 25px;\n\t\t\t\t\tmin-width: 100px;\n}";
const char kPanelStyle[] =
    "QGroupBox#%1 { border: none; border-top-left-radius: 6px; border-top-right-radius: 6px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #005588, stop:%2 white,"
    " stop:1 #E5EFF6); margin-top: 0px; padding-top: 22px; font-weight: bold; }"
    " QGroupBox#%1::title { color: white; subcontrol-origin: padding; left: 10px; top: 4px; }";

// The gradient turns white at a tenth of the panel's height; a short panel
// keeps at least this much blue so that its white title stays readable.
constexpr int kTitleBand = 30;

QString panelStyle(const QGroupBox *panel)
{
    const double stop = qMax(0.1, double(kTitleBand) / qMax(1, panel->height()));
    return QString::fromLatin1(kPanelStyle).arg(panel->objectName(), QString::number(qMin(stop, 1.0), 'f', 3));
}

QLabel *eyeLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setStyleSheet(QStringLiteral("QLabel { background-color : white; color : black; }"));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    l->setWindowTitle(QLatin1String(kPlaceholder));
    l->setText(QLatin1String(kPlaceholder));
    return l;
}

QPushButton *button(const char *name, const char *text, QWidget *parent)
{
    auto *b = new QPushButton(QLatin1String(text), parent);
    b->setObjectName(QLatin1String(name));
    b->setStyleSheet(QLatin1String(kButtonStyle));
    return b;
}

QGroupBox *group(const char *name, const char *title, QWidget *parent)
{
    auto *g = new QGroupBox(QLatin1String(title), parent);
    g->setObjectName(QLatin1String(name));
    return g;
}

void showResultFor(AppContext &ctx, const char *text)
{
    ctx.showStatus(5000, "%s", text);
}
} // namespace

QString SysManagementWidget::adminPermissionText()
{
    return AdminTexts::permissionDenied();
}

QString SysManagementWidget::superUserPermissionText()
{
    return QStringLiteral("Permission denied. You must login as SuperUser to do this function.");
}

SysManagementWidget::SysManagementWidget(QWidget *parent)
    : CCustomWidget(parent), m_mainWindow(parent)
{
    buildForm();
    AppContext &ctx = *AppContext::instance();
    ctx.openDevice(true);

    int w = 0;
    if (ctx.deviceInfo.binocular) {
        lblLeftEye->show();
        w = ((ctx.windowWidth - 520) / 2 / 4) * 4;
    } else {
        lblLeftEye->hide();
        w = qMin(ctx.windowWidth - 500, 640);
        w = (w / 4) * 4;
    }
    w = qMax(0, w);
    const int h = (w / 4) * 3;
    lblLeftEye->setFixedSize(w, h);
    lblRightEye->setFixedSize(w, h);

    // Runs once the main window has finished installing this work area. A
    // queued call dies with its receiver, so a work area destroyed at once
    // is never reached.
    QMetaObject::invokeMethod(this, "InitControl", Qt::QueuedConnection);
}

bool SysManagementWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        auto *panel = static_cast<QGroupBox *>(watched);
        const QString style = panelStyle(panel);
        if (style != panel->styleSheet())
            panel->setStyleSheet(style);
    }
    return CCustomWidget::eventFilter(watched, event);
}

void SysManagementWidget::buildForm()
{
    setObjectName(QStringLiteral("SysManagementWidget"));
    setWindowTitle(QStringLiteral("System Management"));

    groupBox = group("groupBox", "Administrator", this);
    groupBox->setStyleSheet(panelStyle(groupBox));
    groupBox->installEventFilter(this);

    groupBox_7 = group("groupBox_7", "Enroll", groupBox);
    label = new QLabel(QStringLiteral("Administrator ID:"), groupBox_7);
    label->setObjectName(QStringLiteral("label"));
    cbAdminIDs = new QComboBox(groupBox_7);
    cbAdminIDs->setObjectName(QStringLiteral("cbAdminIDs"));
    cbAdminIDs->setEditable(true);
    cbAdminIDs->setInsertPolicy(QComboBox::NoInsert);
    cbAdminIDs->setMinimumWidth(200);
    m_btnEnrollAdmin = button("m_btnEnrollAdmin", "Enroll Admin", groupBox_7);
    BtnUnenrollAdmin = button("BtnUnenrollAdmin", "Unenroll Admin", groupBox_7);
    auto *enrollGrid = new QGridLayout(groupBox_7);
    enrollGrid->addWidget(label, 0, 0);
    enrollGrid->addWidget(cbAdminIDs, 0, 1, 1, 2);
    enrollGrid->addWidget(m_btnEnrollAdmin, 1, 1);
    enrollGrid->addWidget(BtnUnenrollAdmin, 1, 2);

    groupBox_2 = group("groupBox_2", "Device", groupBox);
    m_btnSetDevConfig = button("m_btnSetDevConfig", "Configuration", groupBox_2);
    BtnLockDevice = button("BtnLockDevice", "Lock", groupBox_2);
    BtnUnlockDevice = button("BtnUnlockDevice", "Unlock", groupBox_2);
    auto *deviceRow = new QHBoxLayout(groupBox_2);
    deviceRow->addWidget(m_btnSetDevConfig);
    deviceRow->addWidget(BtnLockDevice);
    deviceRow->addWidget(BtnUnlockDevice);

    // Visible but never usable: the camera offers no certificate reset here.
    groupBox_3 = group("groupBox_3", "Certificate", groupBox);
    m_chkDeleteCusCerts = new QCheckBox(QStringLiteral("Delete customer certificate"), groupBox_3);
    m_chkDeleteCusCerts->setObjectName(QStringLiteral("m_chkDeleteCusCerts"));
    m_chkRegenCamKeys = new QCheckBox(QStringLiteral("Re-generate camera keys-pair"), groupBox_3);
    m_chkRegenCamKeys->setObjectName(QStringLiteral("m_chkRegenCamKeys"));
    BtnResetCerts = button("BtnResetCerts", "Reset", groupBox_3);
    auto *certGrid = new QGridLayout(groupBox_3);
    certGrid->addWidget(m_chkDeleteCusCerts, 0, 0);
    certGrid->addWidget(m_chkRegenCamKeys, 1, 0);
    certGrid->addWidget(BtnResetCerts, 1, 1);
    groupBox_3->setEnabled(false);

    auto *adminColumn = new QVBoxLayout(groupBox);
    adminColumn->addWidget(groupBox_7);
    adminColumn->addWidget(groupBox_2);
    adminColumn->addWidget(groupBox_3);

    superUserGroup = group("superUserGroup", "Super User", this);
    superUserGroup->setStyleSheet(panelStyle(superUserGroup));
    superUserGroup->installEventFilter(this);
    groupBox_5 = group("groupBox_5", "User role", superUserGroup);
    label_2 = new QLabel(QStringLiteral("Enrollee ID:"), groupBox_5);
    label_2->setObjectName(QStringLiteral("label_2"));
    m_cbUserIDs = new QComboBox(groupBox_5);
    m_cbUserIDs->setObjectName(QStringLiteral("m_cbUserIDs"));
    m_cbUserIDs->setEditable(true);
    m_cbUserIDs->setInsertPolicy(QComboBox::NoInsert);
    m_cbUserIDs->setMinimumWidth(200);
    label_3 = new QLabel(QStringLiteral("Role:"), groupBox_5);
    label_3->setObjectName(QStringLiteral("label_3"));
    m_rdSuperUser = new QRadioButton(QStringLiteral("SUPERUSER"), groupBox_5);
    m_rdSuperUser->setObjectName(QStringLiteral("m_rdSuperUser"));
    m_rdUser = new QRadioButton(QStringLiteral("USER"), groupBox_5);
    m_rdUser->setObjectName(QStringLiteral("m_rdUser"));
    BtnSetRole = button("BtnSetRole", "Set Role", groupBox_5);
    auto *roleGrid = new QGridLayout(groupBox_5);
    roleGrid->addWidget(label_2, 0, 0);
    roleGrid->addWidget(m_cbUserIDs, 0, 1, 1, 2);
    roleGrid->addWidget(label_3, 1, 0);
    roleGrid->addWidget(m_rdSuperUser, 1, 1);
    roleGrid->addWidget(m_rdUser, 1, 2);
    roleGrid->addWidget(BtnSetRole, 2, 2);
    auto *superColumn = new QVBoxLayout(superUserGroup);
    superColumn->addWidget(groupBox_5);

    lblRightEye = eyeLabel("lblRightEye", this);
    lblLeftEye = eyeLabel("lblLeftEye", this);

    auto *left = new QVBoxLayout;
    left->setSpacing(12);
    left->addWidget(groupBox);
    left->addWidget(superUserGroup);
    left->addStretch(1);

    auto *eyes = new QHBoxLayout;
    eyes->setSpacing(6);
    eyes->addWidget(lblRightEye, 0, Qt::AlignTop);
    eyes->addWidget(lblLeftEye, 0, Qt::AlignTop);
    eyes->addStretch(1);

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(10);
    outer->addLayout(left);
    outer->addLayout(eyes, 1);

    connect(m_btnEnrollAdmin, &QPushButton::clicked, this, &SysManagementWidget::OnEnrollAdmin);
    connect(m_btnSetDevConfig, &QPushButton::clicked, this, &SysManagementWidget::OnSetDeviceConfig);
    connect(BtnUnenrollAdmin, &QPushButton::clicked, this,
            &SysManagementWidget::on_BtnUnenrollAdmin_clicked);
    connect(BtnResetCerts, &QPushButton::clicked, this, &SysManagementWidget::on_BtnResetCerts_clicked);
    connect(BtnLockDevice, &QPushButton::clicked, this, &SysManagementWidget::on_BtnLockDevice_clicked);
    connect(BtnUnlockDevice, &QPushButton::clicked, this,
            &SysManagementWidget::on_BtnUnlockDevice_clicked);
    connect(BtnSetRole, &QPushButton::clicked, this, &SysManagementWidget::on_BtnSetRole_clicked);
}

void SysManagementWidget::InitControl()
{
    AppContext &ctx = *AppContext::instance();
    cbAdminIDs->clear();
    m_cbUserIDs->clear();
    cbAdminIDs->lineEdit()->setMaxLength(UserIdText::kMaxBytes);
    m_cbUserIDs->lineEdit()->setMaxLength(UserIdText::kMaxBytes);

    if (ctx.deviceHandle != 0) {
        ctx.showStatus(5000, "Loading administrator IDs...");
        const char *const *ids = nullptr;
        int32_t count = 0;
        int32_t freeSlots = 0;
        int32_t capacity = 0;
        const ZephResult result =
            Zeph_GetAdminGalleryInfo(ctx.deviceHandle, &ids, &count, &freeSlots, &capacity);
        if (result != ZEPH_OK)
            ctx.showStatus(5000, "%s", ResultText(result));
        else
            cbAdminIDs->addItems(UserIdText::copyList(ids, count));
    }
    if (CaptureService *service = ctx.captureService())
        service->showCaptureResults(lblLeftEye, lblRightEye, false);

    // Loads the gallery when the camera has not yet; copies, bounded.
    for (const QByteArray &id : ctx.enrolleeIdList())
        m_cbUserIDs->addItem(QString::fromLocal8Bit(id));
    cbAdminIDs->clearEditText();
    m_cbUserIDs->clearEditText();
    m_rdSuperUser->setChecked(true);
}

bool SysManagementWidget::deviceOpen()
{
    if (AppContext::instance()->deviceHandle != 0)
        return true;
    MessageBox::warning(this, QStringLiteral("Error"), QStringLiteral("No device is opened."));
    return false;
}

bool SysManagementWidget::takeId(QComboBox *box, const QString &title, const QString &emptyTitle,
                                 QByteArray *id)
{
    const QString text = box->currentText();
    if (text.isEmpty()) {
        MessageBox::warning(this, emptyTitle, QStringLiteral("Please input ID."));
        return false;
    }
    // The camera's field holds 31 bytes; a longer ID must not be cut into
    // someone else's.
    if (!UserIdText::encode(text, UserIdText::Local8Bit, id)) {
        MessageBox::warning(this, title, UserIdText::tooLongText());
        return false;
    }
    return true;
}

void SysManagementWidget::refetchCapture()
{
    AppContext &ctx = *AppContext::instance();
    if (CaptureService *service = ctx.captureService()) {
        service->fetchCaptureResults(ctx.isoRevision, nullptr);
        service->showCaptureResults(lblLeftEye, lblRightEye, false);
    }
}

void SysManagementWidget::OnEnrollAdmin()
{
    AppContext &ctx = *AppContext::instance();
    const QString title = QStringLiteral("Administrator Enrollment");
    if (!deviceOpen())
        return;
    if (cbAdminIDs->currentText().isEmpty()) {
        MessageBox::warning(this, QStringLiteral("Error"), QStringLiteral("Please input ID."));
        return;
    }
    const ZephResult s = ctx.lastCapture.lastCaptureResult;
    if (s == ZEPH_ERR_FRAME_NOT_AVAILABLE || ctx.lastResult == ZEPH_ERR_NO_QUALIFIED_FRAME) {
        CapturePrompt::askForCapture(this, QStringLiteral("Administrator enrollment"), m_mainWindow);
        return;
    }
    if (s == ZEPH_ERR_NO_QUALIFIED_LEFT || s == ZEPH_ERR_NO_QUALIFIED_RIGHT) {
        if (!MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Confirmation"),
                                  QStringLiteral("You should capture both irises for enrollment. Do you "
                                                 "want to continue with one iris missing?")))
            return;
    } else if (s != ZEPH_OK) {
        MessageBox::warning(this, QStringLiteral("Administrator enrollment"),
                            QStringLiteral("Failed to enroll Administrator. ")
                                + QString::fromLatin1(ResultText(s)));
        showResultFor(ctx, ResultText(s));
        return;
    }
    QByteArray id;
    if (!takeId(cbAdminIDs, title, QStringLiteral("Error"), &id))
        return;
    if (!CapturePrompt::judgeCaptureQuality(this, m_mainWindow, PurposeEnrollment, lblLeftEye,
                                            lblRightEye))
        return;
    if (!CapturePrompt::confirmCaptureAge(this, m_mainWindow))
        return;

    const ZephResult result = Zeph_EnrollAsAdmin(ctx.deviceHandle, id.constData());
    ctx.lastResult = result;
    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, adminPermissionText());
        return;
    }
    if (result != ZEPH_OK) {
        MessageBox::warning(this, title,
                            QStringLiteral("Failed to enroll Administrator. ")
                                + QString::fromLatin1(ResultText(result)));
        showResultFor(ctx, ResultText(result));
        return;
    }
    // The capture is consumed by the enrolment.
    Zeph_ClearCapture(ctx.deviceHandle, ZEPH_CLEAR_ALL);
    ctx.resetCaptureState();
    lblLeftEye->clear();
    lblRightEye->clear();
    const QString done = QStringLiteral("Enroll as administrator successfully!");
    MessageBox::information(this, title, done);
    const QString shown = QString::fromLocal8Bit(id);
    if (cbAdminIDs->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        cbAdminIDs->insertItem(0, shown);
    showResultFor(ctx, "Enroll as administrator successfully!");
}

void SysManagementWidget::on_BtnUnenrollAdmin_clicked()
{
    AppContext &ctx = *AppContext::instance();
    const QString title = QStringLiteral("Administrator Unenrollment");
    if (!deviceOpen())
        return;
    QByteArray id;
    if (!takeId(cbAdminIDs, title, QStringLiteral("Error"), &id))
        return;
    char question[128];
    std::snprintf(question, sizeof question,
                  "Are you sure to unenroll the administrator with ID '%s' from system?", id.constData());
    if (!MessageBox::question(this, QMessageBox::Warning, title, QString::fromLocal8Bit(question),
                              QStringLiteral("No")))
        return;

    ZephResult result = Zeph_UnenrollAdmin(ctx.deviceHandle, id.constData());
    ctx.lastResult = result;
    if (result == ZEPH_OK && ctx.loginId && ctx.loginId->role == ZEPH_ROLE_ADMIN
        && FixedText::read(ctx.loginId->id) == id) {
        // The administrator logged in is gone: so is the session.
        ctx.loginId.reset();
        result = Zeph_Logout(ctx.deviceHandle);
        ctx.lastResult = result;
    }
    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, adminPermissionText());
        return;
    }
    if (result != ZEPH_OK) {
        MessageBox::warning(this, title,
                            QStringLiteral("Failed to unenroll administrator. ")
                                + QString::fromLatin1(ResultText(result)));
        showResultFor(ctx, ResultText(result));
        return;
    }
    // The entry that holds this ID, whatever item happens to be current.
    const int index =
        cbAdminIDs->findText(QString::fromLocal8Bit(id), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        cbAdminIDs->removeItem(index);
    MessageBox::information(this, title, QStringLiteral("Unenroll administrator successfully!"));
    showResultFor(ctx, "Unenroll administrator successfully!");
}

void SysManagementWidget::OnSetDeviceConfig()
{
    if (!deviceOpen())
        return;
    // The dialog carries changed UART settings over to the host itself.
    if (DeviceConfig::runAndCarryOver(this)) {
        AppContext &ctx = *AppContext::instance();
        if (ctx.pendingCommStd == 2) {
            ctx.resultFormat = 10;
            ctx.j2kQuality = 3;
        }
        refetchCapture();
    }
}

void SysManagementWidget::on_BtnResetCerts_clicked()
{
    // Its group is disabled for good; nothing to do.
}

void SysManagementWidget::on_BtnLockDevice_clicked()
{
    lockOrUnlock(true);
}

void SysManagementWidget::on_BtnUnlockDevice_clicked()
{
    lockOrUnlock(false);
}

void SysManagementWidget::lockOrUnlock(bool lock)
{
    AppContext &ctx = *AppContext::instance();
    const QString title = lock ? QStringLiteral("Lock device") : QStringLiteral("Unlock device");
    if (!deviceOpen())
        return;
    const ZephResult result =
        lock ? Zeph_LockDevice(ctx.deviceHandle) : Zeph_UnlockDevice(ctx.deviceHandle);
    ctx.lastResult = result;
    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, adminPermissionText());
        return;
    }
    if (result != ZEPH_OK) {
        MessageBox::warning(this, title,
                            (lock ? QStringLiteral("Failed to lock device. ")
                                  : QStringLiteral("Failed to unlock device. "))
                                + QString::fromLatin1(ResultText(result)));
        return;
    }
    const char *done = lock ? "Device is locked successfully!" : "Device is unlocked successfully!";
    MessageBox::information(this, title, QString::fromLatin1(done));
    showResultFor(ctx, done);
    if (!lock && ctx.pendingCommStd == 2) {
        ctx.resultFormat = 10;
        ctx.j2kQuality = 3;
    }
    // What the camera releases of the last capture has changed.
    refetchCapture();
    QMetaObject::invokeMethod(this, "InitControl", Qt::QueuedConnection);
}

void SysManagementWidget::on_BtnSetRole_clicked()
{
    AppContext &ctx = *AppContext::instance();
    const QString title = QStringLiteral("Set role");
    if (!deviceOpen())
        return;
    QByteArray id;
    if (!takeId(m_cbUserIDs, title, title, &id))
        return;
    const int32_t role = m_rdSuperUser->isChecked() ? ZEPH_ROLE_SUPERUSER : ZEPH_ROLE_USER;
    ZephResult result = Zeph_SetUserRole(ctx.deviceHandle, id.constData(), role);
    ctx.lastResult = result;
    if (result == ZEPH_OK) {
        ctx.showStatus(5000, "Committing gallery...");
        result = Zeph_CommitGallery(ctx.deviceHandle);
        ctx.lastResult = result;
        if (result == ZEPH_OK && role == ZEPH_ROLE_USER && ctx.loginId
            && ctx.loginId->role == ZEPH_ROLE_SUPERUSER && FixedText::read(ctx.loginId->id) == id) {
            // The super user logged in demoted himself.
            ctx.loginId.reset();
            result = Zeph_Logout(ctx.deviceHandle);
            ctx.lastResult = result;
            ctx.offerRecovery(result);
        }
    }
    if (result == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, superUserPermissionText());
    } else if (result == ZEPH_ERR_FRAME_NOT_AVAILABLE || result == ZEPH_ERR_NO_QUALIFIED_FRAME) {
        CapturePrompt::askForCapture(this, title, m_mainWindow);
    } else if (result != ZEPH_OK) {
        MessageBox::warning(this, title,
                            QStringLiteral("Failed to set role. ") + QString::fromLatin1(ResultText(result)));
    } else {
        MessageBox::information(this, title, QStringLiteral("Set role successfully!"));
        showResultFor(ctx, "Set role successfully!");
    }
}
