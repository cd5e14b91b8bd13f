// Login, roles and system management end to end on the virtual camera's own
// security (its rules call by call are zeph/test_security's, the other
// operations' wording tst_sysmanagementwidget's): commissioning, the login
// lists, an ADMIN and a SUPERUSER session, and the refusals each is given.

#include "support/AdminScreen.h"
#include "admin/LoginWidget.h"
#include "admin/SysManagementWidget.h"

#include <QRadioButton>
#include <cstring>

namespace {
const QString kAdminDenied = SysManagementWidget::adminPermissionText();
const QString kSuperDenied = SysManagementWidget::superUserPermissionText();

enum Subject : uint32_t { Boss = 1, Second = 2, Stranger = 9, Pat = 4, Quinn = 5 };

// Each step answers the boxes it expects, and no other box may come.
struct Flow : AdminScreen {
    Flow()
    {
        LoginWidget::loginRole = ZEPH_ROLE_SUPERUSER;
        std::memset(LoginWidget::lastLoginId, 0, sizeof LoginWidget::lastLoginId);
    }

    // The work area built anew, as the operator finds it on coming back.
    void reopen(int workArea)
    {
        show(WorkAreaRecovery);
        show(workArea);
    }

    // Enrols an administrator from a fresh capture of `subject`; the box the
    // camera's answer gives is `text`.
    void enrollAdmin(uint32_t subject, const char *id, const QString &text)
    {
        capture(subject);
        show(WorkAreaSysManagement);
        setText("cbAdminIDs", QString::fromLatin1(id));
        boxes.expect("Administrator Enrollment", "OK", text);
        click("m_btnEnrollAdmin");
        SCRIPT_DONE(*this);
    }

    // Logs in with a fresh capture of `subject`; `text` is the box expected.
    void login(int32_t role, uint32_t subject, const QString &id, const QString &text)
    {
        capture(subject);
        reopen(WorkAreaLogin);
        click(role == ZEPH_ROLE_ADMIN ? "m_rdAdmin" : "m_rdSuperUser");
        setText("m_cbLoginIDs", id);
        boxes.expect("Login", "OK", text);
        click("BtnLogin");
        SCRIPT_DONE(*this);
    }

    // One system management button with its expected box.
    void press(const char *button, const QString &title, const QString &text, const char *id = nullptr)
    {
        reopen(WorkAreaSysManagement);
        if (id) {
            setText(std::strcmp(button, "BtnSetRole") == 0 ? "m_cbUserIDs" : "cbAdminIDs",
                    QString::fromLatin1(id));
        }
        if (std::strcmp(button, "BtnUnenrollAdmin") == 0)
            boxes.expect(title, "Yes");
        boxes.expect(title, "OK", text);
        click(button);
        QCoreApplication::processEvents();
        SCRIPT_DONE(*this);
    }

    // An enrollee of the template gallery, from a capture of `subject`.
    void enrollee(uint32_t subject, const char *id)
    {
        const char *const *ids = nullptr;
        int32_t n = 0, f = 0, c = 0;
        Zeph_LoadGallery(ctx.deviceHandle, &ids, &n, &f, &c);
        capture(subject);
        QCOMPARE(Zeph_EnrollCapture(ctx.deviceHandle, id), ZEPH_OK);
        QCOMPARE(Zeph_CommitGallery(ctx.deviceHandle), ZEPH_OK);
    }
};

const QString kEnrolled = QStringLiteral("Enroll as administrator successfully!");
const QString kRoleSet = QStringLiteral("Set role successfully!");
const QString kUnenrolled = QStringLiteral("Unenroll administrator successfully!");
} // namespace

class TestSecurity : public QObject
{
    Q_OBJECT
private slots:
    // A fresh camera takes its first administrator without a login; from
    // then on it guards itself. As ADMIN the administrator's operations pass
    // (what the lock withholds is tst_captureresults' and zeph/test_security's,
    // its refetch tst_sysmanagementwidget's, like a session ended by its
    // administrator's removal). The raised enrollee logs in as SUPERUSER.
    void commissioningThenSessions()
    {
        Flow f;
        f.enrollAdmin(Boss, "Boss1", kEnrolled);
        QCOMPARE(f.items("cbAdminIDs"), QStringList({"Boss1"}));
        QVERIFY(!f.ctx.loginId);

        f.enrollAdmin(Second, "Adm2", kAdminDenied);
        f.enrollee(Pat, "Pat1");
        f.press("BtnSetRole", "Set role", kSuperDenied, "Pat1");
        QCOMPARE(f.items("m_cbUserIDs"), QStringList({"Pat1"}));

        // The login work area starts on SUPERUSER, listing the enrollees,
        // with no ID typed; ADMIN lists the administrators.
        f.show(WorkAreaLogin);
        QVERIFY(f.find<QRadioButton>("m_rdSuperUser")->isChecked());
        QCOMPARE(f.items("m_cbLoginIDs"), QStringList({"Pat1"}));
        QCOMPARE(f.find<QComboBox>("m_cbLoginIDs")->currentText(), QString());
        f.click("m_rdAdmin");
        QCOMPARE(f.items("m_cbLoginIDs"), QStringList({"Boss1"}));
        f.click("m_rdSuperUser");
        QCOMPARE(f.items("m_cbLoginIDs"), QStringList({"Pat1"}));

        f.login(ZEPH_ROLE_ADMIN, Boss, "Boss1", "Login successful");
        QCOMPARE(QByteArray(f.ctx.loginId->id), QByteArray("Boss1"));

        f.enrollAdmin(Second, "Adm2", kEnrolled);
        QCOMPARE(f.items("cbAdminIDs"), QStringList({"Adm2", "Boss1"}));
        f.press("BtnSetRole", "Set role", kRoleSet, "Pat1");
        f.press("BtnUnenrollAdmin", "Administrator Unenrollment", kUnenrolled, "Adm2");
        QVERIFY(f.ctx.loginId); // another administrator: the session stays
        f.reopen(WorkAreaLogin);
        f.boxes.expect("Logout", "OK", "Logout successful");
        f.click("BtnLogin");
        SCRIPT_DONE(f);
        QVERIFY(!f.ctx.loginId);

        f.login(ZEPH_ROLE_SUPERUSER, Pat, "Pat1", "Login successful");
        QCOMPARE(f.ctx.loginId->role, int32_t(ZEPH_ROLE_SUPERUSER));
        QCOMPARE(f.find<QLabel>("lblRoleText")->text(), QStringLiteral("SUPERUSER"));
        f.press("BtnLockDevice", "Lock device", kAdminDenied);
    }
};

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
