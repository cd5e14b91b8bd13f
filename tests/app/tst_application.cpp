#include "admin/AutoRecoveryDlg.h"
#include "app/Application.h"
#include "app/KeldTerminal.h"
#include "core/AppContext.h"
#include "core/FixedText.h"
#include "platform/AtomicFile.h"
#include "zeph/virtual_camera.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

// One run of the program with its Config.xml in `dir`: `during` is called
// once the event loop runs, then the program quits. Returns the exit code.
int runOnce(const QString &dir, const std::function<void(AppContext &)> &during)
{
    QTimer::singleShot(0, [&] {
        auto quit = qScopeGuard([] { QCoreApplication::quit(); });
        AppContext *ctx = AppContext::instance();
        QVERIFY(ctx);
        during(*ctx);
    });
    Application app(*qApp, dir);
    return app.run();
}

} // namespace

// The whole start-up and exit sequence, in process, on the virtual camera.
class TestApplication : public QObject
{
    Q_OBJECT
private slots:
    void startsRunsAndExitsInOrder()
    {
        QTemporaryDir dir;
        Zvc_SetTimeScale(0.0);
        Zvc_Reset();
        Zvc_ResetCallCounts();
        QPointer<QDialog> recovery;
        bool sawWindow = false;
        ZephHandle handle = 0;
        QCOMPARE(runOnce(dir.path(),
                         [&](AppContext &ctx) {
                             recovery = dynamic_cast<QDialog *>(ctx.recoveryOffer());
                             for (QWidget *w : QApplication::topLevelWidgets())
                                 sawWindow |= qobject_cast<KeldTerminal *>(w) && w->isVisible();
                             FixedText::copy(ctx.selectedDeviceName, ZVC_DEFAULT_USB_BINOCULAR);
                             QCOMPARE(ctx.openDevice(true), 0);
                             handle = ctx.deviceHandle;
                             ctx.captureMode = 2;
                             ctx.captureSeconds = 12;
                         }),
                 0);
        QVERIFY(sawWindow);
        QVERIFY(handle != 0);
        // Everything the run owned is gone (the Qt application lives on for the next run).
        QVERIFY(!AppContext::instance());
        QVERIFY(recovery.isNull());
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 1);
        int32_t status = 0;
        QCOMPARE(Zeph_GetCaptureStatus(handle, &status), ZEPH_ERR_INVALID_HANDLE);

        // Config.xml was saved at exit and is read at the next start (what it
        // holds, byte by byte, is core/tst_appconfig's).
        int seconds = 0;
        QCOMPARE(runOnce(dir.path(), [&](AppContext &ctx) { seconds = ctx.captureSeconds; }), 0);
        QCOMPARE(seconds, 12);
    }

    // An exit whose save failed is told once, at the next start.
    void failedSaveIsToldAtTheNextStart()
    {
        QTemporaryDir dir;
        const auto noticeShown = [&] {
            QString shown;
            runOnce(dir.path(), [&](AppContext &) {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *window = qobject_cast<KeldTerminal *>(w))
                        if (auto *note = window->statusBar()->findChild<QLabel *>(QStringLiteral("lastSaveFailed")))
                            shown = note->isVisible() ? note->text() : QString();
            });
            return shown;
        };
        QCOMPARE(noticeShown(), QString()); // Config.xml is made at this start
        QVERIFY(AtomicFile::markSaveFailed(QDir(dir.path()).filePath(QStringLiteral("Config.xml"))));
        QCOMPARE(noticeShown(), QString::fromLatin1(Application::kLastSaveFailedText));
        QCOMPARE(noticeShown(), QString());
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
