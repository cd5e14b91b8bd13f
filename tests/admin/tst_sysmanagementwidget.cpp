// The system management work area on the virtual camera: its start-up
// step, the ID lists and ID checks, and how each operation words the
// camera's answers. Answers of the camera's security are injected where
// they are not what is under test; the end-to-end rules are in
// tst_security.cpp.

#include "AdminScreen.h"
#include "admin/SysManagementWidget.h"
#include "admin/UserIdText.h"
#include "core/FixedText.h"
#include "core/ResultText.h"

#include <QGroupBox>
#include <QRadioButton>
#include <cstring>

namespace {
const QString kAdminDenied = SysManagementWidget::adminPermissionText();
const QString kSuperDenied = SysManagementWidget::superUserPermissionText();

void putItems(AdminScreen &s, const char *combo, const QStringList &items)
{
    QComboBox *c = s.find<QComboBox>(combo);
    c->clear();
    c->addItems(items);
}
} // namespace

class TestSysManagementWidget : public QObject
{
    Q_OBJECT
private slots:
    // The library's ID arrays are copied, each read no further than its
    // field, and a count the array cannot back gives nothing.
    void idListsCopiedBounded()
    {
        char full[ZEPH_ID_SIZE + 8];
        std::memset(full, 'Z', sizeof full); // no NUL within the field
        char a[] = "A1";
        const char *arr[] = {a, nullptr, full};
        QCOMPARE(UserIdText::copyList(nullptr, 5), QStringList());
        QCOMPARE(UserIdText::copyList(arr, -1), QStringList());
        QCOMPARE(UserIdText::copyList(arr, 0), QStringList());
        const QStringList got = UserIdText::copyList(arr, 3);
        QCOMPARE(got, QStringList({"A1", QString(ZEPH_ID_SIZE, 'Z')}));
        a[0] = 'X'; // the library reuses its array: the copy stays
        QCOMPARE(got.first(), QStringLiteral("A1"));
    }

    void idEncoding_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::newRow("31 bytes") << QString(31, 'a') << int(UserIdText::Local8Bit) << QByteArray(31, 'a');
        QTest::newRow("32 bytes") << QString(32, 'a') << int(UserIdText::Local8Bit) << QByteArray();
        QTest::newRow("16 two-byte chars") << QString(16, QChar(0xE9)) << int(UserIdText::Local8Bit)
                                          << QByteArray();
        QTest::newRow("15 two-byte chars") << QString(15, QChar(0xE9)) << int(UserIdText::Local8Bit)
                                          << QString(15, QChar(0xE9)).toLocal8Bit();
        QTest::newRow("latin-1 e-acute") << QString(31, QChar(0xE9)) << int(UserIdText::Latin1)
                                        << QByteArray(31, char(0xE9));
        QTest::newRow("latin-1 cjk") << QStringLiteral("A\u4e2d") << int(UserIdText::Latin1) << QByteArray();
        QTest::newRow("zero inside") << QStringLiteral("A") + QChar(0) + QStringLiteral("B")
                                    << int(UserIdText::Local8Bit) << QByteArray();
        QTest::newRow("empty") << QString() << int(UserIdText::Latin1) << QByteArray();
    }
    void idEncoding()
    {
        QFETCH(QString, id);
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        QByteArray out("junk");
        QCOMPARE(UserIdText::encode(id, UserIdText::Encoding(encoding), &out), !bytes.isEmpty());
        QCOMPARE(out, bytes);
    }

    // The start-up step runs once, after construction, and never reaches a
    // work area destroyed before the event loop came back.
    void startupStepSurvivesQuickDestruction()
    {
        AdminScreen s;
        Zvc_ResetCallCounts();
        for (int i = 0; i < 200; ++i)
            delete new SysManagementWidget(&s.window);
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 0);

        auto *kept = new SysManagementWidget(&s.window);
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 0);
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 1);
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 1);
        delete kept;
    }

    // Without a device every button answers the same and calls nothing.
    void noDevice_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *b : {"m_btnEnrollAdmin", "BtnUnenrollAdmin", "m_btnSetDevConfig", "BtnLockDevice",
                              "BtnUnlockDevice", "BtnSetRole"})
            QTest::newRow(b) << QString::fromLatin1(b);
    }
    void noDevice()
    {
        QFETCH(QString, button);
        AdminScreen s(false);
        s.show(WorkAreaSysManagement);
        s.setText("cbAdminIDs", "A1");
        s.setText("m_cbUserIDs", "U1");
        Zvc_ResetCallCounts();
        s.boxes.expect("Error", "OK", "No device is opened.");
        s.click(button.toLatin1().constData());
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("*"), 0);
    }

    // Each guarded operation words the camera's refusal; another failure
    // names its result; neither is followed by a success box.
    void answersWorded_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        const int denied = ZEPH_ERR_PERMISSION_DENIED;
        const int other = ZEPH_ERR_ID_NOT_FOUND;
        const QString otherText = QString::fromLatin1(ResultText(other));
        QTest::newRow("enroll denied") << "m_btnEnrollAdmin" << "Zeph_EnrollAsAdmin"
                                       << "Administrator Enrollment" << denied << kAdminDenied;
        QTest::newRow("enroll failed") << "m_btnEnrollAdmin" << "Zeph_EnrollAsAdmin"
                                       << "Administrator Enrollment" << other
                                       << "Failed to enroll Administrator. " + otherText;
        QTest::newRow("unenroll denied") << "BtnUnenrollAdmin" << "Zeph_UnenrollAdmin"
                                         << "Administrator Unenrollment" << denied << kAdminDenied;
        QTest::newRow("unenroll failed") << "BtnUnenrollAdmin" << "Zeph_UnenrollAdmin"
                                         << "Administrator Unenrollment" << other
                                         << "Failed to unenroll administrator. " + otherText;
        QTest::newRow("lock denied") << "BtnLockDevice" << "Zeph_LockDevice" << "Lock device" << denied
                                     << kAdminDenied;
        QTest::newRow("lock failed") << "BtnLockDevice" << "Zeph_LockDevice" << "Lock device" << other
                                     << "Failed to lock device. " + otherText;
        QTest::newRow("unlock denied") << "BtnUnlockDevice" << "Zeph_UnlockDevice" << "Unlock device"
                                       << denied << kAdminDenied;
        QTest::newRow("unlock failed") << "BtnUnlockDevice" << "Zeph_UnlockDevice" << "Unlock device"
                                       << other << "Failed to unlock device. " + otherText;
        QTest::newRow("role denied") << "BtnSetRole" << "Zeph_SetUserRole" << "Set role" << denied
                                     << kSuperDenied;
        QTest::newRow("role failed") << "BtnSetRole" << "Zeph_SetUserRole" << "Set role" << other
                                     << "Failed to set role. " + otherText;
        QTest::newRow("commit failed") << "BtnSetRole" << "Zeph_CommitGallery" << "Set role" << other
                                       << "Failed to set role. " + otherText;
        QTest::newRow("role: no capture") << "BtnSetRole" << "Zeph_SetUserRole" << "Set role"
                                          << int(ZEPH_ERR_FRAME_NOT_AVAILABLE)
                                          << "Please capture your iris image first.";
    }
    void answersWorded()
    {
        QFETCH(QString, button);
        QFETCH(QString, function);
        QFETCH(QString, title);
        QFETCH(int, result);
        QFETCH(QString, text);
        AdminScreen s;
        s.capture(5);
        s.show(WorkAreaSysManagement);
        s.setText("cbAdminIDs", "Boss1");
        s.setText("m_cbUserIDs", "P1");
        const QByteArray fn = function.toLatin1();
        if (fn == "Zeph_CommitGallery")
            Zvc_FailNext("Zeph_SetUserRole", 1, ZEPH_OK);
        Zvc_FailNext(fn.constData(), 1, result);
        if (button == "BtnUnenrollAdmin")
            s.boxes.expect(title, "Yes");
        s.boxes.expect(title, text.startsWith("Please capture") ? "Cancel" : "OK", text);
        s.click(button.toLatin1().constData());
        QCoreApplication::processEvents();
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount(fn.constData()), 1);
        QCOMPARE(s.ctx.lastResult, ZephResult(result));
        // The gallery is committed only after its role was set.
        if (fn == "Zeph_SetUserRole")
            QCOMPARE(Zvc_CallCount("Zeph_CommitGallery"), 0);
        // A refused enrolment keeps the capture for another try.
        if (button == "m_btnEnrollAdmin")
            QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_OK);
    }

    // An ID that does not fit the camera's field never reaches it.
    void longIdsRefused_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("function");
        QTest::newRow("enroll") << "m_btnEnrollAdmin" << "cbAdminIDs" << "Administrator Enrollment"
                                << "Zeph_EnrollAsAdmin";
        QTest::newRow("unenroll") << "BtnUnenrollAdmin" << "cbAdminIDs" << "Administrator Unenrollment"
                                  << "Zeph_UnenrollAdmin";
        QTest::newRow("set role") << "BtnSetRole" << "m_cbUserIDs" << "Set role" << "Zeph_SetUserRole";
    }
    void longIdsRefused()
    {
        QFETCH(QString, button);
        QFETCH(QString, combo);
        QFETCH(QString, title);
        QFETCH(QString, function);
        AdminScreen s;
        s.capture(5);
        s.show(WorkAreaSysManagement);
        // 16 characters the box lets through, 32 bytes the field cannot hold.
        s.setText(combo.toLatin1().constData(), QString(16, QChar(0xE9)));
        Zvc_ResetCallCounts();
        s.boxes.expect(title, "OK", UserIdText::tooLongText());
        s.click(button.toLatin1().constData());
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount(function.toLatin1().constData()), 0);
        QCOMPARE(Zvc_CallCount("Zeph_ClearCapture"), 0);
    }

    // Unenrolling removes the entry that holds the ID, not the current item;
    // the logged-in administrator's session ends with him.
    void unenrollRemovesThatEntry_data()
    {
        QTest::addColumn<QString>("sessionId");
        QTest::addColumn<int>("sessionRole");
        QTest::addColumn<bool>("ends");
        QTest::newRow("nobody logged in") << QString() << 0 << false;
        QTest::newRow("another admin") << "A1" << int(ZEPH_ROLE_ADMIN) << false;
        QTest::newRow("this admin") << "A3" << int(ZEPH_ROLE_ADMIN) << true;
        QTest::newRow("same id, super user") << "A3" << int(ZEPH_ROLE_SUPERUSER) << false;
        QTest::newRow("case differs") << "a3" << int(ZEPH_ROLE_ADMIN) << false;
    }
    void unenrollRemovesThatEntry()
    {
        QFETCH(QString, sessionId);
        QFETCH(int, sessionRole);
        QFETCH(bool, ends);
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        if (!sessionId.isEmpty()) {
            s.ctx.loginId = std::make_unique<LoginSession>();
            FixedText::copy(s.ctx.loginId->id, sessionId.toLatin1());
            s.ctx.loginId->role = sessionRole;
        }
        putItems(s, "cbAdminIDs", {"A1", "A2", "A3"});
        s.find<QComboBox>("cbAdminIDs")->setCurrentIndex(0);
        s.setText("cbAdminIDs", "A3");
        Zvc_ResetCallCounts();
        Zvc_FailNext("Zeph_UnenrollAdmin", 1, ZEPH_OK);
        Zvc_FailNext("Zeph_Logout", 1, ZEPH_OK);
        s.boxes.expect("Administrator Unenrollment", "Yes",
                       "Are you sure to unenroll the administrator with ID 'A3' from system?");
        s.boxes.expect("Administrator Unenrollment", "OK", "Unenroll administrator successfully!");
        s.click("BtnUnenrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(s.items("cbAdminIDs"), QStringList({"A1", "A2"}));
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), ends ? 1 : 0);
        QCOMPARE(bool(s.ctx.loginId), !sessionId.isEmpty() && !ends);
        QCOMPARE(s.ctx.statusMessage(), QStringLiteral("Unenroll administrator successfully!"));
    }

    // "No" to the question calls nothing.
    void unenrollAsksFirst()
    {
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        s.setText("cbAdminIDs", "A3");
        Zvc_ResetCallCounts();
        s.boxes.expect("Administrator Unenrollment", "No");
        s.click("BtnUnenrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(s.boxes.shown().last().defaultButton, QStringLiteral("No"));
        QCOMPARE(Zvc_CallCount("Zeph_UnenrollAdmin"), 0);
    }

    // Demoting the logged-in super user ends his session; the commit runs
    // only after the role was set.
    void setRoleEndsOwnSession_data()
    {
        QTest::addColumn<bool>("user");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("ends");
        QTest::newRow("demote self") << true << "P1" << true;
        QTest::newRow("demote another") << true << "P2" << false;
        QTest::newRow("raise self") << false << "P1" << false;
    }
    void setRoleEndsOwnSession()
    {
        QFETCH(bool, user);
        QFETCH(QString, id);
        QFETCH(bool, ends);
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        QVERIFY(s.find<QRadioButton>("m_rdSuperUser")->isChecked());
        s.ctx.loginId = std::make_unique<LoginSession>();
        FixedText::copy(s.ctx.loginId->id, "P1");
        s.ctx.loginId->role = ZEPH_ROLE_SUPERUSER;
        s.setText("m_cbUserIDs", id);
        if (user)
            s.click("m_rdUser");
        Zvc_ResetCallCounts();
        Zvc_FailNext("Zeph_SetUserRole", 1, ZEPH_OK);
        Zvc_FailNext("Zeph_CommitGallery", 1, ZEPH_OK);
        Zvc_FailNext("Zeph_Logout", 1, ZEPH_OK);
        s.boxes.expect("Set role", "OK", "Set role successfully!");
        s.click("BtnSetRole");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), ends ? 1 : 0);
        QCOMPARE(bool(s.ctx.loginId), !ends);
        QCOMPARE(Zvc_CallCount("Zeph_SetUserRole"), 1);
        QCOMPARE(Zvc_CallCount("Zeph_CommitGallery"), 1);
    }

    // Enrolling: one eye missing asks first; a listed ID is not added twice;
    // success consumes the capture.
    void enrollAdmin()
    {
        AdminScreen s;
        s.capture(5, ZVC_EYE_SHARP, ZVC_EYE_LOOKING_ASIDE);
        s.show(WorkAreaSysManagement);
        putItems(s, "cbAdminIDs", {"A1", "Boss1"});
        s.setText("cbAdminIDs", "Boss1");
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_NO_QUALIFIED_LEFT);
        s.boxes.expect("Confirmation", "No");
        s.click("m_btnEnrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_EnrollAsAdmin"), 0);

        Zvc_FailNext("Zeph_EnrollAsAdmin", 1, ZEPH_OK);
        s.boxes.expect("Confirmation", "Yes");
        s.boxes.expect("Administrator Enrollment", "OK", "Enroll as administrator successfully!");
        s.click("m_btnEnrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(s.items("cbAdminIDs"), QStringList({"A1", "Boss1"}));
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        s.boxes.expect("Administrator enrollment", "Cancel", "Please capture your iris image first.");
        s.click("m_btnEnrollAdmin");
        SCRIPT_DONE(s);
    }

    // Lock and unlock reload the lists and pictures once the slot is done.
    void lockReloads_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("text");
        QTest::newRow("lock") << "BtnLockDevice" << "Zeph_LockDevice" << "Device is locked successfully!";
        QTest::newRow("unlock") << "BtnUnlockDevice" << "Zeph_UnlockDevice" << "Device is unlocked successfully!";
    }
    void lockReloads()
    {
        QFETCH(QString, button);
        QFETCH(QString, function);
        QFETCH(QString, text);
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        Zvc_ResetCallCounts();
        Zvc_FailNext(function.toLatin1().constData(), 1, ZEPH_OK);
        s.boxes.expect(button == "BtnLockDevice" ? "Lock device" : "Unlock device", "OK", text);
        s.click(button.toLatin1().constData());
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_GetResultQuality"), 1);
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 0);
        QCOMPARE(s.ctx.statusMessage(), text);
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 1);
    }

    // Eye labels share the window with the panels, in whole 4:3 steps.
    void eyeSizes_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<bool>("binocular");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("leftShown");
        const int login = WorkAreaLogin;
        const int sys = WorkAreaSysManagement;
        QTest::newRow("login bino 1300") << login << true << 1300 << QSize(488, 366) << true;
        QTest::newRow("login bino 1000") << login << true << 1000 << QSize(340, 255) << true;
        QTest::newRow("login bino wide") << login << true << 1700 << QSize(640, 480) << true;
        QTest::newRow("login mono 1300") << login << false << 1300 << QSize(640, 480) << false;
        QTest::newRow("login mono 900") << login << false << 900 << QSize(584, 438) << false;
        QTest::newRow("sys bino 1300") << sys << true << 1300 << QSize(388, 291) << true;
        QTest::newRow("sys bino 1001") << sys << true << 1001 << QSize(240, 180) << true;
        QTest::newRow("sys mono 1300") << sys << false << 1300 << QSize(640, 480) << false;
        QTest::newRow("sys mono 1003") << sys << false << 1003 << QSize(500, 375) << false;
    }
    void eyeSizes()
    {
        QFETCH(int, area);
        QFETCH(bool, binocular);
        QFETCH(int, windowWidth);
        QFETCH(QSize, size);
        QFETCH(bool, leftShown);
        AdminScreen s(true, binocular ? ZVC_DEFAULT_USB_BINOCULAR : ZVC_DEFAULT_USB_MONOCULAR);
        s.ctx.windowWidth = windowWidth;
        s.show(area);
        QCOMPARE(s.find<QLabel>("lblRightEye")->minimumSize(), size);
        QCOMPARE(s.find<QLabel>("lblRightEye")->maximumSize(), size);
        QCOMPARE(!s.find<QLabel>("lblLeftEye")->isHidden(), leftShown);
        if (leftShown)
            QCOMPARE(s.find<QLabel>("lblLeftEye")->maximumSize(), size);
    }

    void certificatesGreyed()
    {
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        auto *g = s.find<QGroupBox>("groupBox_3");
        QVERIFY(g && !g->isHidden() && !g->isEnabled());
        QVERIFY(!s.find<QPushButton>("BtnResetCerts")->isEnabled());
        QVERIFY(s.find<QRadioButton>("m_rdSuperUser")->isChecked());
    }
};

QTEST_MAIN(TestSysManagementWidget)
#include "tst_sysmanagementwidget.moc"
