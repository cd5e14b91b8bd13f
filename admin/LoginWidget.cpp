#include "admin/LoginWidget.h"

#include "admin/UserIdText.h"
#include "core/AppContext.h"
#include "core/CapturePrompt.h"
#include "core/CaptureService.h"
#include "core/CaptureJudgement.h"
#include "core/FixedText.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

int32_t LoginWidget::loginRole = ZEPH_ROLE_SUPERUSER;
char LoginWidget::lastLoginId[256] = {};

namespace {
const char kPlaceholder[] = "Please capture before logging in";
const int kLeftFrameWidth = 314;

QString roleName(int32_t role)
{
    return role == ZEPH_ROLE_ADMIN ? QStringLiteral("ADMIN") : QStringLiteral("SUPERUSER");
}

QLabel *eyeLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setStyleSheet(QStringLiteral("QLabel { background-color : white; color : black; }"));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    l->setMaximumSize(640, 480);
    // showCaptureResults shows the window title when no image is held.
    l->setWindowTitle(QLatin1String(kPlaceholder));
    l->setText(QLatin1String(kPlaceholder));
    return l;
}
} // namespace

LoginWidget::LoginWidget(QWidget *parent)
    : CCustomWidget(parent), m_mainWindow(parent)
{
    buildForm();
    AppContext &ctx = *AppContext::instance();

    loggedIn = false;
    ctx.openDevice(true);

    m_cbLoginIDs->lineEdit()->setMaxLength(UserIdText::kMaxBytes);
    fillIdList(loginRole);
    m_cbLoginIDs->setEditText(QString::fromLatin1(FixedText::read(lastLoginId)));
    lblIDText->hide();
    lblRoleText->hide();

    // Eye labels share what the left panel leaves of the window.
    const int available = ctx.windowWidth - leftFrame->maximumWidth();
    int w = 640;
    int h = 480;
    if (ctx.deviceInfo.binocular) {
        lblLeftEye->show();
        if (available < 1280) {
            w = ((available - 6) / 2 / 4) * 4;
            h = (w / 4) * 3;
        }
        lblLeftEye->setFixedSize(qMax(0, w), qMax(0, h));
        lblRightEye->setFixedSize(qMax(0, w), qMax(0, h));
    } else {
        lblLeftEye->hide();
        if (available < 640) {
            w = (available / 4) * 4;
            h = (w / 4) * 3;
        }
        lblRightEye->setFixedSize(qMax(0, w), qMax(0, h));
    }

    if (!ctx.loginId) {
        if (CaptureService *service = ctx.captureService())
            service->showCaptureResults(lblLeftEye, lblRightEye, true);
        m_cbLoginIDs->setFocus();
    } else {
        m_rdAdmin->setChecked(loginRole == ZEPH_ROLE_ADMIN);
        m_rdSuperUser->setChecked(loginRole != ZEPH_ROLE_ADMIN);
        showLoggedIn(QString::fromLatin1(FixedText::read(ctx.loginId->id)));
    }
}

void LoginWidget::buildForm()
{
    setObjectName(QStringLiteral("LoginWidget"));
    setWindowTitle(QStringLiteral("Login"));

    leftFrame = new QFrame(this);
    leftFrame->setObjectName(QStringLiteral("leftFrame"));
    leftFrame->setMaximumWidth(kLeftFrameWidth);
    // Both views keep the panel's width, so the eye labels stay in place.
    leftFrame->setMinimumWidth(kLeftFrameWidth);
    leftFrame->setStyleSheet(QStringLiteral(
        "QFrame#leftFrame { border: none; background: qradialgradient(cx:0, cy:0, radius:1.3, "
        "fx:0, fy:0, stop:0 #005588, stop:0.45 white, stop:1 #E5EFF6); }"));

    lblRole = new QLabel(QStringLiteral("Role:"), leftFrame);
    lblRole->setObjectName(QStringLiteral("lblRole"));
    m_rdAdmin = new QRadioButton(QStringLiteral("ADMIN"), leftFrame);
    m_rdAdmin->setObjectName(QStringLiteral("m_rdAdmin"));
    m_rdSuperUser = new QRadioButton(QStringLiteral("SUPERUSER"), leftFrame);
    m_rdSuperUser->setObjectName(QStringLiteral("m_rdSuperUser"));
    lblRoleText = new QLabel(leftFrame);
    lblRoleText->setObjectName(QStringLiteral("lblRoleText"));
    label = new QLabel(QStringLiteral("Enrollee ID:"), leftFrame);
    label->setObjectName(QStringLiteral("label"));
    m_cbLoginIDs = new QComboBox(leftFrame);
    m_cbLoginIDs->setObjectName(QStringLiteral("m_cbLoginIDs"));
    m_cbLoginIDs->setEditable(true);
    m_cbLoginIDs->setInsertPolicy(QComboBox::NoInsert);
    m_cbLoginIDs->setMinimumWidth(200);
    m_cbLoginIDs->setMaximumWidth(215);
    lblIDText = new QLabel(leftFrame);
    lblIDText->setObjectName(QStringLiteral("lblIDText"));
    BtnLogin = new QPushButton(QStringLiteral("Login"), leftFrame);
    BtnLogin->setObjectName(QStringLiteral("BtnLogin"));
    BtnLogin->setDefault(true);
    BtnLogin->setAutoDefault(false);

    m_grid = new QGridLayout(leftFrame);
    m_grid->setContentsMargins(16, 16, 16, 16);
    m_grid->setVerticalSpacing(14);
    m_grid->addWidget(lblRole, 0, 0);
    m_grid->addWidget(m_rdAdmin, 0, 1);
    m_grid->addWidget(m_rdSuperUser, 0, 2);
    m_grid->addWidget(lblRoleText, 0, 1, 1, 2);
    m_grid->addWidget(label, 1, 0);
    m_grid->addWidget(m_cbLoginIDs, 1, 1, 1, 2);
    m_grid->addWidget(lblIDText, 1, 1, 1, 2);
    m_grid->setRowMinimumHeight(2, 10);
    m_grid->addWidget(BtnLogin, 3, 1);
    m_grid->setRowStretch(4, 1);

    lblRightEye = eyeLabel("lblRightEye", this);
    lblLeftEye = eyeLabel("lblLeftEye", this);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // The eye sizes leave 6 pixels between the two labels and no more.
    row->setSpacing(0);
    row->addWidget(leftFrame);
    row->addStretch(1);
    row->addWidget(lblRightEye, 0, Qt::AlignVCenter);
    row->addSpacing(6);
    row->addWidget(lblLeftEye, 0, Qt::AlignVCenter);
    row->addStretch(1);

    connect(BtnLogin, &QPushButton::clicked, this, &LoginWidget::on_BtnLogin_clicked);
    connect(m_rdAdmin, &QRadioButton::clicked, this, &LoginWidget::on_m_rdAdmin_clicked);
    connect(m_rdSuperUser, &QRadioButton::clicked, this, &LoginWidget::on_m_rdSuperUser_clicked);
}

void LoginWidget::fillIdList(int32_t role)
{
    AppContext &ctx = *AppContext::instance();
    loginRole = role;
    m_cbLoginIDs->clearEditText();
    m_cbLoginIDs->clear();

    const char *const *ids = nullptr;
    int32_t count = 0;
    int32_t freeSlots = 0;
    int32_t capacity = 0;
    if (role == ZEPH_ROLE_ADMIN) {
        m_rdAdmin->setChecked(true);
        Zeph_GetAdminGalleryInfo(ctx.deviceHandle, &ids, &count, &freeSlots, &capacity);
    } else if (role == ZEPH_ROLE_SUPERUSER) {
        m_rdSuperUser->setChecked(true);
        Zeph_GetGalleryInfo(ctx.deviceHandle, &ids, &count, &freeSlots, &capacity);
    } else {
        return;
    }
    // A failing query leaves the list empty; the array is the library's and
    // only lives until its next call, so the IDs are copied out now.
    m_cbLoginIDs->addItems(UserIdText::copyList(ids, count));
    m_cbLoginIDs->clearEditText();
}

void LoginWidget::on_m_rdAdmin_clicked()
{
    fillIdList(ZEPH_ROLE_ADMIN);
}

void LoginWidget::on_m_rdSuperUser_clicked()
{
    fillIdList(ZEPH_ROLE_SUPERUSER);
}

void LoginWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        QMetaObject::invokeMethod(this, "on_BtnLogin_clicked", Qt::QueuedConnection);
    // Every key ends here; none goes on to the main window.
    event->accept();
}

void LoginWidget::on_BtnLogin_clicked()
{
    if (AppContext::instance()->deviceHandle == 0) {
        MessageBox::warning(this, QStringLiteral("Error"), QStringLiteral("No device is opened."));
        return;
    }
    if (loggedIn)
        logout();
    else
        login();
}

void LoginWidget::login()
{
    AppContext &ctx = *AppContext::instance();
    const QString title = QStringLiteral("Login");

    if (ctx.lastCapture.lastCaptureResult == ZEPH_ERR_FRAME_NOT_AVAILABLE
        || ctx.lastResult == ZEPH_ERR_NO_QUALIFIED_FRAME) {
        CapturePrompt::askForCapture(this, title, m_mainWindow);
        return;
    }
    const QString text = m_cbLoginIDs->currentText();
    if (text.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("Error"), QStringLiteral("Please input ID."));
        return;
    }
    QByteArray id;
    if (!UserIdText::encode(text, UserIdText::Latin1, &id) || !UserIdText::isAlphanumeric(id)) {
        // A character outside Latin-1 is not alphanumeric either.
        const bool tooLong = text.size() > UserIdText::kMaxBytes;
        MessageBox::warning(this, title,
                            tooLong && UserIdText::isAlphanumeric(text.toLatin1())
                                ? UserIdText::tooLongText()
                                : QStringLiteral("The ID must be alphanumeric characters."));
        return;
    }

    loginRole = m_rdAdmin->isChecked() ? ZEPH_ROLE_ADMIN : ZEPH_ROLE_SUPERUSER;
    FixedText::copy(lastLoginId, id);

    if (!CapturePrompt::judgeCaptureQuality(this, m_mainWindow, PurposeVerification, lblLeftEye,
                                            lblRightEye))
        return;
    if (!CapturePrompt::confirmCaptureAge(this, m_mainWindow))
        return;

    const ZephResult result = Zeph_Login(ctx.deviceHandle, id.constData(), loginRole);
    ctx.lastResult = result;
    if (result == ZEPH_OK) {
        // A capture serves one login only.
        Zeph_ClearCapture(ctx.deviceHandle, ZEPH_CLEAR_ALL);
        ctx.resetCaptureState();
        if (!ctx.loginId)
            ctx.loginId = std::make_unique<LoginSession>();
        FixedText::copy(ctx.loginId->id, id);
        ctx.loginId->role = loginRole;
        showLoggedIn(QString::fromLatin1(id));
        lblLeftEye->clear();
        lblRightEye->clear();
    }
    ctx.showStatus(5000, "%s", ResultText(result));
    if (result == ZEPH_OK) {
        MessageBox::information(this, title, QStringLiteral("Login successful"));
    } else {
        char message[128];
        std::snprintf(message, sizeof message, "<font color=red>%s</font>", ResultText(result));
        MessageBox::warning(this, title, QString::fromLatin1(message));
    }
}

void LoginWidget::logout()
{
    AppContext &ctx = *AppContext::instance();
    const ZephResult result = Zeph_Logout(ctx.deviceHandle);
    ctx.lastResult = result;
    if (result == ZEPH_OK) {
        ctx.loginId.reset();
        showLoggedOut();
        if (CaptureService *service = ctx.captureService())
            service->showCaptureResults(lblLeftEye, lblRightEye, true);
    }
    ctx.showStatus(5000, "%s", ResultText(result));
    if (result == ZEPH_OK)
        MessageBox::information(this, QStringLiteral("Logout"), QStringLiteral("Logout successful"));
    else
        MessageBox::warning(this, QStringLiteral("Logout"),
                            QStringLiteral("Failed to logout. ") + QString::fromLatin1(ResultText(result)));
}

void LoginWidget::showLoggedIn(const QString &id)
{
    loggedIn = true;
    lblIDText->setText(id);
    lblRoleText->setText(roleName(loginRole));
    lblIDText->show();
    lblRoleText->show();
    m_rdAdmin->hide();
    m_rdSuperUser->hide();
    m_cbLoginIDs->hide();
    lblLeftEye->clear();
    lblRightEye->clear();
    placeButton(2);
    BtnLogin->setText(QStringLiteral("Logout"));
}

void LoginWidget::showLoggedOut()
{
    loggedIn = false;
    lblIDText->hide();
    lblRoleText->hide();
    m_rdAdmin->show();
    m_rdSuperUser->show();
    m_cbLoginIDs->show();
    placeButton(1);
    BtnLogin->setText(QStringLiteral("Login"));
}

void LoginWidget::placeButton(int column)
{
    m_grid->removeWidget(BtnLogin);
    m_grid->addWidget(BtnLogin, 3, column);
}
