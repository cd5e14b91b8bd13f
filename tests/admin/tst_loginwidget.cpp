// The login work area in the main window on the virtual camera: what it
// refuses before asking the camera, the capture it needs, the two views and
// the session record. Results the camera's security would give are injected
// where they are not what is under test; the real ones are in tst_security.

#include "support/AdminScreen.h"
#include "admin/LoginWidget.h"
#include "core/ResultText.h"

#include <cstring>

namespace {
const QString kLogin = QStringLiteral("Login");
const QString kPrompt = QStringLiteral("Please capture your iris image first.");
const QString kAlnum = QStringLiteral("The ID must be alphanumeric characters.");

// Login (or Logout) pressed and answered; no other box may come.
void pressLogin(AdminScreen &s, const QString &title, const QString &answer, const QString &text = {})
{
    s.boxes.expect(title, answer, text);
    s.click("BtnLogin");
    SCRIPT_DONE(s);
}

struct Early {
    int presentation; // of the capture held, -1: none
    int ageMs;
    QString id;
    QString title, answer, text; // of the one box, empty text: any
    int logins;                  // calls that reach the camera
    QByteArray kept;             // the ID stored for the next visit
};
} // namespace

Q_DECLARE_METATYPE(Early)

class TestLoginWidget : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        LoginWidget::loginRole = ZEPH_ROLE_SUPERUSER;
        std::memset(LoginWidget::lastLoginId, 0, sizeof LoginWidget::lastLoginId);
    }

    // Without a device Login answers so and asks the camera nothing.
    void noDeviceGuardsLogin()
    {
        AdminScreen s(false);
        s.show(WorkAreaLogin);
        pressLogin(s, QStringLiteral("Error"), QStringLiteral("OK"), kNoDeviceOpened);
        QCOMPARE(Zvc_CallCount("Zeph_Login"), 0);
    }

    // What is settled before the camera is asked, in this order: a capture
    // is held (the prompt comes before any test of the ID, "Capture" sends
    // the operator to capture), the ID is one the camera may see, the
    // capture is good enough, and young enough or taken as it is (the age
    // question's other answers are tst_capturejudgement's).
    void beforeTheCamera_data()
    {
        QTest::addColumn<Early>("e");
        const int sharp = ZVC_EYE_SHARP, none = -1;
        QTest::newRow("no capture, bad id") << Early{none, 0, "a b", kLogin, "Cancel", kPrompt, 0, ""};
        QTest::newRow("no capture, capture") << Early{none, 0, "A1", kLogin, "Capture", kPrompt, 0, ""};
        QTest::newRow("empty id") << Early{sharp, 0, "", "Error", "OK", "Please input ID.", 0, ""};
        QTest::newRow("underscore") << Early{sharp, 0, "ab_1", kLogin, "OK", kAlnum, 0, ""};
        QTest::newRow("not latin-1") << Early{sharp, 0, QStringLiteral("A\u4e2d"), kLogin, "OK", kAlnum, 0, ""};
        QTest::newRow("half closed")
            << Early{ZVC_EYE_HALF_CLOSED, 0, "A1", "Verification Rejected", "Cancel", "", 0, "A1"};
        QTest::newRow("31 s old, proceed")
            << Early{sharp, 31000, "A1", "Confirmation", "Proceed Anyway", "", 1, "A1"};
    }

    void beforeTheCamera()
    {
        QFETCH(Early, e);
        AdminScreen s;
        if (e.presentation >= 0)
            s.capture(7, e.presentation);
        s.clock.advance(e.ageMs);
        s.show(WorkAreaLogin);
        s.setText("m_cbLoginIDs", e.id);
        s.boxes.expect(e.title, e.answer, e.text);
        if (e.logins)
            s.boxes.expect(kLogin, "OK");
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_Login"), e.logins);
        QCOMPARE(QByteArray(LoginWidget::lastLoginId), e.kept);
        QCoreApplication::processEvents();
        QCOMPARE(s.ctx.currentWorkArea, e.answer == "Capture" ? int(WorkAreaCapture) : int(WorkAreaLogin));
    }

    // Login and logout with the camera's answers injected: the views, the
    // session record, the consumed capture, and failures that change nothing.
    // The ID box takes 31 characters: a longer text never reaches the camera.
    void viewsFollowTheCamera()
    {
        AdminScreen s;
        s.capture(7);
        s.show(WorkAreaLogin);
        s.click("m_rdAdmin");
        auto *box = s.find<QComboBox>("m_cbLoginIDs");
        box->setFocus();
        QTest::keyClicks(box->lineEdit(), QString(40, 'x'));
        QCOMPARE(box->currentText(), QString(31, 'x'));
        s.setText("m_cbLoginIDs", "Boss1");

        const QString notFound = QString::fromLatin1(ResultText(ZEPH_ERR_ID_NOT_FOUND));
        Zvc_FailNext("Zeph_Login", 1, ZEPH_ERR_ID_NOT_FOUND);
        pressLogin(s, kLogin, "OK", QStringLiteral("<font color=red>%1</font>").arg(notFound));
        QVERIFY(!s.ctx.loginId);
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_OK); // kept for a retry
        QCOMPARE(s.ctx.statusMessage(), notFound);

        Zvc_FailNext("Zeph_Login", 1, ZEPH_OK);
        pressLogin(s, kLogin, "OK", QStringLiteral("Login successful"));
        QVERIFY(s.ctx.loginId);
        QCOMPARE(QByteArray(s.ctx.loginId->id), QByteArray("Boss1"));
        QCOMPARE(s.ctx.loginId->role, int32_t(ZEPH_ROLE_ADMIN));
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        QCOMPARE(Zvc_CallCount("Zeph_ClearCapture"), 1);
        QCOMPARE(s.find<QLabel>("lblIDText")->text(), QStringLiteral("Boss1"));
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), QStringLiteral("Logout"));
        QVERIFY(s.find<QComboBox>("m_cbLoginIDs")->isHidden());

        Zvc_FailNext("Zeph_Logout", 1, ZEPH_ERR_PERMISSION_DENIED);
        pressLogin(s, QStringLiteral("Logout"), "OK",
                   QStringLiteral("Failed to logout. ") + ResultText(ZEPH_ERR_PERMISSION_DENIED));
        QVERIFY(s.ctx.loginId);

        Zvc_FailNext("Zeph_Logout", 1, ZEPH_OK);
        pressLogin(s, QStringLiteral("Logout"), "OK", QStringLiteral("Logout successful"));
        QVERIFY(!s.ctx.loginId);
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), kLogin);
        QVERIFY(!s.find<QComboBox>("m_cbLoginIDs")->isHidden());
        QVERIFY(s.find<QLabel>("lblIDText")->isHidden());
        // The capture was consumed: the next login needs a new one.
        s.setText("m_cbLoginIDs", "Boss1");
        pressLogin(s, kLogin, "Cancel", kPrompt);
    }

    // Return acts as the button, after the key event has finished, typed
    // into the work area or into the ID box (which inserts nothing); Space
    // on the work area does not.
    void returnClicks()
    {
        AdminScreen s;
        s.window.show();
        s.show(WorkAreaLogin);
        QTest::keyClick(s.area(), Qt::Key_Space);
        QCoreApplication::processEvents();
        SCRIPT_DONE(s);
        QLineEdit *edit = s.find<QComboBox>("m_cbLoginIDs")->lineEdit();
        edit->setFocus();
        QTest::keyClicks(edit, "A1");
        for (QWidget *target : {s.area(), static_cast<QWidget *>(edit)}) {
            s.boxes.expect(kLogin, "Cancel", kPrompt);
            QTest::keyClick(target, Qt::Key_Return);
            QVERIFY(!s.boxes.satisfied()); // queued: not yet
            QCoreApplication::processEvents();
            SCRIPT_DONE(s);
        }
        QCOMPARE(s.items("m_cbLoginIDs"), QStringList());
    }
};

QTEST_MAIN(TestLoginWidget)
#include "tst_loginwidget.moc"
