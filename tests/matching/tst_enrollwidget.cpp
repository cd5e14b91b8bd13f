// The matching work area: its plain rules, then the work area in the main
// window end to end on the virtual camera, with captures fetched as the
// capture work area does (the camera's own gallery rules are tests/zeph's).

#include "support/AdminScreen.h"
#include "core/FixedText.h"
#include "core/KeldWaitingDlg.h"
#include "core/RecoveryOffer.h"
#include "core/SoundPlayer.h"
#include "matching/EnrollWidget.h"
#include "matching/MatchDecision.h"

#include <cstring>
#include <memory>
#include <vector>

// The description contains `text`; it is printed when it does not.
#define QVERIFY_SAYS(screen, text) \
    QVERIFY2((screen).description().contains(text), qPrintable((screen).description()))

namespace {

const char kBino[] = ZVC_DEFAULT_USB_BINOCULAR;
const char kNotEnrolled[] = "This person is not in the enrollment database.";

// The description panel's frame around a message.
QString shown(const char *colour, const QString &text)
{
    return QStringLiteral("<h2><font color=%1>%2</font></h2>").arg(QLatin1String(colour), text);
}

ZephMatchCandidate candidate(const char *id, float distance)
{
    ZephMatchCandidate c{};
    std::memcpy(c.id, id, std::min<std::size_t>(std::strlen(id), sizeof c.id));
    c.distance = distance;
    return c;
}

// The main window on the matching work area of the open binocular camera.
// A box the test did not expect fails it.
struct Screen : AdminScreen {
    explicit Screen(const char *device = kDevice, int windowWidth = 0) : AdminScreen(true, device)
    {
        if (windowWidth)
            ctx.windowWidth = windowWidth;
        show(WorkAreaMatching);
    }
    ~Screen()
    {
        if (!QTest::currentTestFailed())
            QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }
    void type(const QString &id) { setText("cbEnrollID", id); }
    QString description() { return find<QLabel>("lbDescription")->text(); }
    QString distance() { return find<QLabel>("lbDistance")->text(); }
    QString picture() { return find<QLabel>("lbResult")->property("picture").toString(); }
    QStringList ids() { return items("cbEnrollID"); }
    ZvcLedState led(int which)
    {
        ZvcLedState s{};
        Zvc_GetLed(kBino, which, &s);
        return s;
    }
    void setDedup(bool on)
    {
        ZephDeviceConfig c = cameraRecord();
        c.enableDedup = on ? 1 : 0;
        QCOMPARE(Zeph_SetDeviceConfig(ctx.deviceHandle, &c), 0);
    }
    void enrol(uint32_t subject, const QString &id)
    {
        capture(subject);
        type(id);
        click("btEnroll");
    }
};

} // namespace

class TestEnrollWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        KeldWaitingDlg::setManualTicksForTesting(true);
        SoundPlayer::setListener([](const QString &) {});
    }

    // 1:1 and 1:N share the bands (imposter threshold 1.1); each names them
    // with its own codes.
    void outcome_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<float>("distance");
        QTest::addColumn<float>("genuine");
        QTest::addColumn<int>("verified");
        QTest::addColumn<int>("identified");
        QTest::newRow("just under the limit") << 0 << 0.0159f << 1.0f << 9 << 1;
        QTest::newRow("at genuine") << 0 << 1.0f << 1.0f << 10 << 2;
        QTest::newRow("above genuine") << 0 << 1.0001f << 1.0f << 11 << 3;
        QTest::newRow("above imposter") << 0 << 1.1001f << 1.0f << 12 << 4;
        QTest::newRow("nobody") << 0 << MatchDecision::kNoDistance << 1.0f << 12 << 4;
        QTest::newRow("low genuine, above the limit") << 0 << 0.02f << 0.01f << 11 << 3;
        QTest::newRow("wrong eye") << int(ZEPH_ERR_WRONG_EYE_SUBTYPE) << 0.0f << 1.0f << 16 << 31;
        // Any failure beats the distance, even one in the exact band.
        QTest::newRow("gallery empty") << int(ZEPH_ERR_GALLERY_EMPTY) << 0.001f << 1.0f << 31 << 31;
    }
    void outcome()
    {
        QFETCH(int, result);
        QFETCH(float, distance);
        QFETCH(float, genuine);
        QFETCH(int, verified);
        QFETCH(int, identified);
        MatchThresholds t;
        t.genuine = genuine;
        t.imposter = 1.1f;
        QCOMPARE(int(MatchDecision::verification(result, distance, t)), verified);
        QCOMPARE(int(MatchDecision::identification(result, distance, t)), identified);
    }

    // An ID filling its whole field, and a count without its array, are the
    // identification steps' below (the library lying).
    void bestCandidate()
    {
        const std::vector<ZephMatchCandidate> two = {candidate("B", 0.7f), candidate("A", 0.5f),
                                                     candidate("C", 0.5f), candidate("D", 0.9f)};
        BestCandidate b = MatchDecision::best(two.data(), int32_t(two.size()));
        QVERIFY(b.found);
        QCOMPARE(b.id, QByteArray("A")); // the first of the two equal ones
        QCOMPARE(b.distance, 0.5f);
    }

    void enrolIdentifyVerifyUnenrol()
    {
        Screen s;
        QCOMPARE(s.ids(), QStringList());
        QCOMPARE(s.find<QLabel>("lbRightEye")->text(),
                 QStringLiteral("Please capture before enrolling or matching"));
        s.setDedup(false);

        s.enrol(11, QStringLiteral("A0001"));
        QCOMPARE(s.description(), shown("green", "Your iris has been enrolled successfully as ID 'A0001'"));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTSUCCEEDED"));
        QCOMPARE(s.ids(), QStringList{"A0001"});
        QVERIFY(s.led(ZEPH_LED_GREEN).blinking);
        s.enrol(12, QStringLiteral("  B0002 \t")); // enrolled without the spaces
        QCOMPARE(s.ids(), (QStringList{"A0001", "B0002"}));

        // The library's texts and arrays are read within their fields, and
        // the ID list is the program's own copy.
        const QList<QByteArray> copies = s.ctx.enrolleeIdList();
        QCOMPARE(copies, (QList<QByteArray>{"A0001", "B0002"}));
        QCOMPARE(Zvc_LieNext("Zeph_GetGalleryInfo", ZVC_LIE_TEXT_UNTERMINATED), 0);
        QCOMPARE(s.ctx.enrolleeIdList(),
                 (QList<QByteArray>{"A0001" + QByteArray(27, '#'), "B0002" + QByteArray(27, '#')}));
        QCOMPARE(Zvc_LieNext("Zeph_GetGalleryInfo", ZVC_LIE_NULL_ARRAY), 0);
        QCOMPARE(s.ctx.enrolleeIdList(), QList<QByteArray>()); // a count without its array
        // The library's arrays have been replaced (and overwritten by the lie) since.
        QCOMPARE(copies, (QList<QByteArray>{"A0001", "B0002"}));

        // Identified, the library lying first: an ID without its end is read
        // to the field's end; candidates without their array are nobody.
        s.capture(11);
        QCOMPARE(Zvc_LieNext("Zeph_Compare1N", ZVC_LIE_TEXT_UNTERMINATED), 0);
        s.click("btIdentify");
        QVERIFY_SAYS(s, "Welcome 'A0001" + QString(27, '#') + "'.");
        QCOMPARE(Zvc_LieNext("Zeph_Compare1N", ZVC_LIE_NULL_ARRAY), 0);
        s.click("btIdentify");
        QVERIFY_SAYS(s, kNotEnrolled);
        QCOMPARE(s.distance(), QString());
        // Then named, in blue, and put in the list's edit text.
        s.type(QStringLiteral("B0002"));
        s.click("btIdentify");
        QCOMPARE(s.description(),
                 shown("green", "Welcome 'A0001'. Your identity has been identified successfully."));
        QVERIFY2(s.distance().startsWith("Distance: <font color=blue>0."), qPrintable(s.distance()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSGRANTED"));
        QCOMPARE(s.find<QComboBox>("cbEnrollID")->currentText(), QStringLiteral("A0001"));
        QVERIFY(s.led(ZEPH_LED_GREEN).on && !s.led(ZEPH_LED_GREEN).blinking);

        // Verify: genuine, then A against B's ID.
        s.type(QStringLiteral("A0001"));
        s.click("btVerify");
        QVERIFY_SAYS(s, "Welcome 'A0001'. Your identity has been verified");
        QCOMPARE(s.picture(), QStringLiteral("ACCESSGRANTED"));
        s.type(QStringLiteral("B0002"));
        s.click("btVerify");
        QCOMPARE(s.description(), shown("red", "Your identity does not match with ID 'B0002'"));
        QVERIFY2(s.distance().startsWith("Distance: <font color=red>"), qPrintable(s.distance()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSDENIED"));

        // Check ID shows the counts.
        s.type(QStringLiteral("A0001"));
        s.click("btCheckID");
        const QString info = s.find<QLabel>("lbResult")->text();
        QVERIFY2(info.startsWith("Enrollee ID 'A0001':\n  - Creator version = 0x"), qPrintable(info));
        QVERIFY2(info.contains("Left iris count = 1\n") && info.contains("Total iris count = 2\n"),
                 qPrintable(info));

        // Unenrol, No first: nothing happens. An administrator's own ID goes
        // without logging out.
        s.ctx.loginId = std::make_unique<LoginSession>();
        std::strcpy(s.ctx.loginId->id, "A0001");
        const int logouts = Zvc_CallCount("Zeph_Logout");
        const int before = Zvc_CallCount("Zeph_UnenrollTemplate");
        s.boxes.expect("Unenrollment", "No",
                       "Are you sure to unenroll the user with ID 'A0001' from system?");
        s.click("btUnenroll");
        QCOMPARE(Zvc_CallCount("Zeph_UnenrollTemplate"), before);
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QCOMPARE(s.description(), shown("green", "The user with ID 'A0001' has been removed successfully"));
        QCOMPARE(s.picture(), QStringLiteral("UNENROLLMENTSUCCEEDED"));
        QCOMPARE(s.ids(), QStringList{"B0002"});
        QVERIFY(s.ctx.loginId);
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), logouts);

        // With dedup on, B's iris is refused under another ID.
        s.setDedup(true);
        s.enrol(12, QStringLiteral("D2"));
        QVERIFY_SAYS(s, "Duplicated iris(es) enrollment was not allowed");
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList{"B0002"});

        // Unenrolling the super user who is logged in logs out.
        s.ctx.loginId = std::make_unique<LoginSession>();
        std::strcpy(s.ctx.loginId->id, "B0002");
        s.ctx.loginId->role = 1;
        s.type(QStringLiteral("B0002"));
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QVERIFY(!s.ctx.loginId);
        QCOMPARE(Zvc_CallCount("Zeph_Logout"), logouts + 1);
    }

    void notMatchableAndWrongEye()
    {
        Screen s;
        s.setDedup(false);
        s.capture(21, ZVC_EYE_SHARP, ZVC_EYE_ABSENT);
        s.type(QStringLiteral("R1"));
        s.boxes.expect("Confirmation", "Yes",
                       "You should capture both irises for enrollment. Do you want to continue "
                       "with one iris missing?");
        s.click("btEnroll");
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTSUCCEEDED"));

        // Only the left eye now: the enrolled right one cannot be compared.
        s.capture(21, ZVC_EYE_ABSENT, ZVC_EYE_SHARP);
        s.click("btVerify");
        QCOMPARE(s.description(),
                 shown("red", "You enrolled with left (or right) eye but verifying with different eye side"));
        QCOMPARE(s.distance(), QString());
        QCOMPARE(s.picture(), QStringLiteral("ACCESSDENIED"));

        // A poorly presented right eye lands between the thresholds.
        s.capture(21, ZVC_EYE_BLURRED, ZVC_EYE_ABSENT);
        s.click("btVerify");
        QVERIFY_SAYS(s, "The image is not matchable");
        QVERIFY2(s.distance().startsWith("Distance: <font color=orange>1.0"), qPrintable(s.distance()));
        QVERIFY(s.led(ZEPH_LED_ORANGE).on);
    }

    // One row per verdict, each refused before any call reaches the camera.
    void idRefusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("only spaces") << "  \t" << "Error" << "Please input ID.";
        QTest::newRow("32 characters") << QString(32, 'a') << "Error"
                                       << "The enrollee ID only has maximum length of 31 characters";
        QTest::newRow("hyphen") << "A-1" << "ERROR" << "The ID must be alphanumeric characters.";
    }
    void idRefusals()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Screen s;
        s.capture(41);
        // The editor's own limit lifted, as the check must stand on its own.
        QCOMPARE(s.find<QComboBox>("cbEnrollID")->lineEdit()->maxLength(), 31);
        s.find<QComboBox>("cbEnrollID")->lineEdit()->setMaxLength(64);
        s.type(typed);
        for (const char *button : {"btEnroll", "btVerify", "btUnenroll", "btCheckID"}) {
            s.boxes.expect(title, "OK", text);
            const int calls = Zvc_JournalSize();
            s.click(button);
            QVERIFY2(Zvc_JournalSize() == calls, button); // no call reached the camera
        }
    }

    void commitFailureIsNoSuccess()
    {
        Screen s;
        Zvc_FailNext("Zeph_CommitGallery", 1, ZEPH_ERR_DEVICE_IO_FAILED);
        s.enrol(51, QStringLiteral("C1"));
        QVERIFY(s.description().startsWith("<h2><font color=red>"));
        QVERIFY2(!s.description().contains("successfully"), qPrintable(s.description()));
        QCOMPARE(s.ctx.lastResult, int(ZEPH_ERR_DEVICE_IO_FAILED));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList());
        QVERIFY(s.led(ZEPH_LED_RED).blinking);

        // Unenrolment likewise keeps the item when its commit fails.
        // The refused commit left the change pending on the camera.
        s.boxes.expect("Confirmation", "Yes",
                       "Enrollee ID 'C1' existed in device.\nDo you want to enroll to existing ID?");
        s.click("btEnroll");
        QCOMPARE(s.ids(), QStringList{"C1"});
        Zvc_FailDevice(kBino, "Zeph_CommitGallery", 1, ZEPH_ERR_DEVICE_IO_FAILED, 0);
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QCOMPARE(s.picture(), QStringLiteral("UNENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList{"C1"});
    }

    void galleryLimits()
    {
        Screen s;
        s.setDedup(false);
        QCOMPARE(Zvc_SetGalleryLimits(kBino, 1, 3, 0), 0);
        s.enrol(71, QStringLiteral("L1"));
        QCOMPARE(s.ids(), QStringList{"L1"});
        s.boxes.expect("Enrollment", "OK", "It is not able to enroll new ID because the gallery was full.");
        s.enrol(72, QStringLiteral("L2"));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));
    }

    void failuresOfTheLinkAreOfferedRecovery()
    {
        // Records the failures offered (the context hands every result over).
        struct Recorder : RecoveryOffer {
            QList<int> offered;
            bool offerRecovery(ZephResult r) override
            {
                if (r != 0)
                    offered << r;
                return false;
            }
            bool isRecoveryRunning() const override { return false; }
        };
        VirtualCameraFixture camera;
        AppContext &ctx = camera.context();
        auto owned = std::make_unique<Recorder>();
        const QList<int> &offered = owned->offered;
        ctx.installRecoveryOffer(std::move(owned));
        FixedText::copy(ctx.selectedDeviceName, kBino);
        QCOMPARE(ctx.openDevice(true), 0);
        Zvc_FailNext("Zeph_GetGalleryInfo", 1, ZEPH_ERR_IO_TIMEOUT);
        ZephResult r = -1;
        QVERIFY(ctx.loadGallery(&r, nullptr, nullptr, nullptr, nullptr));
        QCOMPARE(r, int(ZEPH_ERR_IO_TIMEOUT));
        QCOMPARE(offered, QList<int>{ZEPH_ERR_IO_TIMEOUT});
    }

    void capturePreconditions()
    {
        Screen s;
        s.type(QStringLiteral("Q1"));
        // No capture yet: the prompt, titled by the action.
        for (const char *title : {"Enrollment", "Verification", "Identification"}) {
            s.boxes.expect(title, "Cancel", "Please capture your iris image first.");
            s.click(title[0] == 'E' ? "btEnroll" : title[0] == 'V' ? "btVerify" : "btIdentify");
        }
        QCOMPARE(Zvc_CallCount("Zeph_EnrollCapture") + Zvc_CallCount("Zeph_Compare11")
                     + Zvc_CallCount("Zeph_Compare1N"),
                 0);

        // No device at all: refused before the capture is looked at.
        s.capture(101);
        const QString described = s.description();
        s.ctx.closeDevice();
        s.ctx.selectedDeviceName[0] = 0;
        s.boxes.expect("Error", "OK", "No device selected or entered");
        s.click("btVerify");
        QCOMPARE(s.ctx.statusMessage(), QStringLiteral("Invalid parameter"));
        QCOMPARE(s.description(), described);
    }
};

QTEST_MAIN(TestEnrollWidget)
#include "tst_enrollwidget.moc"
