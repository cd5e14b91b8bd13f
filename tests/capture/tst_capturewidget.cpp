// The capture work area in the main window, on the virtual camera: its
// controls and their rules, and whole captures driven on model time.

#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "capture/CaptureWidget.h"
#include "core/AppContext.h"
#include "core/CaptureJudgement.h"
#include "core/CapturePrompt.h"
#include "core/KeldWaitingDlg.h"
#include "core/SoundPlayer.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

QStringList itemsOf(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void clickRadio(QRadioButton *radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
}

// The LED calls of the journal since it was last cleared, as lines.
QStringList ledCalls()
{
    QStringList calls;
    for (int i = 0; i < Zvc_JournalSize(); ++i) {
        char line[256] = {};
        Zvc_JournalLine(i, line, sizeof line);
        const QString text = QString::fromLatin1(line);
        if (text.startsWith(QLatin1String("Zeph_ControlLed")) ||
            text.startsWith(QLatin1String("Zeph_ControlBlinkingLed")))
            calls << text.section(QLatin1String(" ="), 0, 0);
    }
    return calls;
}

int journalCount(const char *function)
{
    int n = 0;
    for (int i = 0; i < Zvc_JournalSize(); ++i) {
        ZvcCall call{};
        if (Zvc_JournalEntry(i, &call) == 0 && qstrcmp(call.function, function) == 0)
            ++n;
    }
    return n;
}

// The main window on the capture work area with `device` selected; sounds
// are recorded instead of played. A box the test did not expect fails it.
struct Screen {
    explicit Screen(const char *device = ZVC_DEFAULT_USB_BINOCULAR,
                    const std::function<void(AppContext &)> &before = {})
        : ctx(camera.context()), name(device)
    {
        SoundPlayer::setListener([this](const QString &s) { sounds << s; });
        window = std::make_unique<KeldTerminal>();
        QCoreApplication::processEvents(); // the start-up scan
        // Leaving the setting work area selects what its list shows.
        if (auto *list = window->centralWidget()->findChild<QComboBox *>(QStringLiteral("cbDevList")))
            list->setCurrentIndex(list->findText(QString::fromLatin1(device)));
        camera.select(device);
        if (before)
            before(ctx);
        window->OnActionCapture();
        QCoreApplication::processEvents(); // InitControl
        area = qobject_cast<CaptureWidget *>(window->centralWidget());
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
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    bool enabled(const char *name) { return get<QPushButton>(name)->isEnabled(); }
    // Moves the camera's model time on in frame steps, letting the GUI
    // thread handle what arrived after each, until `done` or `limitMs`.
    bool runUntil(const std::function<bool()> &done, int64_t limitMs = 30000)
    {
        for (int64_t t = 0; t <= limitMs; t += 66) {
            QCoreApplication::processEvents();
            if (done())
                return true;
            Zvc_AdvanceTime(66);
        }
        QCoreApplication::processEvents();
        return done();
    }
    bool idle() { return enabled("btStart") && !enabled("btStop"); }
    int32_t deviceStatus()
    {
        int32_t status = -1;
        Zvc_CaptureStatus(name.constData(), &status);
        return status;
    }
    void autoMode() { pick("cbOperationMode", QStringLiteral("Auto capture")); }
    void pick(const char *combo, const QString &text)
    {
        QComboBox *box = get<QComboBox>(combo);
        box->setCurrentIndex(box->findText(text));
    }

    VirtualCameraFixture camera;
    AppContext &ctx;
    QByteArray name;
    MessageBoxScript boxes;
    QStringList sounds;
    std::unique_ptr<KeldTerminal> window;
    CaptureWidget *area = nullptr;
};

} // namespace

class TestCaptureWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        KeldWaitingDlg::setManualTicksForTesting(true);
        m_clock = std::make_unique<FakeClock>();
    }

    void resultListsPerRevision_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<bool>("subtypeEnabled");
        const QStringList iso{"MONO_RAW", "MONO_JPEG2000"};
        QTest::newRow("none") << "m_rdIsoNone" << 0 << QStringList{"K1", "K2", "K3", "K7"}
                              << QStringList{"MONO_RAW", "MONO_JPEG2000", "CORVANE_RAW"} << false;
        QTest::newRow("2005") << "m_rdIso2005" << 1 << QStringList{"K1", "K2"} << iso << true;
        QTest::newRow("2011") << "m_rdIso2011" << 2
                              << QStringList{"K1", "K2", "K3", "K7", "K7_1_5", "K7_2_5", "K7_3_5",
                                             "K7_5_0"}
                              << iso << true;
    }
    void resultListsPerRevision()
    {
        QFETCH(QString, radio);
        QFETCH(int, revision);
        Screen s;
        QVERIFY(s.area);
        clickRadio(s.get<QRadioButton>("m_rdIso2011")); // from elsewhere first
        clickRadio(s.get<QRadioButton>(radio.toLatin1().constData()));
        QCOMPARE(s.ctx.isoRevision, revision);
        QTEST(itemsOf(s.get<QComboBox>("cbResultImgKind")), "kinds");
        QTEST(itemsOf(s.get<QComboBox>("cbResultImgFormat")), "formats");
        QTEST(s.get<QComboBox>("m_cbIsoSubtypes")->isEnabled(), "subtypeEnabled");
        // The stored kind (K3 by default) is kept where the list has it.
        QCOMPARE(s.ctx.resultKind, revision == 1 ? 1 : 3);
        QCOMPARE(s.get<QComboBox>("m_cbIsoSubtypes")->count(), 4); // binocular: BOTH EYE too
    }

    void compactKindForcesJpeg2000()
    {
        Screen s;
        clickRadio(s.get<QRadioButton>("m_rdIso2011"));
        auto *format = s.get<QComboBox>("cbResultImgFormat");
        auto *quality = s.get<QLineEdit>("edJ2kQuality");
        s.pick("cbResultImgKind", QStringLiteral("K7_2_5"));
        QCOMPARE(s.ctx.resultKind, 4104);
        QCOMPARE(format->currentText(), QStringLiteral("MONO_JPEG2000"));
        QCOMPARE(s.ctx.resultFormat, 10);
        QVERIFY(!format->isEnabled());
        QVERIFY(!quality->isEnabled());
        QVERIFY(quality->text().isEmpty());

        s.pick("cbResultImgKind", QStringLiteral("K1"));
        QVERIFY(format->isEnabled());
        QVERIFY(quality->isEnabled());
        QCOMPARE(quality->text(), QStringLiteral("100"));
        s.pick("cbResultImgFormat", QStringLiteral("MONO_RAW"));
        QVERIFY(!quality->isEnabled());
        QCOMPARE(s.ctx.resultFormat, 2);
    }

    // A JPEG 2000 quality outside 1..100 stops the start and the save
    // button before any SDK call.
    void jpeg2000QualityChecked_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << "0";
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
        QTest::newRow("above") << "101";
    }
    void jpeg2000QualityChecked()
    {
        QFETCH(QString, text);
        Screen s;
        s.pick("cbResultImgFormat", QStringLiteral("MONO_JPEG2000"));
        s.get<QLineEdit>("edJ2kQuality")->setText(text);
        Zvc_ResetCallCounts();
        s.boxes.expect(QStringLiteral("Input error"), QStringLiteral("OK"),
                       QStringLiteral("Jpeg2000 quality should be in range [1 - 100]"));
        s.click("btStart");
        QCOMPARE(Zvc_CallCount("*"), 0);
        QVERIFY(s.get<QPushButton>("btStart")->isEnabled());
        s.get<QLineEdit>("edJ2kQuality")->setText(QStringLiteral(" 42 "));
        QVERIFY(s.area->readCaptureParameters(false));
        QCOMPARE(int(s.ctx.j2kQuality), 42);
    }

    void layoutPerDevice_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("binocular");
        QTest::addColumn<QSize>("eyeSize");
        QTest::addColumn<int>("subtypes");
        QTest::newRow("binocular") << QByteArray(ZVC_DEFAULT_USB_BINOCULAR) << true << QSize(640, 480) << 4;
        QTest::newRow("monocular") << QByteArray(ZVC_DEFAULT_USB_MONOCULAR) << false << QSize(640, 480) << 3;
    }
    void layoutPerDevice()
    {
        QFETCH(QByteArray, device);
        QFETCH(bool, binocular);
        Screen s(device.constData());
        QCOMPARE(s.ctx.deviceInfo.binocular != 0, binocular);
        QCOMPARE(s.get<QComboBox>("cbEyeSubtype")->isHidden(), !binocular);
        QCOMPARE(s.get<QLabel>("lbLeftEye")->isHidden(), !binocular);
        QCOMPARE(s.get<QLabel>("lblEyeSubtype")->text(), binocular ? QStringLiteral("Eye:") : QString());
        QTEST(s.get<QLabel>("lbRightEye")->size(), "eyeSize");
        QTEST(s.get<QComboBox>("m_cbIsoSubtypes")->count(), "subtypes");
        QCOMPARE(s.get<QPushButton>("m_btSaveResult")->text(), QStringLiteral("Get"));
        QVERIFY(!s.get<QPushButton>("m_btSaveResult")->isEnabled());
        QVERIFY(s.get<QLabel>("lblStreamStatus")->isHidden());
    }

    // A work area that cannot hear its frames must not let the program
    // carry on as if all were well.
    void frameSignalFailureIsReported()
    {
        VirtualCameraFixture camera;
        QStringList reported;
        CaptureWidget::setConnectionFailureHandler([&](const char *what) { reported << what; });
        CaptureWidget::setFrameSignalForTesting("2NoSuchSignal()");
        {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such signal"));
            CaptureWidget w;
        }
        CaptureWidget::setFrameSignalForTesting(nullptr);
        { CaptureWidget fine; }
        CaptureWidget::setConnectionFailureHandler({});
        QCOMPARE(reported.size(), 1);
    }

    // Return starts when idle; other keys do nothing.
    void returnStartsWhenIdle()
    {
        Screen s;
        Zvc_ResetCallCounts();
        QTest::keyClick(s.area, Qt::Key_A);
        QTest::keyClick(s.area, Qt::Key_Space);
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_InitCamera"), 0);
        QTest::keyClick(s.area, Qt::Key_Return);
        QCOMPARE(Zvc_CallCount("Zeph_InitCamera"), 0); // queued
        QCoreApplication::processEvents();
        QCOMPARE(Zvc_CallCount("Zeph_InitCamera"), 1);
    }

    // ---- Whole captures on model time ----

    void autoCaptureBothEyes()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 7);
        s.autoMode();
        Zvc_ClearJournal();
        s.click("btStart");
        QVERIFY(!s.enabled("btStart"));
        QVERIFY(s.enabled("btStop"));
        QVERIFY(!s.get<QGroupBox>("m_captureSetting")->isEnabled());
        QVERIFY(s.runUntil([&] { return s.idle(); }));

        const AppContext &ctx = s.ctx;
        QVERIFY(ctx.lastCapture.hasRightImage);
        QVERIFY(ctx.lastCapture.hasLeftImage);
        QCOMPARE(ctx.lastCapture.lastCaptureResult, 0);
        QVERIFY(ctx.lastCapture.rightQuality.totalScore > 0);
        QVERIFY(ctx.lastCapture.leftQuality.totalScore > 0);
        QVERIFY(ctx.lastCapture.captureTime > 0);
        QCOMPARE(ctx.cameraInitialized, uint8_t(0));
        QCOMPARE(ledCalls(), QStringList({"Zeph_ControlLed(3, 0, 0)", "Zeph_ControlLed(4, 1, 0)",
                                          "Zeph_ControlBlinkingLed(4, 1, 50, 0)",
                                          "Zeph_ControlBlinkingLed(10, 1, 50, 0)",
                                          "Zeph_ControlLed(4, 0, 0)", "Zeph_ControlLed(3, 1, 2000)"}));
        ZvcLedState green{};
        QCOMPARE(Zvc_GetLed(s.name.constData(), ZEPH_LED_GREEN, &green), 0);
        QVERIFY(green.on);
        // The binocular camera's start sound is set 1.
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kStartA, SoundPlayer::kCapture}));
        QVERIFY(!s.get<QLabel>("lbRightEye")->pixmap().isNull());
        QVERIFY(!s.get<QLabel>("lbLeftEye")->pixmap().isNull());
        QVERIFY(s.enabled("m_btSaveResult"));
        QVERIFY(!s.enabled("btOperator"));
        QCOMPARE(ctx.statusMessage(), QStringLiteral("Done"));
        QCOMPARE(journalCount("Zeph_GetResultImage"), 1);
    }

    // The GUI thread may fall behind the camera: a whole capture delivered
    // before it looks still completes, and is fetched once.
    void wholeCaptureBeforeTheGuiLooks()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 3);
        s.autoMode();
        s.click("btStart");
        Zvc_ClearJournal();
        for (int i = 0; i < 40 && s.deviceStatus() != ZEPH_STATUS_COMPLETE; ++i)
            Zvc_AdvanceTime(66);
        QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_COMPLETE));
        QVERIFY(s.runUntil([&] { return s.idle(); }, 0));
        QVERIFY(s.ctx.lastCapture.hasRightImage);
        QCOMPARE(journalCount("Zeph_GetResultImage"), 1);
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kStartA, SoundPlayer::kCapture}));
    }

    void operatorInitiatedWaitsForOperate()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 5);
        s.pick("cbOperationMode", QStringLiteral("Operator initiated"));
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
        QVERIFY(s.enabled("btOperator"));
        s.runUntil([] { return false; }, 2000);
        QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_READY));
        QVERIFY(s.sounds.isEmpty());
        s.click("btOperator");
        QVERIFY(!s.enabled("btOperator"));
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        QVERIFY(s.ctx.lastCapture.hasRightImage);
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kStartA, SoundPlayer::kCapture}));
    }

    void stopAborts()
    {
        Screen s;
        s.click("btStart"); // operator initiated, nobody there: it waits
        QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
        Zvc_ClearJournal();
        s.click("btStop");
        QVERIFY(s.runUntil([&] { return s.idle(); }, 0));
        QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_IDLE)); // stopped and de-initialised
        QCOMPARE(ledCalls(), QStringList({"Zeph_ControlLed(4, 0, 2000)"}));
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kTimeout}));
        QCOMPARE(s.ctx.cameraInitialized, uint8_t(0));
        QVERIFY(s.get<QGroupBox>("m_captureSetting")->isEnabled());
        QVERIFY(!s.enabled("btOperator"));
        QVERIFY(s.get<QPushButton>("btStart")->isDefault());
        QVERIFY(!s.ctx.lastCapture.hasRightImage);
        QCOMPARE(journalCount("Zeph_GetResultImage"), 0);
    }

    void nobodyTimesOut()
    {
        Screen s;
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }, 12000));
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kTimeout}));
        QCOMPARE(s.ctx.statusMessage(),
                 QStringLiteral("Capturing Error: No qualified iris frame is available"));
        QVERIFY(!s.ctx.lastCapture.hasRightImage);
    }

    void invalidCount_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("frames 0") << "Framebased" << "0"
                                  << "The value for frame-based must be in range [1-600]";
        QTest::newRow("seconds 601") << "Timebased (secs)" << "601"
                                     << "The value for time-based must be in range [1-600]";
    }
    void invalidCount()
    {
        QFETCH(QString, mode);
        QFETCH(QString, count);
        QFETCH(QString, text);
        Screen s;
        s.pick("cbCapMode", mode);
        s.get<QLineEdit>("editTimeFrame")->setText(count);
        s.boxes.expect(QStringLiteral("Invalid Input"), QStringLiteral("OK"), text);
        Zvc_ClearJournal();
        s.click("btStart");
        QCOMPARE(s.ctx.lastResult, int(ZEPH_ERR_INVALID_PARAMETER));
        QCOMPARE(s.ctx.cameraInitialized, uint8_t(0));
        QCOMPARE(journalCount("Zeph_DeinitCamera"), 1);
        QVERIFY(s.idle());
    }

    void oneEyeMissing()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 9);
        Zvc_PresentEye(s.name.constData(), ZEPH_EYE_LEFT, ZVC_EYE_LOOKING_ASIDE);
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        const LastCapture &last = s.ctx.lastCapture;
        QCOMPARE(last.lastCaptureResult, int(ZEPH_ERR_NO_QUALIFIED_LEFT));
        QVERIFY(last.hasRightImage);
        QVERIFY(!last.hasLeftImage);
        QCOMPARE(last.leftQuality.totalScore, uint8_t(0));
        QCOMPARE(s.get<QLabel>("lbLeftEye")->text(),
                 QString::fromLatin1("No qualified frame for the left iris"));
        QCOMPARE(s.sounds.last(), QString::fromLatin1(SoundPlayer::kCapture));
        QVERIFY(s.enabled("m_btSaveResult"));
    }

    // Leaving the work area stops a capture only when the camera said it
    // is capturing; a failed status query stops nothing.
    void leavingStopsOnlyOnAnAnsweredStatus()
    {
        Screen s;
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
        Zvc_ClearJournal();
        Zvc_FailDevice(s.name.constData(), "Zeph_GetCaptureStatus", 1, ZEPH_ERR_IO_FAILED, 0);
        s.area->WidgetClosed();
        QCOMPARE(journalCount("Zeph_StopCapture"), 0);
        s.area->WidgetClosed();
        QCOMPARE(journalCount("Zeph_StopCapture"), 1);
        QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_ABORT));
    }

    void returnStopsWhileCapturing()
    {
        Screen s;
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
        QTest::keyClick(s.area, Qt::Key_Return);
        QVERIFY(s.runUntil([&] { return s.idle(); }, 0));
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kTimeout}));
    }

    void liveFramesDrawn()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 4);
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return !s.get<QLabel>("lbRightEye")->pixmap().isNull(); }, 2000));
        QVERIFY(!s.get<QLabel>("lbLeftEye")->pixmap().isNull());
        QVERIFY(s.enabled("btStop"));
        s.click("btStop");
        s.runUntil([&] { return s.idle(); }, 0);
    }

    // Quality judgement on a real capture: an eye judged unfit is cleared
    // on the camera and the capture fetched again without it.
    void judgementClearsAnEye()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 11);
        Zvc_PresentEye(s.name.constData(), ZEPH_EYE_LEFT, ZVC_EYE_HALF_CLOSED);
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        LastCapture &last = s.ctx.lastCapture;
        QVERIFY(last.hasLeftImage);
        // Only the left eye's small area falls under the limits.
        s.ctx.rejectedUsableAreaForEnrollment = last.leftQuality.usableArea;
        s.ctx.rejectedScoreForEnrollment = 1;
        s.ctx.qualifiedScoreForEnrollment = 1;
        s.ctx.qualifiedUsableAreaForEnrollment = 1;
        QVERIFY(last.rightQuality.usableArea > last.leftQuality.usableArea);
        const qint64 completed = last.captureTime;
        s.boxes.expect(QStringLiteral("Information"), QStringLiteral("OK"),
                       QStringLiteral("The left captured image's quality is not sufficient for "
                                      "enrollment. It was cleared successfully."));
        Zvc_ClearJournal();
        QVERIFY(CapturePrompt::judgeCaptureQuality(s.area, s.window.get(), PurposeEnrollment,
                                                   s.get<QLabel>("lbLeftEye"),
                                                   s.get<QLabel>("lbRightEye")));
        QCOMPARE(journalCount("Zeph_ClearCapture"), 1);
        QVERIFY(!last.hasLeftImage);
        QVERIFY(last.hasRightImage);
        QCOMPARE(last.captureTime, completed);
        QVERIFY(s.get<QLabel>("lbLeftEye")->pixmap().isNull());
    }

    // The Get button fetches again and keeps the capture's age.
    void getKeepsTheAge()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 2);
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        const qint64 completed = s.ctx.lastCapture.captureTime;
        m_clock->advance(31'000);
        s.click("m_btSaveResult");
        QVERIFY(s.ctx.lastCapture.hasRightImage);
        QCOMPARE(s.ctx.lastCapture.captureTime, completed);
        s.boxes.expect(QStringLiteral("Confirmation"), QStringLiteral("Proceed Anyway"));
        QVERIFY(CapturePrompt::confirmCaptureAge(s.area, s.window.get()));
        QCOMPARE(s.sounds, QStringList({SoundPlayer::kStartA, SoundPlayer::kCapture}));
    }

    // Every revision, kind and format the lists offer comes back from the
    // camera, is read (the ISO record too) and drawn with its scores.
    void resultsPerRevision_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("format");
        QTest::newRow("none K3 raw") << "m_rdIsoNone" << "K3" << "MONO_RAW";
        QTest::newRow("none K1 jpeg2000") << "m_rdIsoNone" << "K1" << "MONO_JPEG2000";
        QTest::newRow("none K7 corvane raw") << "m_rdIsoNone" << "K7" << "CORVANE_RAW";
        QTest::newRow("2005 K2 raw") << "m_rdIso2005" << "K2" << "MONO_RAW";
        QTest::newRow("2005 K1 jpeg2000") << "m_rdIso2005" << "K1" << "MONO_JPEG2000";
        QTest::newRow("2011 K1 raw") << "m_rdIso2011" << "K1" << "MONO_RAW";
        QTest::newRow("2011 K7_2_5") << "m_rdIso2011" << "K7_2_5" << "MONO_JPEG2000";
    }
    void resultsPerRevision()
    {
        QFETCH(QString, radio);
        QFETCH(QString, kind);
        QFETCH(QString, format);
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 21);
        s.autoMode();
        clickRadio(s.get<QRadioButton>(radio.toLatin1().constData()));
        s.pick("cbResultImgKind", kind);
        s.pick("cbResultImgFormat", format);
        if (s.get<QLineEdit>("edJ2kQuality")->isEnabled())
            s.get<QLineEdit>("edJ2kQuality")->setText(QStringLiteral("40"));
        if (radio != QLatin1String("m_rdIsoNone"))
            s.pick("m_cbIsoSubtypes", QStringLiteral("BOTH EYE"));
        Zvc_ClearJournal();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        QCOMPARE(journalCount(radio == QLatin1String("m_rdIsoNone") ? "Zeph_GetResultImage"
                                                                    : "Zeph_GetResultIsoImage"),
                 1);
        QCOMPARE(s.ctx.lastResult, 0);
        const LastCapture &last = s.ctx.lastCapture;
        QVERIFY(last.hasRightImage);
        QVERIFY(last.hasLeftImage);
        QCOMPARE(int(last.rightImage.format), s.ctx.resultFormat);
        auto *right = s.get<QLabel>("lbRightEye");
        QVERIFY2(!right->pixmap().isNull(), qPrintable(right->text()));
        // The score box sits over the picture's top left corner.
        const QImage shown = right->pixmap().toImage();
        QCOMPARE(shown.pixel(4, 45), qRgb(255, 255, 255));
    }

    // With "Save best image" on, every result lands in the chosen folder;
    // a write that fails is told in one box.
    void savesResults()
    {
        QTemporaryDir dir;
        Screen s;
        s.ctx.saveBestImage = 1;
        s.ctx.rawImageAsBmp = 1;
        s.ctx.savedImagePath = dir.path();
        Zvc_PresentSubject(s.name.constData(), 8);
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names.size(), 2);
        QVERIFY(names[0].startsWith(QLatin1String("LeftEye_K3_")));
        QVERIFY(names[1].startsWith(QLatin1String("RightEye_K3_")));
        QImage bmp(dir.filePath(names[1]));
        QCOMPARE(bmp.size(), QSize(int(s.ctx.lastCapture.rightImage.width),
                                  int(s.ctx.lastCapture.rightImage.height)));

        clickRadio(s.get<QRadioButton>("m_rdIso2011"));
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        names = QDir(dir.path()).entryList({QStringLiteral("*.iso")}, QDir::Files);
        QCOMPARE(names.size(), 1);
        QVERIFY(names[0].startsWith(QLatin1String("2011_K3_raw_")));

        clickRadio(s.get<QRadioButton>("m_rdIsoNone"));
        // A folder that cannot be made: one box after the fetch, with the
        // BMP writer's text.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        s.ctx.savedImagePath = dir.filePath(QStringLiteral("file/under"));
        s.boxes.expect(QStringLiteral("Save file"), QStringLiteral("OK"));
        s.click("m_btSaveResult");
        QVERIFY2(s.boxes.satisfied(), qPrintable(s.boxes.describe()));
        QVERIFY2(s.boxes.shown().last().text.startsWith(QLatin1String("Failed to save file '")), qPrintable(s.boxes.shown().last().text));
    }

    // A camera whose outputs lie: nothing is read past what it handed out,
    // and a picture that claims more pixels than it holds is not drawn.
    void lyingOutputs_data()
    {
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<int>("lie");
        QTest::addColumn<bool>("leftScored");
        QTest::addColumn<bool>("leftImage");
        QTest::addColumn<bool>("rightDrawn");
        QTest::newRow("short quality array") << QByteArray("Zeph_GetResultQuality")
                                             << int(ZVC_LIE_SHORT_ARRAY) << false << true << true;
        QTest::newRow("short image array") << QByteArray("Zeph_GetResultImage")
                                           << int(ZVC_LIE_SHORT_ARRAY) << true << false << true;
        QTest::newRow("sizes beyond data") << QByteArray("Zeph_GetResultImage")
                                           << int(ZVC_LIE_SIZE_BEYOND_DATA) << true << true << false;
    }
    void lyingOutputs()
    {
        QFETCH(QByteArray, function);
        QFETCH(int, lie);
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 6);
        s.autoMode();
        s.click("btStart");
        QVERIFY(s.runUntil([&] { return s.idle(); }));
        QCOMPARE(Zvc_LieNext(function.constData(), lie), 0);
        s.click("m_btSaveResult");
        const LastCapture &last = s.ctx.lastCapture;
        QTEST(last.leftQuality.totalScore != 0, "leftScored");
        QTEST(last.hasLeftImage, "leftImage");
        QVERIFY(last.hasRightImage);
        QTEST(!s.get<QLabel>("lbRightEye")->pixmap().isNull(), "rightDrawn");
    }

    // Preview frames in the camera's JPEG stream format are decoded and drawn.
    void jpegStreamDrawn()
    {
        Screen s;
        ZephDeviceConfig config = s.ctx.deviceConfig;
        config.enableStream = 1;
        config.streamFormat = ZEPH_FORMAT_MONO_JPEG;
        config.streamScale = 2;
        QCOMPARE(Zeph_SetDeviceConfig(s.ctx.deviceHandle, &config), 0);
        s.ctx.deviceConfig = config;
        Zvc_PresentSubject(s.name.constData(), 4);
        s.click("btStart");
        QCOMPARE(s.get<QLabel>("lblStreamFormat")->text(), QStringLiteral("MONO_JPEG"));
        QCOMPARE(s.get<QLabel>("lblStreamScale")->text(), QStringLiteral("1/2"));
        QVERIFY(s.runUntil([&] { return !s.get<QLabel>("lbRightEye")->pixmap().isNull(); }, 2000));
        s.click("btStop");
        s.runUntil([&] { return s.idle(); }, 0);
    }

private:
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestCaptureWidget)
#include "tst_capturewidget.moc"
