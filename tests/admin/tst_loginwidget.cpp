// The login work area in the main window on the virtual camera: what it
// refuses before asking the camera, the capture it needs, the two views and
// the session record. Results the camera's security would give are injected
// where they are not what is under test.

#include "AdminScreen.h"
#include "admin/LoginWidget.h"
#include "core/FixedText.h"
#include "core/ResultText.h"

#include <cstring>

#include <QRadioButton>

namespace {
const QString kLogin = QStringLiteral("Login");
const QString kPrompt = QStringLiteral("Please capture your iris image first.");
const QString kAlnum = QStringLiteral("The ID must be alphanumeric characters.");

void resetShared()
{
    LoginWidget::loginRole = ZEPH_ROLE_SUPERUSER;
    std::memset(LoginWidget::lastLoginId, 0, sizeof LoginWidget::lastLoginId);
}
} // namespace

class TestLoginWidget : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetShared(); }

    // Without a device both Login and Logout answer the same, and nothing changes.
    void noDeviceGuardsBothButtons()
    {
        AdminScreen s(false);
        s.show(WorkAreaLogin);
        s.boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"), QStringLiteral("No device is opened."));
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        // A session left from elsewhere: the logged-in view, same guard.
        s.ctx.loginId = std::make_unique<LoginSession>();
        FixedText::copy(s.ctx.loginId->id, "A1");
        s.show(WorkAreaRecovery);
        s.show(WorkAreaLogin);
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), QStringLiteral("Logout"));
        s.boxes.expect(QStringLiteral("Error"), QStringLiteral("OK"), QStringLiteral("No device is opened."));
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QVERIFY(s.ctx.loginId);
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), 0);
    }

    // No capture held: the prompt comes before any test of the ID, and
    // "Capture" sends the operator to capture.
    void promptBeforeIdTests_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("answer");
        QTest::newRow("empty id, cancel") << QString() << QStringLiteral("Cancel");
        QTest::newRow("bad id, cancel") << QStringLiteral("a b") << QStringLiteral("Cancel");
        QTest::newRow("good id, capture") << QStringLiteral("A1") << QStringLiteral("Capture");
    }
    void promptBeforeIdTests()
    {
        QFETCH(QString, id);
        QFETCH(QString, answer);
        AdminScreen s;
        s.show(WorkAreaLogin);
        s.setText("m_cbLoginIDs", id);
        s.boxes.expect(kLogin, answer, kPrompt);
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QCOMPARE(s.boxes.shown().last().buttons, QStringList({"Capture", "Cancel"}));
        QCoreApplication::processEvents();
        QCOMPARE(s.ctx.currentWorkArea, answer == "Capture" ? int(WorkAreaCapture) : int(WorkAreaLogin));
        QCOMPARE(Zvc_CallCount("Zeph_Login"), 0);
    }

    // IDs the camera must never see: refused before anything is stored or asked.
    void refusedIds_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString() << "Error" << "Please input ID.";
        QTest::newRow("space") << "ab 1" << "Login" << kAlnum;
        QTest::newRow("underscore") << "ab_1" << "Login" << kAlnum;
        QTest::newRow("accented") << QStringLiteral("J\u00e9r") << "Login" << kAlnum;
        QTest::newRow("not latin-1") << QStringLiteral("A\u4e2d") << "Login" << kAlnum;
    }
    void refusedIds()
    {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, text);
        AdminScreen s;
        s.capture(7);
        s.show(WorkAreaLogin);
        s.setText("m_cbLoginIDs", id);
        s.boxes.expect(title, "OK", text);
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_Login"), 0);
        QCOMPARE(LoginWidget::lastLoginId[0], '\0');
    }

    // The ID box takes 31 characters; a longer text never reaches the camera.
    void idBoxLimit()
    {
        AdminScreen s;
        s.show(WorkAreaLogin);
        auto *box = s.find<QComboBox>("m_cbLoginIDs");
        box->setFocus();
        QTest::keyClicks(box->lineEdit(), QString(40, 'x'));
        QCOMPARE(box->currentText(), QString(31, 'x'));
    }

    // A poor capture ends in the rejection box, an old one asks first; neither
    // reaches the camera unless the operator takes the old one.
    void captureJudgedBeforeLogin_data()
    {
        QTest::addColumn<int>("presentation");
        QTest::addColumn<int>("ageMs");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("logins");
        QTest::newRow("half closed") << int(ZVC_EYE_HALF_CLOSED) << 0 << "Verification Rejected" << "Cancel" << 0;
        QTest::newRow("31 s old, cancel") << int(ZVC_EYE_SHARP) << 31000 << "Confirmation" << "Cancel" << 0;
        QTest::newRow("31 s old, proceed") << int(ZVC_EYE_SHARP) << 31000 << "Confirmation" << "Proceed Anyway" << 1;
    }
    void captureJudgedBeforeLogin()
    {
        QFETCH(int, presentation);
        QFETCH(int, ageMs);
        QFETCH(QString, title);
        QFETCH(QString, answer);
        QFETCH(int, logins);
        AdminScreen s;
        s.capture(7, presentation);
        s.clock.advance(ageMs);
        s.show(WorkAreaLogin);
        s.setText("m_cbLoginIDs", "A1");
        s.boxes.expect(title, answer);
        if (logins)
            s.boxes.expect(kLogin, "OK");
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_Login"), logins);
        // Submitted values are kept whatever the outcome.
        QCOMPARE(QByteArray(LoginWidget::lastLoginId), QByteArray("A1"));
    }

    // Login and logout with the camera's answers injected: the views, the
    // session record, the consumed capture, and failures that change nothing.
    void viewsFollowTheCamera()
    {
        AdminScreen s;
        s.capture(7);
        s.show(WorkAreaLogin);
        s.click("m_rdAdmin");
        s.setText("m_cbLoginIDs", "Boss1");

        Zvc_FailNext("Zeph_Login", 1, ZEPH_ERR_ID_NOT_FOUND);
        s.boxes.expect(kLogin, "OK");
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QCOMPARE(s.lastBoxText(), QStringLiteral("<font color=red>%1</font>")
                                      .arg(QString::fromLatin1(ResultText(ZEPH_ERR_ID_NOT_FOUND))));
        QVERIFY(!s.ctx.loginId);
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_OK); // kept for a retry
        QCOMPARE(s.ctx.statusMessage(), QString::fromLatin1(ResultText(ZEPH_ERR_ID_NOT_FOUND)));

        Zvc_FailNext("Zeph_Login", 1, ZEPH_OK);
        s.boxes.expect(kLogin, "OK", QStringLiteral("Login successful"));
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QVERIFY(s.ctx.loginId);
        QCOMPARE(QByteArray(s.ctx.loginId->id), QByteArray("Boss1"));
        QCOMPARE(s.ctx.loginId->role, int32_t(ZEPH_ROLE_ADMIN));
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        QCOMPARE(Zvc_CallCount("Zeph_ClearCapture"), 1);
        QCOMPARE(s.find<QLabel>("lblIDText")->text(), QStringLiteral("Boss1"));
        QCOMPARE(s.find<QLabel>("lblRoleText")->text(), QStringLiteral("ADMIN"));
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), QStringLiteral("Logout"));
        QVERIFY(s.find<QComboBox>("m_cbLoginIDs")->isHidden());

        // Leaving and coming back rebuilds the logged-in view.
        s.show(WorkAreaCapture);
        s.show(WorkAreaLogin);
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), QStringLiteral("Logout"));
        QCOMPARE(s.find<QLabel>("lblIDText")->text(), QStringLiteral("Boss1"));
        QVERIFY(!s.find<QLabel>("lblIDText")->isHidden());

        Zvc_FailNext("Zeph_Logout", 1, ZEPH_ERR_PERMISSION_DENIED);
        s.boxes.expect(QStringLiteral("Logout"), "OK",
                       QStringLiteral("Failed to logout. ") + ResultText(ZEPH_ERR_PERMISSION_DENIED));
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QVERIFY(s.ctx.loginId);

        Zvc_FailNext("Zeph_Logout", 1, ZEPH_OK);
        s.boxes.expect(QStringLiteral("Logout"), "OK", QStringLiteral("Logout successful"));
        s.click("BtnLogin");
        SCRIPT_DONE(s);
        QVERIFY(!s.ctx.loginId);
        QCOMPARE(s.find<QPushButton>("BtnLogin")->text(), kLogin);
        QVERIFY(!s.find<QComboBox>("m_cbLoginIDs")->isHidden());
        QVERIFY(s.find<QLabel>("lblIDText")->isHidden());
        // The capture was consumed: the next login needs a new one.
        s.setText("m_cbLoginIDs", "Boss1");
        s.boxes.expect(kLogin, "Cancel", kPrompt);
        s.click("BtnLogin");
        SCRIPT_DONE(s);
    }

    // Return and Enter act as the button, after the key event has finished.
    void returnKeyClicks_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("boxes");
        QTest::newRow("return") << int(Qt::Key_Return) << 1;
        QTest::newRow("enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("space") << int(Qt::Key_Space) << 0;
    }
    void returnKeyClicks()
    {
        QFETCH(int, key);
        QFETCH(int, boxes);
        AdminScreen s;
        s.show(WorkAreaLogin);
        if (boxes)
            s.boxes.expect(kLogin, "Cancel", kPrompt);
        QTest::keyClick(s.area(), Qt::Key(key));
        QCOMPARE(s.boxes.shown().size(), s.startupBoxes); // queued: not yet
        QCoreApplication::processEvents();
        SCRIPT_DONE(s);
    }

    // Return typed in the ID box logs in too.
    void returnInIdBox()
    {
        AdminScreen s;
        s.window.show();
        s.show(WorkAreaLogin);
        QLineEdit *edit = s.find<QComboBox>("m_cbLoginIDs")->lineEdit();
        edit->setFocus();
        QTest::keyClicks(edit, "A1");
        s.boxes.expect(kLogin, "Cancel", kPrompt);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
        SCRIPT_DONE(s);
        QCOMPARE(s.items("m_cbLoginIDs"), QStringList()); // nothing inserted
    }

    // SUPERUSER lists the enrollees of the template gallery.
    void superUserListsEnrollees()
    {
        AdminScreen s;
        const char *const *ids = nullptr;
        int32_t n = 0, f = 0, c = 0;
        Zeph_LoadGallery(s.ctx.deviceHandle, &ids, &n, &f, &c);
        for (const char *id : {"P1", "P2"}) {
            s.capture(id[1]);
            QCOMPARE(Zeph_EnrollCapture(s.ctx.deviceHandle, id), ZEPH_OK);
        }
        s.show(WorkAreaLogin);
        QVERIFY(s.find<QRadioButton>("m_rdSuperUser")->isChecked());
        QCOMPARE(s.items("m_cbLoginIDs"), QStringList({"P1", "P2"}));
        QCOMPARE(s.find<QComboBox>("m_cbLoginIDs")->currentText(), QString());
    }
};

QTEST_MAIN(TestLoginWidget)
#include "tst_loginwidget.moc"
