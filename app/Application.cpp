#include "app/Application.h"

#include "admin/AutoRecoveryDlg.h"
#include "app/KeldTerminal.h"
#include "capture/CaptureResults.h"
#include "core/AppContext.h"
#include "core/ConfigFile.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <memory>

const char *const Application::kStyleSheet =
    "QToolTip {background-color: #204E80; color: white;border: 0 solid #3a4f6a;}\t\t"
    "QPushButton {\t\t\t\t\t\tmin-height: 25px;\t\t\t\t\tmin-width: 100px;\t\t\t\t\t"
    "color: white;\tborder-radius: 5px;border: none;border-right: 1px solid black;"
    "border-bottom: 1px solid black;background: qradialgradient(cx: 0.3, cy: -0.4,fx: 0.3, "
    "fy: -0.4,radius: 1, stop: 0 #FFFFFF, stop: 0.2 #2C7AB9, stop: 1 #90A8C2);}\t"
    "QPushButton:hover {background: qradialgradient(cx: 0.3, cy: -0.4,fx: 0.3, fy: -0.4,"
    "radius: 1.35, stop: 0 #fff, stop: 1 #2981C5);} QPushButton:pressed {border: none;"
    "background: qradialgradient(cx: 0.3, cy: -0.4,fx: 0.5, fy: -0.4,radius: 0.2, stop: 0 "
    "#B7D8FB, stop: 0.5 #2C7AB9, stop: 1 #B7D8FB);} QPushButton:disabled {border: none;"
    "background: #C0C0C0;}";

const char *const Application::kLastSaveFailedText = "The settings of the last run could not be saved.";

Application::Application(QApplication &app, const QString &configDirectory)
    : m_app(app), m_configDirectory(configDirectory)
{
}

Application::~Application()
{
    shutdown();
}

int Application::run()
{
    m_app.setStyleSheet(QString::fromLatin1(kStyleSheet));

    auto *ctx = new AppContext;
    ctx->installRecoveryOffer(std::make_unique<AutoRecoveryDlg>());
    ctx->installCaptureService(std::make_unique<CaptureResults>(*ctx));
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    ctx->initialize(available, m_configDirectory.isEmpty() ? AppPaths::executableDirectory()
                                                           : m_configDirectory);

    int code = 0;
    {
        auto window = std::make_unique<KeldTerminal>();
        if (ctx->configFile && ctx->configFile->lastSaveFailed())
            showLastSaveFailed(*window);
        window->show();
        code = m_app.exec();
    } // the main window goes first; it tells its last work area to close
    shutdown();
    return code;
}

// Beside the status messages, so that the start-up scan's do not hide it.
void Application::showLastSaveFailed(QMainWindow &window)
{
    auto *note = new QLabel(QString::fromLatin1(kLastSaveFailedText), window.statusBar());
    note->setObjectName(QStringLiteral("lastSaveFailed"));
    window.statusBar()->addPermanentWidget(note);
    QTimer::singleShot(kLastSaveFailedMs, note, &QLabel::hide);
}

void Application::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    AppContext *ctx = AppContext::instance();
    if (!ctx)
        return;
    ctx->closeDevice();
    ctx->releaseBuffers();
    ctx->saveConfig();
    delete ctx;
}
