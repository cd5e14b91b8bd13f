#ifndef GLINTVIEW_APPLICATION_H
#define GLINTVIEW_APPLICATION_H

#include <QString>

class QApplication;
class QMainWindow;

// The start-up and exit sequences around the event loop. The exit sequence
// runs while the application object is still alive: close the device, free
// the buffers, write Config.xml, then destroy the context (and with it the
// recovery dialog, a widget that must not outlive the application object).
class Application
{
public:
    static const char *const kStyleSheet;
    // Shown once at the start after an exit whose Config.xml save failed.
    static const char *const kLastSaveFailedText;
    static constexpr int kLastSaveFailedMs = 30000;

    // configDirectory: where Config.xml lives; empty = the executable's folder.
    explicit Application(QApplication &app, const QString &configDirectory = QString());
    ~Application();

    int run();

    // The steps after the event loop (also run by the destructor if run() was not).
    void shutdown();

private:
    static void showLastSaveFailed(QMainWindow &window);

    QApplication &m_app;
    QString m_configDirectory;
    bool m_shutDown = false;
};

#endif
