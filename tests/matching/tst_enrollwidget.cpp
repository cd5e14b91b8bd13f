// The matching work area in the main window, end to end on the virtual
// camera: captures made through the camera's calls and fetched into the
// last capture as the capture work area does, then enrolment, the ID
// list, 1:1 and 1:N matching, check ID and unenrolment.

#include "admin/AutoRecoveryDlg.h"
#include "app/KeldTerminal.h"
#include "capture/CaptureResults.h"
#include "core/AppContext.h"
#include "core/CaptureService.h"
#include "core/FixedText.h"
#include "core/KeldWaitingDlg.h"
#include "core/RecoveryOffer.h"
#include "core/SoundPlayer.h"
#include "matching/EnrollWidget.h"
#include "platform/Clock.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstring>
#include <memory>

namespace {

const char kBino[] = ZVC_DEFAULT_USB_BINOCULAR;
const char kMono[] = ZVC_DEFAULT_USB_MONOCULAR;

QStringList itemsOf(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Records the failures the context offers for recovery.
class RecordingRecovery : public RecoveryOffer
{
public:
    explicit RecordingRecovery(QList<int> *offered) : m_offered(offered) {}
    bool offerRecovery(ZephResult result) override
    {
        if (result != 0) // the context hands every result over; the offer picks
            m_offered->append(result);
        return false;
    }
    bool isRecoveryRunning() const override { return false; }

private:
    QList<int> *m_offered;
};

// The main window on the matching work area. A box the test did not
// expect fails it.
struct Screen {
    explicit Screen(AppContext &context, const char *device = kBino) : ctx(context)
    {
        SoundPlayer::setListener([](const QString &) {});
        window = std::make_unique<KeldTerminal>();
        QCoreApplication::processEvents(); // the start-up scan
        if (auto *list = window->centralWidget()->findChild<QComboBox *>(QStringLiteral("cbDevList")))
            list->setCurrentIndex(list->findText(QString::fromLatin1(device)));
        FixedText::copy(ctx.selectedDeviceName, device);
        if (qEnvironmentVariableIsSet("GLINT_SHOT_DIR"))
            window->show();
        window->OnActionEnroll();
        QCoreApplication::processEvents(); // InitControl
        area = qobject_cast<EnrollWidget *>(window->centralWidget());
    }
    ~Screen()
    {
        window.reset();
        SoundPlayer::setListener({});
        if (!QTest::currentTestFailed())
            QVERIFY2(boxes.satisfied(), qPrintable(boxes.describe()));
    }
    template <class T>
    T *get(const char *name)
    {
        return area ? area->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }
    void click(const char *name)
    {
        QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton);
        const QString dir = qEnvironmentVariable("GLINT_SHOT_DIR");
        if (!dir.isEmpty())
            window->grab().save(QStringLiteral("%1/%2-%3.png").arg(dir).arg(++shots).arg(name));
    }
    int shots = 0;
    void type(const QString &id) { get<QComboBox>("cbEnrollID")->setEditText(id); }
    QString description() { return get<QLabel>("lbDescription")->text(); }
    QString distance() { return get<QLabel>("lbDistance")->text(); }
    QString picture() { return get<QLabel>("lbResult")->property("picture").toString(); }
    QStringList ids() { return itemsOf(get<QComboBox>("cbEnrollID")); }
    ZvcLedState led(int which)
    {
        ZvcLedState s{};
        Zvc_GetLed(kBino, which, &s);
        return s;
    }

    // One capture of `subject` completed on model time and fetched into
    // the last capture.
    void capture(uint32_t subject, int right = ZVC_EYE_SHARP, int left = ZVC_EYE_SHARP)
    {
        QCOMPARE(ctx.openDevice(true), 0);
        if (!ctx.cameraInitialized)
            QCOMPARE(ctx.initCamera(), 0);
        Zeph_StopCapture(ctx.deviceHandle);
        Zvc_PresentSubject(kBino, subject);
        Zvc_PresentEye(kBino, ZEPH_EYE_RIGHT, right);
        Zvc_PresentEye(kBino, ZEPH_EYE_LEFT, left);
        QCOMPARE(Zeph_StartCapture(ctx.deviceHandle, 1, 3, ZEPH_QUALITY_NORMAL,
                                   ZEPH_OPERATION_AUTO, ZEPH_EYE_BOTH, 0, nullptr, nullptr),
                 0);
        Zvc_AdvanceTime(20000);
        int32_t status = -1;
        Zvc_CaptureStatus(kBino, &status);
        QCOMPARE(status, int(ZEPH_STATUS_COMPLETE));
        ctx.lastCapture.captureTime = Clock::instance().monotonicMs();
        ctx.captureService()->fetchCaptureResults(ctx.isoRevision, nullptr);
        ctx.lastResult = 0;
    }

    AppContext &ctx;
    MessageBoxScript boxes;
    std::unique_ptr<KeldTerminal> window;
    EnrollWidget *area = nullptr;
};

ZephResult setDedup(AppContext &ctx, bool on)
{
    ZephDeviceConfig c{};
    ZephResult r = Zeph_GetDeviceConfig(ctx.deviceHandle, &c);
    if (r != 0)
        return r;
    c.enableDedup = on ? 1 : 0;
    return Zeph_SetDeviceConfig(ctx.deviceHandle, &c);
}

} // namespace

class TestEnrollWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        KeldWaitingDlg::setManualTicksForTesting(true);
        m_clock = std::make_unique<FakeClock>();
    }

    void enrolIdentifyVerifyUnenrol()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        QVERIFY(s.area);
        QCOMPARE(s.ids(), QStringList());
        QCOMPARE(s.get<QLabel>("lbRightEye")->text(),
                 QStringLiteral("Please capture before enrolling or matching"));
        QVERIFY(setDedup(s.ctx, false) == 0);

        s.capture(11);
        s.type(QStringLiteral("A0001"));
        s.click("btEnroll");
        QCOMPARE(s.description(), QStringLiteral("<h2><font color=green>Your iris has been enrolled "
                                                 "successfully as ID 'A0001'</font></h2>"));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTSUCCEEDED"));
        QCOMPARE(s.ids(), QStringList{"A0001"});
        QVERIFY(s.led(ZEPH_LED_GREEN).blinking);

        s.capture(12);
        s.type(QStringLiteral("B0002"));
        s.click("btEnroll");
        QCOMPARE(s.ids(), (QStringList{"A0001", "B0002"}));

        // Someone not enrolled.
        s.capture(13);
        s.click("btIdentify");
        QVERIFY2(s.description().contains("This person is not in the enrollment database."),
                 qPrintable(s.description()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSDENIED"));
        QVERIFY(s.led(ZEPH_LED_RED).blinking);

        // A again: named, in blue, and put in the list's edit text.
        s.capture(11);
        s.type(QStringLiteral("B0002"));
        s.click("btIdentify");
        QCOMPARE(s.description(), QStringLiteral("<h2><font color=green>Welcome 'A0001'. Your "
                                                 "identity has been identified successfully."
                                                 "</font></h2>"));
        QVERIFY2(s.distance().startsWith("Distance: <font color=blue>0."), qPrintable(s.distance()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSGRANTED"));
        QCOMPARE(s.get<QComboBox>("cbEnrollID")->currentText(), QStringLiteral("A0001"));
        QVERIFY(s.led(ZEPH_LED_GREEN).on && !s.led(ZEPH_LED_GREEN).blinking);

        // Verify: genuine, then A against B's ID.
        s.type(QStringLiteral("A0001"));
        s.click("btVerify");
        QVERIFY2(s.description().contains("Welcome 'A0001'. Your identity has been verified"),
                 qPrintable(s.description()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSGRANTED"));
        s.type(QStringLiteral("B0002"));
        s.click("btVerify");
        QCOMPARE(s.description(), QStringLiteral("<h2><font color=red>Your identity does not match "
                                                 "with ID 'B0002'</font></h2>"));
        QVERIFY2(s.distance().startsWith("Distance: <font color=red>"), qPrintable(s.distance()));
        QCOMPARE(s.picture(), QStringLiteral("ACCESSDENIED"));

        // Check ID shows the counts.
        s.type(QStringLiteral("A0001"));
        s.click("btCheckID");
        const QString info = s.get<QLabel>("lbResult")->text();
        QVERIFY2(info.startsWith("Enrollee ID 'A0001':\n  - Creator version = 0x"), qPrintable(info));
        QVERIFY2(info.contains("Left iris count = 1\n") && info.contains("Total iris count = 2\n"),
                 qPrintable(info));

        // Unenrol, No first: nothing happens.
        const int before = Zvc_CallCount("Zeph_UnenrollTemplate");
        s.boxes.expect("Unenrollment", "No",
                       "Are you sure to unenroll the user with ID 'A0001' from system?");
        s.click("btUnenroll");
        QCOMPARE(Zvc_CallCount("Zeph_UnenrollTemplate"), before);
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QCOMPARE(s.description(), QStringLiteral("<h2><font color=green>The user with ID 'A0001' "
                                                 "has been removed successfully</font></h2>"));
        QCOMPARE(s.picture(), QStringLiteral("UNENROLLMENTSUCCEEDED"));
        QCOMPARE(s.ids(), QStringList{"B0002"});

        s.capture(11);
        s.click("btIdentify");
        QVERIFY2(s.description().contains("This person is not in the enrollment database."),
                 qPrintable(s.description()));

        // Check ID of the removed ID: the device's message in red, no text.
        s.type(QStringLiteral("A0001"));
        s.click("btCheckID");
        QVERIFY(s.description().startsWith("<h2><font color=red>"));
        QCOMPARE(s.get<QLabel>("lbResult")->text(), QString());
    }

    void notMatchableAndWrongEye()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        QVERIFY(setDedup(s.ctx, false) == 0);
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
        QCOMPARE(s.description(), QStringLiteral("<h2><font color=red>You enrolled with left (or "
                                                 "right) eye but verifying with different eye "
                                                 "side</font></h2>"));
        QCOMPARE(s.distance(), QString());
        QCOMPARE(s.picture(), QStringLiteral("ACCESSDENIED"));

        // A poorly presented right eye lands between the thresholds.
        s.capture(21, ZVC_EYE_BLURRED, ZVC_EYE_ABSENT);
        s.click("btVerify");
        QVERIFY2(s.description().contains("The image is not matchable"), qPrintable(s.description()));
        QVERIFY2(s.distance().startsWith("Distance: <font color=orange>1.0"), qPrintable(s.distance()));
        ZvcLedState orange{};
        QCOMPARE(Zvc_GetLed(ZVC_DEFAULT_USB_BINOCULAR, ZEPH_LED_ORANGE, &orange), ZEPH_OK);
        QVERIFY(orange.on);
    }

    void duplicateRefused()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        QVERIFY(setDedup(s.ctx, true) == 0);
        s.capture(31);
        s.type(QStringLiteral("D1"));
        s.click("btEnroll");
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTSUCCEEDED"));
        s.capture(31);
        s.type(QStringLiteral("D2"));
        s.click("btEnroll");
        QVERIFY2(s.description().contains("Duplicated iris(es) enrollment was not allowed"),
                 qPrintable(s.description()));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList{"D1"});
    }

    void idRefusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "" << "Error" << "Please input ID.";
        QTest::newRow("32 characters") << QString(32, 'a') << "Error"
                                       << "The enrollee ID only has maximum length of 31 characters";
        QTest::newRow("inner space") << "A 1" << "ERROR" << "The ID must be alphanumeric characters.";
        QTest::newRow("hyphen") << "A-1" << "ERROR" << "The ID must be alphanumeric characters.";
    }
    void idRefusals()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, text);
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.capture(41);
        // The editor's own limit lifted, as the check must stand on its own.
        s.get<QComboBox>("cbEnrollID")->lineEdit()->setMaxLength(64);
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
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.capture(51);
        s.type(QStringLiteral("C1"));
        Zvc_FailNext("Zeph_CommitGallery", 1, ZEPH_ERR_DEVICE_IO_FAILED);
        s.click("btEnroll");
        QVERIFY2(!s.description().contains("successfully"), qPrintable(s.description()));
        QVERIFY(s.description().startsWith("<h2><font color=red>"));
        QCOMPARE(s.ctx.lastResult, int(ZEPH_ERR_DEVICE_IO_FAILED));
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList());
        QVERIFY(s.led(ZEPH_LED_RED).blinking);

        // Unenrolment likewise keeps the item when its commit fails.
        // The refused commit left the change pending on the camera.
        s.boxes.expect("Confirmation", "Yes");
        s.click("btEnroll");
        QCOMPARE(s.ids(), QStringList{"C1"});
        Zvc_FailDevice(kBino, "Zeph_CommitGallery", 1, ZEPH_ERR_DEVICE_IO_FAILED, 0);
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QCOMPARE(s.picture(), QStringLiteral("UNENROLLMENTFAILED"));
        QCOMPARE(s.ids(), QStringList{"C1"});
    }

    void gallerySurvivesRestarts()
    {
        VirtualCameraFixture camera;
        {
            Screen s(camera.context());
            s.capture(61);
            s.type(QStringLiteral("P1"));
            s.click("btEnroll");
            QCOMPARE(s.ids(), QStringList{"P1"});
        }
        camera.context().closeDevice();
        {
            // The program again, with a context of its own.
            auto ctx = std::make_unique<AppContext>();
            ctx->installRecoveryOffer(std::make_unique<AutoRecoveryDlg>());
            ctx->installCaptureService(std::make_unique<CaptureResults>(*ctx));
            ctx->initialize(QRect(0, 0, 1920, 1080), camera.folder());
            {
                Screen s(*ctx);
                QCOMPARE(s.ids(), QStringList{"P1"});
                s.capture(61);
                s.click("btIdentify");
                QVERIFY2(s.description().contains("Welcome 'P1'"), qPrintable(s.description()));
            }
            ctx.reset();
        }
        // The camera restarted too (its state folder kept).
        Zvc_Reset();
        AppContext again;
        again.installCaptureService(std::make_unique<CaptureResults>(again));
        again.initialize(QRect(0, 0, 1920, 1080), camera.folder());
        Screen s(again);
        QCOMPARE(s.ids(), QStringList{"P1"});
    }

    void galleryLimits()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        QVERIFY(setDedup(s.ctx, false) == 0);
        QCOMPARE(Zvc_SetGalleryLimits(kBino, 1, 2, 0), 0);
        s.capture(71);
        s.type(QStringLiteral("L1"));
        s.click("btEnroll");
        QCOMPARE(s.ids(), QStringList{"L1"});

        s.capture(72);
        s.type(QStringLiteral("L2"));
        s.boxes.expect("Enrollment", "OK",
                       "It is not able to enroll new ID because the gallery was full.");
        s.click("btEnroll");
        QCOMPARE(s.picture(), QStringLiteral("ENROLLMENTFAILED"));

        // L1 holds its two templates: one more is refused.
        s.type(QStringLiteral("L1"));
        s.boxes.expect("Confirmation", "Yes",
                       "Enrollee ID 'L1' existed in device.\nDo you want to enroll to existing ID?");
        s.boxes.expect("Enrollment", "OK");
        s.click("btEnroll");
        QCOMPARE(s.boxes.shown().last().text.contains("'L1'"), true);
        QVERIFY2(s.boxes.shown().last().text.contains("2"), qPrintable(s.boxes.shown().last().text));
    }

    void candidateIdWithoutItsZero()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.capture(81);
        s.type(QStringLiteral("N1"));
        s.click("btEnroll");
        s.capture(81);
        QCOMPARE(Zvc_LieNext("Zeph_Compare1N", ZVC_LIE_TEXT_UNTERMINATED), 0);
        s.click("btIdentify");
        const QString whole = QStringLiteral("N1") + QString(30, '#');
        QVERIFY2(s.description().contains("Welcome '" + whole + "'."), qPrintable(s.description()));
    }

    void failuresOfTheLinkAreOfferedRecovery()
    {
        VirtualCameraFixture camera;
        QList<int> offered;
        AppContext &ctx = camera.context();
        ctx.installRecoveryOffer(std::make_unique<RecordingRecovery>(&offered));
        FixedText::copy(ctx.selectedDeviceName, kBino);
        QCOMPARE(ctx.openDevice(true), 0);
        Zvc_FailNext("Zeph_GetGalleryInfo", 1, ZEPH_ERR_IO_TIMEOUT);
        ZephResult r = -1;
        QVERIFY(ctx.loadGallery(&r, nullptr, nullptr, nullptr, nullptr));
        QCOMPARE(r, int(ZEPH_ERR_IO_TIMEOUT));
        QCOMPARE(offered, QList<int>{ZEPH_ERR_IO_TIMEOUT});
        Zvc_FailNext("Zeph_GetGalleryInfo", 1, ZEPH_ERR_ID_NOT_FOUND);
        QVERIFY(ctx.loadGallery(nullptr, nullptr, nullptr, nullptr, nullptr));
        QCOMPARE(offered.size(), 1); // not a link failure

        // The list is the program's own copy: later gallery calls that
        // replace the library's array leave it as it was.
        QCOMPARE(ctx.loadGallery(nullptr, nullptr, nullptr, nullptr, nullptr), true);
        QCOMPARE(ctx.enrolleeIdList(), QList<QByteArray>());
    }

    void libraryArraysAreNotTrusted()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        QVERIFY(setDedup(s.ctx, false) == 0);
        for (const char *id : {"P1", "P2"}) {
            s.capture(id[1] == '1' ? 91 : 92);
            s.type(QString::fromLatin1(id));
            s.click("btEnroll");
        }
        const QList<QByteArray> copies = s.ctx.enrolleeIdList();
        QCOMPARE(copies, (QList<QByteArray>{"P1", "P2"}));

        // IDs filling their whole fields are read up to the field's end.
        QCOMPARE(Zvc_LieNext("Zeph_GetGalleryInfo", ZVC_LIE_TEXT_UNTERMINATED), 0);
        QCOMPARE(s.ctx.enrolleeIdList(),
                 (QList<QByteArray>{"P1" + QByteArray(30, '#'), "P2" + QByteArray(30, '#')}));
        // A count without its array is no list.
        QCOMPARE(Zvc_LieNext("Zeph_GetGalleryInfo", ZVC_LIE_NULL_ARRAY), 0);
        QCOMPARE(s.ctx.enrolleeIdList(), QList<QByteArray>());

        // The first list was copied: the library's arrays have been
        // replaced (and overwritten by the lie) since.
        QCOMPARE(copies, (QList<QByteArray>{"P1", "P2"}));

        // Candidates without their array: nobody found, no distance.
        s.capture(91);
        QCOMPARE(Zvc_LieNext("Zeph_Compare1N", ZVC_LIE_NULL_ARRAY), 0);
        s.click("btIdentify");
        QVERIFY2(s.description().contains("This person is not in the enrollment database."),
                 qPrintable(s.description()));
        QCOMPARE(s.distance(), QString());
    }

    void capturePreconditions()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.type(QStringLiteral("Q1"));
        // No capture yet: the prompt, titled by the action.
        for (const char *title : {"Enrollment", "Verification", "Identification"}) {
            s.boxes.expect(title, "Cancel", "Please capture your iris image first.");
            s.click(title[0] == 'E' ? "btEnroll" : title[0] == 'V' ? "btVerify" : "btIdentify");
        }
        QCOMPARE(Zvc_CallCount("Zeph_EnrollCapture") + Zvc_CallCount("Zeph_Compare11")
                     + Zvc_CallCount("Zeph_Compare1N"),
                 0);

        // A capture older than the limit is used only when the operator says so.
        s.capture(101);
        m_clock->advance((s.ctx.capturedResultTimeout + 1) * 1000);
        s.boxes.expect("Confirmation", "Cancel");
        s.click("btIdentify");
        QCOMPARE(Zvc_CallCount("Zeph_Compare1N"), 0);
        s.boxes.expect("Confirmation", "Proceed Anyway");
        s.click("btIdentify");
        QCOMPARE(Zvc_CallCount("Zeph_Compare1N"), 1);
    }

    void unenrollingTheSuperUserLogsOut_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("loggedOut");
        QTest::newRow("super user") << 1 << true;
        QTest::newRow("administrator") << 0 << false;
    }
    void unenrollingTheSuperUserLogsOut()
    {
        QFETCH(int, role);
        QFETCH(bool, loggedOut);
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.capture(111);
        s.type(QStringLiteral("S1"));
        s.click("btEnroll");
        s.ctx.loginId = std::make_unique<LoginSession>();
        std::strcpy(s.ctx.loginId->id, "S1");
        s.ctx.loginId->role = role;
        const int logouts = Zvc_CallCount("Zeph_Logout");
        s.boxes.expect("Unenrollment", "Yes");
        s.click("btUnenroll");
        QCOMPARE(s.ctx.loginId == nullptr, loggedOut);
        QCOMPARE(Zvc_CallCount("Zeph_Logout") - logouts, loggedOut ? 1 : 0);
    }

    void eyeLabelSizes_data()
    {
        QTest::addColumn<bool>("binocular");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<QSize>("eye");
        QTest::addColumn<bool>("leftShown");
        // The controls' column is 220 wide.
        QTest::newRow("two eyes, narrow") << true << 1300 << QSize(536, 402) << true;
        QTest::newRow("two eyes, 1279 free") << true << 1499 << QSize(636, 477) << true;
        QTest::newRow("two eyes, wide") << true << 1500 << QSize(640, 480) << true;
        QTest::newRow("one eye, 600 free") << false << 820 << QSize(600, 450) << false;
        QTest::newRow("one eye, wide") << false << 1300 << QSize(640, 480) << false;
    }
    void eyeLabelSizes()
    {
        QFETCH(bool, binocular);
        QFETCH(int, windowWidth);
        QFETCH(QSize, eye);
        QFETCH(bool, leftShown);
        VirtualCameraFixture camera;
        camera.context().windowWidth = windowWidth;
        Screen s(camera.context(), binocular ? kBino : kMono);
        QCOMPARE(s.get<QLabel>("lbRightEye")->maximumSize(), eye);
        QCOMPARE(s.get<QLabel>("lbRightEye")->minimumSize(), eye);
        QCOMPARE(!s.get<QLabel>("lbLeftEye")->isHidden(), leftShown);
        if (leftShown)
            QCOMPARE(s.get<QLabel>("lbLeftEye")->maximumSize(), eye);
        QVERIFY(s.get<QPushButton>("btEnrollNew")->isHidden());
        QCOMPARE(s.get<QComboBox>("cbEnrollID")->lineEdit()->maxLength(), 31);
    }

    void noDevice()
    {
        VirtualCameraFixture camera;
        Screen s(camera.context());
        s.ctx.closeDevice();
        s.ctx.selectedDeviceName[0] = 0;
        s.type(QStringLiteral("A1"));
        s.boxes.expect("Error", "OK", "No device selected or entered");
        s.click("btVerify");
        QCOMPARE(s.ctx.statusMessage(), QStringLiteral("Invalid parameter"));
        QCOMPARE(s.description(), QString());
    }

private:
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestEnrollWidget)
#include "tst_enrollwidget.moc"
