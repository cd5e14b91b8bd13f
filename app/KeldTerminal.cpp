#include "app/KeldTerminal.h"

#include "app/VersionText.h"
#include "app/WorkAreaFactory.h"
#include "core/About.h"
#include "core/AppContext.h"
#include "core/MessageBox.h"
#include "platform/DeviceNotifier.h"
#include "platform/VirtualCameraPanel.h"

#include <QAction>
#include <QIcon>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

namespace {
const char kToolBarStyle[] =
    "QToolBar {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #D4FFFF, "
    "stop: 0.3 #005588, stop: 1 #204F82)}\n"
    "QToolButton{color:white; font-weight: bold}\n"
    "QToolButton:checked{background: #3E4A59; color:white; }\n"
    "QToolButton:hover{background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFFFFF, "
    "stop: 1 #204F82); color:white}"
    // Qt 6 paints a tool bar whose gradient background keeps the default
    // border solid black; without a border the gradient shows as intended.
    "\nQToolBar {border: none}"
    // One box in every state: a hovered or checked button otherwise takes a
    // frame of its own and the whole bar grows by two pixels.
    "\nQToolButton {border: none; padding: 2px 3px 2px 2px}";
const char kStatusBarStyle[] =
    "background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #D1DAD6, stop: 0.3 #fff, "
    "stop: 1 #cccccc);\nborder-top: 1px solid #1E69AF";
} // namespace

KeldTerminal::KeldTerminal(QWidget *parent)
    : QMainWindow(parent)
{
    AppContext *ctx = AppContext::instance();
    buildForm();
    actionOptions->setVisible(false);

    setMinimumSize(ctx->windowWidth, ctx->windowHeight + 50);
    setMaximumSize(ctx->windowWidth, ctx->windowHeight + 50);

    struct Button {
        const char *text;
        void (KeldTerminal::*slot)();
        QAction **action;
    };
    const Button buttons[] = {
        {"Setting", &KeldTerminal::OnActionZephSetting, &m_actSetting},
        {"Capture", &KeldTerminal::OnActionCapture, &m_actCapture},
        {"Matching", &KeldTerminal::OnActionEnroll, &m_actMatching},
        {"Login", &KeldTerminal::OnActionLogin, &m_actLogin},
        {"Power Management", &KeldTerminal::OnActionPowerMgt, &m_actPowerMgt},
        {"System Management", &KeldTerminal::OnActionSysManagement, &m_actSysManagement},
        {"Recovery", &KeldTerminal::OnActionRecovery, &m_actRecovery},
        {"About", &KeldTerminal::OnActionAbout, &m_actAbout},
    };
    for (const Button &b : buttons) {
        QAction *a = mainToolBar->addAction(QString::fromLatin1(b.text));
        connect(a, &QAction::triggered, this, b.slot);
        *b.action = a;
        if (b.action != &m_actAbout)
            a->setCheckable(true);
    }
    if (QWidget *aboutButton = mainToolBar->widgetForAction(m_actAbout))
        aboutButton->setStyleSheet(QStringLiteral("color: #FFFFFF;font-weight: bold"));

    menuBar()->setStyleSheet(QStringLiteral(
        "QMenuBar {background-image: url(:/resource/image/banner_bino.png); height: 40 px;}"));
    menuBar()->setFixedHeight(40);

    setWindowTitle(QStringLiteral("Glintview"));
    ctx->statusBar = m_statusBar;

    switchWorkArea(WorkAreaSetting);
    if (QWidget *w = centralWidget())
        QMetaObject::invokeMethod(w, "On_BtScanDev_Clicked", Qt::QueuedConnection);

    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);

    m_notifier = new DeviceNotifier(this);
    connect(m_notifier, &DeviceNotifier::deviceChanged, this, &KeldTerminal::onDeviceChanged);

    auto *bench = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")), this);
    connect(bench, &QShortcut::activated, this, &KeldTerminal::showVirtualCameraPanel);
}

void KeldTerminal::showVirtualCameraPanel()
{
    if (!m_cameraPanel)
        m_cameraPanel = new VirtualCameraPanel(this);
    m_cameraPanel->show();
    m_cameraPanel->raise();
}

KeldTerminal::~KeldTerminal()
{
    delete m_notifier;
    m_notifier = nullptr;
    emit CloseCurrentWidget();
}

void KeldTerminal::buildForm()
{
    setObjectName(QStringLiteral("KeldTerminal"));
    setWindowTitle(QStringLiteral("Glintview"));
    setWindowIcon(QIcon(QStringLiteral(":/resource/icon/corvane.ico")));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    auto mirror = [this](const char *name, const char *text) {
        auto *a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        return a;
    };
    actionCapture = mirror("actionCapture", "&Capture");
    actionMatching = mirror("actionMatching", "&Matching");
    actionOptions = mirror("actionOptions", "&Gallery");
    actionAbout = mirror("actionAbout", "Abou&t");
    actionZeph_Setting = mirror("actionZeph_Setting", "&Setting");
    actionSystem_Management = mirror("actionSystem_Management", "S&ystem Management");
    action_Login = mirror("action_Login", "&Login");
    actionSys_tem_management = mirror("actionSys_tem_management", "Sys&tem management");
    actionRecovery = mirror("actionRecovery", "Recovery");

    menuBar()->setObjectName(QStringLiteral("menuBar"));

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setFixedHeight(20);
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setStyleSheet(QString::fromLatin1(kStatusBarStyle));
    setStatusBar(m_statusBar);

    mainToolBar = new QToolBar(this);
    mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    mainToolBar->setMovable(false);
    mainToolBar->setFloatable(false);
    mainToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    mainToolBar->setStyleSheet(QString::fromLatin1(kToolBarStyle));
    addToolBar(Qt::TopToolBarArea, mainToolBar);
}

QAction *KeldTerminal::toolAction(int index) const
{
    switch (index) {
    case WorkAreaSetting: return m_actSetting;
    case WorkAreaCapture: return m_actCapture;
    case WorkAreaMatching: return m_actMatching;
    case WorkAreaSysManagement: return m_actSysManagement;
    case WorkAreaLogin: return m_actLogin;
    case WorkAreaRecovery: return m_actRecovery;
    case WorkAreaPowerManagement: return m_actPowerMgt;
    default: return nullptr;
    }
}

QAction *KeldTerminal::mirrorAction(const char *name) const
{
    return findChild<QAction *>(QString::fromLatin1(name));
}

void KeldTerminal::updateActionChecks(int index)
{
    for (QAction *a : {m_actSetting, m_actCapture, m_actMatching, m_actSysManagement, m_actLogin,
                       m_actRecovery, m_actPowerMgt})
        a->setChecked(false);
    for (QAction *a : {actionCapture, actionMatching, actionOptions, actionAbout,
                       actionZeph_Setting, actionSystem_Management, action_Login,
                       actionSys_tem_management, actionRecovery})
        a->setChecked(false);

    QAction *mirror = nullptr;
    switch (index) {
    case WorkAreaSetting: mirror = actionZeph_Setting; break;
    case WorkAreaCapture: mirror = actionCapture; break;
    case WorkAreaSysManagement: mirror = actionSys_tem_management; break;
    case WorkAreaLogin: mirror = action_Login; break;
    case WorkAreaRecovery: mirror = actionRecovery; break;
    default: break;
    }
    if (QAction *a = toolAction(index))
        a->setChecked(true);
    if (mirror)
        mirror->setChecked(true);
}

void KeldTerminal::switchWorkArea(int index)
{
    AppContext *ctx = AppContext::instance();
    updateActionChecks(index);
    if (index == ctx->currentWorkArea)
        return;

    emit CloseCurrentWidget();
    if (index > 10 || (index >= 6 && index <= 9) || index < 0)
        return;

    QWidget *w = WorkAreaFactory::create(index, this);
    if (!w)
        return;
    if (index == WorkAreaSetting || index == WorkAreaCapture)
        connect(this, SIGNAL(CloseCurrentWidget()), w, SLOT(WidgetClosed()));
    // The old work area goes now, not at the next event-loop turn: its
    // destructor may still act (the setting work area applies the SDK
    // settings there) and must do so before anyone uses the new one.
    delete takeCentralWidget();
    setCentralWidget(w);
    resize(w->frameGeometry().width(), w->frameGeometry().height() + 62);
    ctx->currentWorkArea = index;
}

void KeldTerminal::OnActionZephSetting() { switchWorkArea(WorkAreaSetting); }
void KeldTerminal::OnActionCapture() { switchWorkArea(WorkAreaCapture); }

void KeldTerminal::OnActionAutoCapture()
{
    OnActionCapture();
    if (QWidget *w = centralWidget())
        QMetaObject::invokeMethod(w, "On_BtStart_Clicked", Qt::QueuedConnection);
}

void KeldTerminal::OnActionEnroll() { switchWorkArea(WorkAreaMatching); }
void KeldTerminal::OnActionSysManagement() { switchWorkArea(WorkAreaSysManagement); }
void KeldTerminal::OnActionLogin() { switchWorkArea(WorkAreaLogin); }
void KeldTerminal::OnActionPowerMgt() { switchWorkArea(WorkAreaPowerManagement); }

void KeldTerminal::OnActionRecovery()
{
    if (AppContext::instance()->sdkConfig.commStd == ZEPH_COMM_UART) {
        m_actRecovery->setChecked(false);
        actionRecovery->setChecked(false);
        MessageBox::information(this, QStringLiteral("Unsuported function"),
                                QStringLiteral("The recovery function is not supported in UART mode."));
        return;
    }
    switchWorkArea(WorkAreaRecovery);
}

void KeldTerminal::OnActionAbout()
{
    About about(this);
    about.setText(VersionText::aboutText(QByteArray(AppContext::instance()->sdkDescription)));
    about.exec();
}

void KeldTerminal::onDeviceChanged(int eventType, const QString &)
{
    handleDeviceChange(eventType);
}

bool KeldTerminal::handleDeviceChange(int eventType)
{
    AppContext *ctx = AppContext::instance();
    if (eventType == DeviceNotifier::Arrival)
        return true;
    if (eventType != DeviceNotifier::RemovalComplete)
        return false;

    // A removal that a running recovery caused belongs to the recovery: the
    // worker re-opens the device itself and is the only one to touch the
    // handle, so it is not even read here meanwhile.
    if (ctx->isRecoveryRunning()) {
        ctx->suppressUnplugNotice = 0;
        return true;
    }

    if (ctx->deviceHandle == 0)
        return true;

    int32_t status = 0;
    if (Zeph_GetCaptureStatus(ctx->deviceHandle, &status) == 0)
        return true; // our device still answers: someone else's left

    ctx->closeDevice();
    ctx->resetCaptureState();
    if (ctx->suppressUnplugNotice == 0)
        MessageBox::warning(this, QStringLiteral("Notification"),
                            QStringLiteral("The device was unplugged."));
    else
        ctx->suppressUnplugNotice = 0;
    return true;
}

void KeldTerminal::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(QStringLiteral("#E1EAF6")));
}
