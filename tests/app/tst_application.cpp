#include "admin/AutoRecoveryDlg.h"
#include "app/AppContext.h"
#include "app/Application.h"
#include "app/FixedText.h"
#include "app/KeldTerminal.h"
#include "zeph/virtual_camera.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

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
        QTimer::singleShot(0, [&] {
            auto quit = qScopeGuard([] { QCoreApplication::quit(); });
            AppContext *ctx = AppContext::instance();
            QVERIFY(ctx);
            recovery = ctx->autoRecoveryDlg;
            for (QWidget *w : QApplication::topLevelWidgets())
                sawWindow |= qobject_cast<KeldTerminal *>(w) && w->isVisible();
            FixedText::copy(ctx->selectedDeviceName, ZVC_DEFAULT_USB_BINOCULAR);
            QCOMPARE(ctx->openDevice(true), 0);
            handle = ctx->deviceHandle;
        });

        int code = -1;
        {
            Application app(*qApp, dir.path());
            code = app.run();
        }
        QCOMPARE(code, 0);
        QVERIFY(sawWindow);
        QVERIFY(handle != 0);
        // Everything the run owned is gone while the application object lives on.
        QVERIFY(!AppContext::instance());
        QVERIFY(recovery.isNull());
        QCOMPARE(Zvc_CallCount("Zeph_CloseDevice"), 1);
        int32_t status = 0;
        QCOMPARE(Zeph_GetCaptureStatus(handle, &status), ZEPH_ERR_INVALID_HANDLE);
        QVERIFY(QCoreApplication::instance());
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
