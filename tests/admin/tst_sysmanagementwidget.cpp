// The system management work area on the virtual camera: its start-up step,
// the ID lists and ID checks, and how each operation words the camera's
// answers. The camera's answers are injected here; the workflow on the
// camera's own security is tst_security.cpp's.

#include "support/AdminScreen.h"
#include "admin/SysManagementWidget.h"
#include "admin/UserIdText.h"
#include "core/FixedText.h"
#include "core/ResultText.h"

#include <QGroupBox>
#include <cstring>

namespace {
// The guarded operations: the button, the title of its boxes, the call it
// makes and the ID box it reads.
struct Operation {
    const char *button;
    QString title;
    const char *function;
    const char *idBox;
};
enum { Enroll, Unenroll, Lock, Unlock, SetRole };
const Operation kOperations[] = {
    {"m_btnEnrollAdmin", "Administrator Enrollment", "Zeph_EnrollAsAdmin", "cbAdminIDs"},
    {"BtnUnenrollAdmin", "Administrator Unenrollment", "Zeph_UnenrollAdmin", "cbAdminIDs"},
    {"BtnLockDevice", "Lock device", "Zeph_LockDevice", nullptr},
    {"BtnUnlockDevice", "Unlock device", "Zeph_UnlockDevice", nullptr},
    {"BtnSetRole", "Set role", "Zeph_SetUserRole", "m_cbUserIDs"},
};
const QString kPrompt = QStringLiteral("Please capture your iris image first.");
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
        const int local = UserIdText::Local8Bit;
        const int latin1 = UserIdText::Latin1;
        QTest::newRow("31 bytes") << QString(31, 'a') << local << QByteArray(31, 'a');
        QTest::newRow("latin-1 e-acute") << QString(31, QChar(0xE9)) << latin1 << QByteArray(31, char(0xE9));
        QTest::newRow("latin-1 cjk") << QStringLiteral("A\u4e2d") << latin1 << QByteArray();
        QTest::newRow("zero inside") << QStringLiteral("A") + QChar(0) + QStringLiteral("B") << local
                                    << QByteArray();
        QTest::newRow("empty") << QString() << latin1 << QByteArray();
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
    void noDevice()
    {
        AdminScreen s(false);
        s.show(WorkAreaSysManagement);
        s.setText("cbAdminIDs", "A1");
        s.setText("m_cbUserIDs", "U1");
        Zvc_ResetCallCounts();
        for (const char *b : {"m_btnEnrollAdmin", "BtnUnenrollAdmin", "m_btnSetDevConfig", "BtnLockDevice",
                              "BtnUnlockDevice", "BtnSetRole"}) {
            s.boxes.expect("Error", "OK", kNoDeviceOpened);
            s.click(b);
            QVERIFY2(s.boxes.satisfied(), b);
        }
        QCOMPARE(Zvc_CallCount("*"), 0);
    }

    // Each operation words a failure with its result, an ID that does not
    // fit the camera's field never reaches it, and none is followed by a
    // success box or costs the capture (refused rights are tst_security's).
    void failuresWorded_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QByteArray>("function"); // empty: the operation's own call
        QTest::addColumn<int>("result"); // -1: the ID typed is too long
        QTest::addColumn<QString>("text");
        const int other = ZEPH_ERR_ID_NOT_FOUND;
        const QString otherText = QString::fromLatin1(ResultText(other));
        const QString tooLong = QStringLiteral("The ID must not take more than 31 bytes.");
        const QByteArray own;
        QTest::newRow("enroll failed")
            << int(Enroll) << own << other << "Failed to enroll Administrator. " + otherText;
        QTest::newRow("unenroll failed")
            << int(Unenroll) << own << other << "Failed to unenroll administrator. " + otherText;
        QTest::newRow("lock failed") << int(Lock) << own << other << "Failed to lock device. " + otherText;
        QTest::newRow("role failed") << int(SetRole) << own << other << "Failed to set role. " + otherText;
        QTest::newRow("commit failed") << int(SetRole) << QByteArray("Zeph_CommitGallery") << other
                                       << "Failed to set role. " + otherText;
        QTest::newRow("role: no capture")
            << int(SetRole) << own << int(ZEPH_ERR_FRAME_NOT_AVAILABLE) << kPrompt;
        QTest::newRow("role, id too long") << int(SetRole) << own << -1 << tooLong;
    }
    void failuresWorded()
    {
        QFETCH(int, op);
        QFETCH(QByteArray, function);
        QFETCH(int, result);
        QFETCH(QString, text);
        const Operation &o = kOperations[op];
        const QByteArray called = function.isEmpty() ? QByteArray(o.function) : function;
        AdminScreen s;
        s.capture(5);
        s.show(WorkAreaSysManagement);
        // 16 characters the box lets through are 32 bytes the field cannot hold.
        if (o.idBox)
            s.setText(o.idBox, result < 0 ? QString(16, QChar(0xE9)) : QStringLiteral("P1"));
        Zvc_ResetCallCounts();
        if (called == "Zeph_CommitGallery")
            Zvc_FailNext("Zeph_SetUserRole", 1, ZEPH_OK);
        if (result >= 0)
            Zvc_FailNext(called.constData(), 1, result);
        if (op == Unenroll && result >= 0)
            s.boxes.expect(o.title, "Yes");
        s.boxes.expect(o.title, text == kPrompt ? "Cancel" : "OK", text);
        s.click(o.button);
        QCoreApplication::processEvents();
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount(called.constData()), result < 0 ? 0 : 1);
        if (result >= 0)
            QCOMPARE(s.ctx.lastResult, ZephResult(result));
        // The gallery is committed only after its role was set.
        if (called == "Zeph_SetUserRole")
            QCOMPARE(Zvc_CallCount("Zeph_CommitGallery"), 0);
        QCOMPARE(Zvc_CallCount("Zeph_ClearCapture"), 0);
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_OK);
    }

    // Unenrolling removes the entry that holds the ID, not the current item;
    // removing the logged-in administrator, or demoting the logged-in super
    // user, ends that session. A role is committed once it is set.
    void sessionEnds_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("sessionId"); // empty: nobody logged in
        QTest::addColumn<int>("sessionRole");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("demote"); // to USER, else raised to SUPERUSER
        QTest::addColumn<bool>("ends");
        const int admin = ZEPH_ROLE_ADMIN;
        const int super = ZEPH_ROLE_SUPERUSER;
        QTest::newRow("unenroll, nobody logged in") << int(Unenroll) << "" << 0 << "A3" << false << false;
        QTest::newRow("unenroll, this admin") << int(Unenroll) << "A3" << admin << "A3" << false << true;
        QTest::newRow("unenroll, super user") << int(Unenroll) << "A3" << super << "A3" << false << false;
        QTest::newRow("unenroll, case differs") << int(Unenroll) << "a3" << admin << "A3" << false << false;
        QTest::newRow("demote self") << int(SetRole) << "P1" << super << "P1" << true << true;
        QTest::newRow("demote another") << int(SetRole) << "P1" << super << "P2" << true << false;
        QTest::newRow("raise self") << int(SetRole) << "P1" << super << "P1" << false << false;
    }
    void sessionEnds()
    {
        QFETCH(int, op);
        QFETCH(QString, sessionId);
        QFETCH(int, sessionRole);
        QFETCH(QString, id);
        QFETCH(bool, demote);
        QFETCH(bool, ends);
        const Operation &o = kOperations[op];
        const QString done =
            op == Unenroll ? "Unenroll administrator successfully!" : "Set role successfully!";
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        if (!sessionId.isEmpty()) {
            s.ctx.loginId = std::make_unique<LoginSession>();
            FixedText::copy(s.ctx.loginId->id, sessionId.toLatin1());
            s.ctx.loginId->role = sessionRole;
        }
        QComboBox *admins = s.find<QComboBox>("cbAdminIDs");
        admins->addItems({"A1", "A2", "A3"});
        admins->setCurrentIndex(0);
        s.setText(o.idBox, id);
        if (demote)
            s.click("m_rdUser");
        Zvc_ResetCallCounts();
        for (const char *f : {o.function, "Zeph_CommitGallery", "Zeph_Logout"})
            Zvc_FailNext(f, 1, ZEPH_OK);
        if (op == Unenroll)
            s.boxes.expect(o.title, "Yes",
                           "Are you sure to unenroll the administrator with ID 'A3' from system?");
        s.boxes.expect(o.title, "OK", done);
        s.click(o.button);
        SCRIPT_DONE(s);
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), ends ? 1 : 0);
        QCOMPARE(bool(s.ctx.loginId), !sessionId.isEmpty() && !ends);
        QCOMPARE(s.ctx.statusMessage(), done);
        QCOMPARE(Zvc_CallCount(o.function), 1);
        QCOMPARE(Zvc_CallCount("Zeph_CommitGallery"), op == SetRole ? 1 : 0);
        const QStringList left = op == Unenroll ? QStringList{"A1", "A2"} : QStringList{"A1", "A2", "A3"};
        QCOMPARE(s.items("cbAdminIDs"), left);
    }

    // Unenrolling asks first, "No" the default, and No calls nothing.
    // Enrolling: one eye missing asks first (its answers are
    // tst_capturejudgement's); a listed ID is not added twice; success
    // consumes the capture.
    void enrollAdmin()
    {
        AdminScreen s;
        s.capture(5, ZVC_EYE_SHARP, ZVC_EYE_LOOKING_ASIDE);
        s.show(WorkAreaSysManagement);
        s.find<QComboBox>("cbAdminIDs")->addItems({"A1", "Boss1"});
        s.setText("cbAdminIDs", "Boss1");
        Zvc_ResetCallCounts();
        s.boxes.expect("Administrator Unenrollment", "No");
        s.click("BtnUnenrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(s.boxes.shown().last().defaultButton, QStringLiteral("No"));
        QCOMPARE(Zvc_CallCount("Zeph_UnenrollAdmin"), 0);
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_NO_QUALIFIED_LEFT);

        Zvc_FailNext("Zeph_EnrollAsAdmin", 1, ZEPH_OK);
        s.boxes.expect("Confirmation", "Yes");
        s.boxes.expect("Administrator Enrollment", "OK", "Enroll as administrator successfully!");
        s.click("m_btnEnrollAdmin");
        SCRIPT_DONE(s);
        QCOMPARE(s.items("cbAdminIDs"), QStringList({"A1", "Boss1"}));
        QCOMPARE(s.ctx.lastCapture.lastCaptureResult, ZEPH_ERR_FRAME_NOT_AVAILABLE);
        s.boxes.expect("Administrator enrollment", "Cancel", kPrompt);
        s.click("m_btnEnrollAdmin");
        SCRIPT_DONE(s);
    }

    // Lock and unlock fetch the capture again, and reload the lists and
    // pictures once the slot is done.
    void lockReloads()
    {
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        for (int op : {Lock, Unlock}) {
            const QString text = op == Lock ? "Device is locked successfully!" : "Device is unlocked successfully!";
            Zvc_ResetCallCounts();
            Zvc_FailNext(kOperations[op].function, 1, ZEPH_OK);
            s.boxes.expect(kOperations[op].title, "OK", text);
            s.click(kOperations[op].button);
            SCRIPT_DONE(s);
            QCOMPARE(Zvc_CallCount("Zeph_GetResultQuality"), 1);
            QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 0);
            QCOMPARE(s.ctx.statusMessage(), text);
            QCoreApplication::processEvents();
            QCOMPARE(Zvc_CallCount("Zeph_GetAdminGalleryInfo"), 1);
        }
    }

    // Each panel's white title stands on blue, the short panel's too.
    void panelTitlesReadable()
    {
        AdminScreen s;
        s.show(WorkAreaSysManagement);
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        QVERIFY(s.find<QGroupBox>("superUserGroup")->height() < 200); // a tenth of it is too little
        for (const char *name : {"groupBox", "superUserGroup"}) {
            QGroupBox *panel = s.find<QGroupBox>(name);
            const QColor behind = panel->grab().toImage().pixelColor(4, 11);
            QVERIFY2(behind.lightness() < 150, qPrintable(QStringLiteral("%1: %2").arg(name, behind.name())));
        }
    }
};

QTEST_MAIN(TestSysManagementWidget)
#include "tst_sysmanagementwidget.moc"
