// The capture work area on the virtual camera: its controls and their rules,
// and whole captures on model time.

#include "app/KeldTerminal.h"
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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
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

// The calls of the journal since it was last cleared whose lines start with
// `prefix`, without their answers.
QStringList calls(const char *prefix)
{
    QStringList found;
    for (int i = 0; i < Zvc_JournalSize(); ++i) {
        char line[256] = {};
        Zvc_JournalLine(i, line, sizeof line);
        const QString text = QString::fromLatin1(line);
        if (text.startsWith(QLatin1String(prefix)))
            found << text.section(QLatin1String(" ="), 0, 0);
    }
    return found;
}
int journalCount(const char *function) { return int(calls((QByteArray(function) + '(').constData()).size()); }

// How a whole capture is driven and ended.
enum How { Auto, GuiLate, Operate, StopButton, StopReturn };

const QStringList kCaptured{SoundPlayer::kStartA, SoundPlayer::kCapture};
const QStringList kTimedOut{SoundPlayer::kTimeout};

// The main window on the capture work area with `device`; sounds recorded, not
// played; an unexpected box fails.
struct Screen {
    explicit Screen(const char *device = ZVC_DEFAULT_USB_BINOCULAR) : ctx(camera.context()), name(device)
    {
        SoundPlayer::setListener([this](const QString &s) { sounds << s; });
        window = std::make_unique<KeldTerminal>();
        QCoreApplication::processEvents(); // the start-up scan
        // Leaving the setting work area selects what its list shows.
        if (auto *list = window->centralWidget()->findChild<QComboBox *>(QStringLiteral("cbDevList")))
            list->setCurrentIndex(list->findText(QString::fromLatin1(device)));
        camera.select(device);
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
    void clickRadio(const QString &name)
    {
        auto *radio = get<QRadioButton>(name.toLatin1().constData());
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    }
    bool enabled(const char *name) { return get<QWidget>(name)->isEnabled(); }
    bool drawn(const char *label) { return !get<QLabel>(label)->pixmap().isNull(); }
    void pick(const char *combo, const QString &text)
    {
        QComboBox *box = get<QComboBox>(combo);
        box->setCurrentIndex(box->findText(text));
    }
    // Moves model time on in frame steps, the GUI thread handling what arrived
    // after each, until `done` or `limitMs`.
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
    bool finish(int64_t limitMs = 30000) { return runUntil([this] { return idle(); }, limitMs); }
    int32_t deviceStatus()
    {
        int32_t status = -1;
        Zvc_CaptureStatus(name.constData(), &status);
        return status;
    }
    // An auto capture of `subject` (0: nobody) with the journal cleared just
    // before the start, run to its end.
    bool autoCapture(int subject)
    {
        if (subject)
            Zvc_PresentSubject(name.constData(), subject);
        pick("cbOperationMode", QStringLiteral("Auto capture"));
        Zvc_ClearJournal();
        click("btStart");
        return finish();
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

    // Lists follow the revision radio, the stored kind (K3 by default) kept if
    // listed; a compact kind forces JPEG 2000.
    void resultListsPerRevision()
    {
        Screen s;
        QVERIFY(s.area);
        const QStringList four{"K1", "K2", "K3", "K7"}, iso{"MONO_RAW", "MONO_JPEG2000"};
        const struct {
            const char *radio;
            int revision, kind;
            QStringList kinds, formats;
        } steps[] = {
            {"m_rdIso2011", 2, 3, four + QStringList{"K7_1_5", "K7_2_5", "K7_3_5", "K7_5_0"}, iso},
            {"m_rdIsoNone", 0, 3, four, {"MONO_RAW", "MONO_JPEG2000", "CORVANE_RAW"}},
            {"m_rdIso2005", 1, 1, {"K1", "K2"}, iso},
        };
        for (const auto &step : steps) {
            s.clickRadio(QString::fromLatin1(step.radio));
            QCOMPARE(s.ctx.isoRevision, step.revision);
            QCOMPARE(itemsOf(s.get<QComboBox>("cbResultImgKind")), step.kinds);
            QCOMPARE(itemsOf(s.get<QComboBox>("cbResultImgFormat")), step.formats);
            QCOMPARE(s.enabled("m_cbIsoSubtypes"), step.revision != 0);
            QCOMPARE(s.ctx.resultKind, step.kind);
        }

        s.clickRadio(QStringLiteral("m_rdIso2011"));
        auto *quality = s.get<QLineEdit>("edJ2kQuality");
        s.pick("cbResultImgKind", QStringLiteral("K7_2_5"));
        QCOMPARE(s.ctx.resultKind, 4104);
        QCOMPARE(s.get<QComboBox>("cbResultImgFormat")->currentText(), QStringLiteral("MONO_JPEG2000"));
        QCOMPARE(s.ctx.resultFormat, 10);
        QVERIFY(!s.enabled("cbResultImgFormat"));
        QVERIFY(!quality->isEnabled());
        QVERIFY(quality->text().isEmpty());

        s.pick("cbResultImgKind", QStringLiteral("K1"));
        QVERIFY(s.enabled("cbResultImgFormat"));
        QVERIFY(quality->isEnabled());
        QCOMPARE(quality->text(), QStringLiteral("100"));
        s.pick("cbResultImgFormat", QStringLiteral("MONO_RAW"));
        QVERIFY(!quality->isEnabled());
        QCOMPARE(s.ctx.resultFormat, 2);
    }

    // Bad input stops the start with its box: a JPEG 2000 quality outside
    // 1..100 before any SDK call, a count outside 1..600 with the camera let go.
    void badInputStopsTheStart()
    {
        Screen s;
        s.pick("cbResultImgFormat", QStringLiteral("MONO_JPEG2000"));
        auto *quality = s.get<QLineEdit>("edJ2kQuality");
        for (const char *text : {"0", "", "101"}) {
            quality->setText(QString::fromLatin1(text));
            Zvc_ResetCallCounts();
            s.boxes.expect(QStringLiteral("Input error"), QStringLiteral("OK"),
                           QStringLiteral("Jpeg2000 quality should be in range [1 - 100]"));
            s.click("btStart");
            QVERIFY2(s.boxes.satisfied(), qPrintable(QStringLiteral("'%1': ").arg(text) + s.boxes.describe()));
            QCOMPARE(Zvc_CallCount("*"), 0);
            QVERIFY(s.enabled("btStart"));
        }
        quality->setText(QStringLiteral(" 42 "));
        QVERIFY(s.area->readCaptureParameters(false));
        QCOMPARE(int(s.ctx.j2kQuality), 42);

        const struct {
            const char *mode, *count, *text;
        } counts[] = {{"Framebased", "0", "The value for frame-based must be in range [1-600]"},
                      {"Timebased (secs)", "601", "The value for time-based must be in range [1-600]"}};
        for (const auto &c : counts) {
            s.pick("cbCapMode", QString::fromLatin1(c.mode));
            s.get<QLineEdit>("editTimeFrame")->setText(QString::fromLatin1(c.count));
            s.boxes.expect(QStringLiteral("Invalid Input"), QStringLiteral("OK"), QString::fromLatin1(c.text));
            Zvc_ClearJournal();
            s.click("btStart");
            QVERIFY2(s.boxes.satisfied(), qPrintable(QString::fromLatin1(c.mode) + s.boxes.describe()));
            QCOMPARE(s.ctx.lastResult, int(ZEPH_ERR_INVALID_PARAMETER));
            QCOMPARE(s.ctx.cameraInitialized, uint8_t(0));
            QCOMPARE(journalCount("Zeph_DeinitCamera"), 1);
            QVERIFY(s.idle());
        }
    }

    // BOTH EYE, the eye choice and the left picture on the binocular camera only.
    void layoutPerDevice()
    {
        for (const bool binocular : {true, false}) {
            Screen s(binocular ? ZVC_DEFAULT_USB_BINOCULAR : ZVC_DEFAULT_USB_MONOCULAR);
            QCOMPARE(s.get<QComboBox>("cbEyeSubtype")->isHidden(), !binocular);
            QCOMPARE(s.get<QLabel>("lbLeftEye")->isHidden(), !binocular);
            QCOMPARE(s.get<QLabel>("lblEyeSubtype")->text(), binocular ? QStringLiteral("Eye:") : QString());
            QCOMPARE(s.get<QComboBox>("m_cbIsoSubtypes")->count(), binocular ? 4 : 3);
            QVERIFY(!s.enabled("m_btSaveResult"));
        }
    }

    // ---- Whole captures on model time ----

    // Whole captures however they end: what is fetched, kept, drawn, lit,
    // played and said; the controls back at rest.
    void captureOutcomes_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("subject"); // 0: nobody there
        QTest::addColumn<int>("leftEye"); // 0: as the subject's
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("left");
        QTest::addColumn<QStringList>("sounds");
        QTest::addColumn<QStringList>("leds");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("leftText");
        QTest::addColumn<int>("fetches");
        const QStringList started{"Zeph_ControlLed(3, 0, 0)", "Zeph_ControlLed(4, 1, 0)"};
        const QStringList good = started + QStringList{"Zeph_ControlBlinkingLed(4, 1, 50, 0)",
                                                       "Zeph_ControlBlinkingLed(10, 1, 50, 0)",
                                                       "Zeph_ControlLed(4, 0, 0)", "Zeph_ControlLed(3, 1, 2000)"};
        const int notFetched = int(ZEPH_ERR_FRAME_NOT_AVAILABLE);
        const QStringList stopped = started + QStringList{"Zeph_ControlLed(4, 0, 2000)"};
        const QString noLeft = QStringLiteral("No qualified frame for the left iris");
        // The binocular camera's start sound is set 1.
        QTest::newRow("auto, both eyes")
            << int(Auto) << 7 << 0 << 0 << true << true << kCaptured << good << "Done" << "" << 1;
        QTest::newRow("auto, left eye looking aside")
            << int(Auto) << 9 << int(ZVC_EYE_LOOKING_ASIDE) << int(ZEPH_ERR_NO_QUALIFIED_LEFT) << true << false
            << kCaptured << good << noLeft << noLeft << 1;
        QTest::newRow("auto, nobody: times out")
            << int(Auto) << 0 << 0 << notFetched << false << false << kTimedOut << stopped
            << "Capturing Error: No qualified iris frame is available" << "" << 0;
        QTest::newRow("completed before the GUI looks")
            << int(GuiLate) << 3 << 0 << 0 << true << true << kCaptured << good << "Done" << "" << 1;
        QTest::newRow("operator initiated")
            << int(Operate) << 5 << 0 << 0 << true << true << kCaptured << good << "Done" << "" << 1;
        QTest::newRow("Stop button")
            << int(StopButton) << 4 << 0 << notFetched << false << false << kTimedOut << stopped << "ABORT" << "" << 0;
        QTest::newRow("Return starts, and stops while capturing")
            << int(StopReturn) << 4 << 0 << notFetched << false << false << kTimedOut << stopped << "ABORT" << "" << 0;
    }
    void captureOutcomes()
    {
        QFETCH(int, how);
        QFETCH(int, subject);
        QFETCH(int, leftEye);
        Screen s;
        if (subject)
            Zvc_PresentSubject(s.name.constData(), uint32_t(subject));
        if (leftEye)
            Zvc_PresentEye(s.name.constData(), ZEPH_EYE_LEFT, leftEye);
        if (how < Operate)
            s.pick("cbOperationMode", QStringLiteral("Auto capture"));
        Zvc_ClearJournal();
        if (how == StopReturn)
            QTest::keyClick(s.area, Qt::Key_Return);
        else
            s.click("btStart");
        if (how == GuiLate) {
            for (int i = 0; i < 40 && s.deviceStatus() != ZEPH_STATUS_COMPLETE; ++i)
                Zvc_AdvanceTime(66);
            QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_COMPLETE));
        } else if (how >= Operate) {
            // Operator initiated: the camera waits in READY for Operate.
            QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
            QVERIFY(!s.enabled("btStart") && s.enabled("btStop"));
            QVERIFY(!s.enabled("m_captureSetting"));
            QVERIFY(s.enabled("btOperator"));
            s.runUntil([] { return false; }, 2000);
            QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_READY));
            QVERIFY(s.sounds.isEmpty());
            // Meanwhile live frames are drawn, in the factory's stream format.
            QVERIFY(s.drawn("lbRightEye") && s.drawn("lbLeftEye"));
            QCOMPARE(s.get<QLabel>("lblStreamStatus")->text(), QStringLiteral("ON"));
            QCOMPARE(s.get<QLabel>("lblStreamFormat")->text(), QStringLiteral("MONO_RAW"));
            QCOMPARE(s.get<QLabel>("lblStreamScale")->text(), QStringLiteral("1/4"));
            if (how == Operate) {
                s.click("btOperator");
                QVERIFY(!s.enabled("btOperator"));
            } else if (how == StopButton) {
                s.click("btStop");
            } else {
                QTest::keyClick(s.area, Qt::Key_Return);
            }
        }
        QVERIFY(s.finish(how == Auto || how == Operate ? 12000 : 0));
        const LastCapture &last = s.ctx.lastCapture;
        QTEST(last.lastCaptureResult, "result");
        QTEST(last.hasRightImage, "right");
        QTEST(last.hasLeftImage, "left");
        QCOMPARE(last.rightQuality.totalScore > 0, last.hasRightImage);
        QCOMPARE(last.leftQuality.totalScore > 0, last.hasLeftImage);
        QVERIFY(!last.hasRightImage || s.drawn("lbRightEye"));
        QVERIFY(!last.hasLeftImage || s.drawn("lbLeftEye"));
        QCOMPARE(s.enabled("m_btSaveResult"), last.hasRightImage);
        QCOMPARE(last.captureTime > 0, last.hasRightImage);
        QTEST(s.sounds, "sounds");
        QTEST(calls("Zeph_Control"), "leds");
        QTEST(s.ctx.statusMessage(), "status");
        QTEST(s.get<QLabel>("lbLeftEye")->text(), "leftText");
        QTEST(journalCount("Zeph_GetResultImage"), "fetches");
        if (journalCount("Zeph_GetResultImage") > 0 || how >= StopButton) { // fetched or stopped: released
            QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_IDLE));
            QCOMPARE(s.ctx.cameraInitialized, uint8_t(0));
        }
        QVERIFY(s.enabled("m_captureSetting"));
        QVERIFY(!s.enabled("btOperator"));
        QVERIFY(s.get<QPushButton>("btStart")->isDefault());
    }

    // Leaving the work area stops a capture only when the camera said it is
    // capturing, not on a failed status query.
    void leavingStopsOnlyOnAnAnsweredStatus()
    {
        Screen s;
        s.click("btStart"); // operator initiated, nobody there: it waits
        QVERIFY(s.runUntil([&] { return s.deviceStatus() == ZEPH_STATUS_READY; }));
        Zvc_ClearJournal();
        Zvc_FailDevice(s.name.constData(), "Zeph_GetCaptureStatus", 1, ZEPH_ERR_IO_FAILED, 0);
        s.area->WidgetClosed();
        QCOMPARE(journalCount("Zeph_StopCapture"), 0);
        s.area->WidgetClosed();
        QCOMPARE(journalCount("Zeph_StopCapture"), 1);
        QCOMPARE(s.deviceStatus(), int(ZEPH_STATUS_ABORT));
    }

    // The prompts on a real capture. Get fetches again and keeps the capture's
    // age (the age question: tst_capturejudgement's prompts); an eye judged
    // unfit is cleared on the camera and fetched without.
    void promptsOnARealCapture()
    {
        Screen s;
        Zvc_PresentSubject(s.name.constData(), 11);
        Zvc_PresentEye(s.name.constData(), ZEPH_EYE_LEFT, ZVC_EYE_HALF_CLOSED);
        QVERIFY(s.autoCapture(0));
        LastCapture &last = s.ctx.lastCapture;
        const qint64 completed = last.captureTime;
        m_clock->advance(31'000);
        s.click("m_btSaveResult");
        QVERIFY(last.hasRightImage && last.hasLeftImage);
        QCOMPARE(last.captureTime, completed);
        QCOMPARE(s.sounds, kCaptured); // Get plays nothing

        // Only the left eye's small area falls under the limits.
        QVERIFY(last.rightQuality.usableArea > last.leftQuality.usableArea);
        s.ctx.rejectedUsableAreaForEnrollment = last.leftQuality.usableArea;
        s.ctx.rejectedScoreForEnrollment = s.ctx.qualifiedScoreForEnrollment = 1;
        s.ctx.qualifiedUsableAreaForEnrollment = 1;
        s.boxes.expect(QStringLiteral("Information"), QStringLiteral("OK"),
                       QStringLiteral("The left captured image's quality is not sufficient for "
                                      "enrollment. It was cleared successfully."));
        Zvc_ClearJournal();
        QVERIFY(CapturePrompt::judgeCaptureQuality(s.area, s.window.get(), PurposeEnrollment,
                                                   s.get<QLabel>("lbLeftEye"), s.get<QLabel>("lbRightEye")));
        QCOMPARE(journalCount("Zeph_ClearCapture"), 1);
        QVERIFY(!last.hasLeftImage);
        QVERIFY(last.hasRightImage);
        QCOMPARE(last.captureTime, completed);
        QVERIFY(!s.drawn("lbLeftEye"));
    }

    // Each revision, kind and format the lists offer comes back from the
    // camera, is read and drawn with its scores.
    void resultsPerRevision_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("format");
        QTest::newRow("none K1 jpeg2000") << "m_rdIsoNone" << "K1" << "MONO_JPEG2000";
        QTest::newRow("none K7 corvane raw") << "m_rdIsoNone" << "K7" << "CORVANE_RAW";
        QTest::newRow("2005 K2 raw") << "m_rdIso2005" << "K2" << "MONO_RAW";
        QTest::newRow("2011 K7_2_5") << "m_rdIso2011" << "K7_2_5" << "MONO_JPEG2000";
    }
    void resultsPerRevision()
    {
        QFETCH(QString, radio);
        QFETCH(QString, kind);
        QFETCH(QString, format);
        const bool iso = radio != QLatin1String("m_rdIsoNone");
        Screen s;
        s.clickRadio(radio);
        s.pick("cbResultImgKind", kind);
        s.pick("cbResultImgFormat", format);
        if (s.enabled("edJ2kQuality"))
            s.get<QLineEdit>("edJ2kQuality")->setText(QStringLiteral("40"));
        if (iso)
            s.pick("m_cbIsoSubtypes", QStringLiteral("BOTH EYE"));
        QVERIFY(s.autoCapture(21));
        QCOMPARE(journalCount(iso ? "Zeph_GetResultIsoImage" : "Zeph_GetResultImage"), 1);
        QCOMPARE(s.ctx.lastResult, 0);
        const LastCapture &last = s.ctx.lastCapture;
        QVERIFY(last.hasRightImage && last.hasLeftImage);
        QCOMPARE(int(last.rightImage.format), s.ctx.resultFormat);
        auto *right = s.get<QLabel>("lbRightEye");
        QVERIFY2(s.drawn("lbRightEye"), qPrintable(right->text()));
        // The score box sits over the picture's top left corner.
        QCOMPARE(right->pixmap().toImage().pixel(4, 45), qRgb(255, 255, 255));
    }

    // With "Save best image" on, every result lands in the chosen folder; a
    // write that fails is told in one box.
    void savesResults()
    {
        QTemporaryDir dir;
        Screen s;
        s.ctx.saveBestImage = 1;
        s.ctx.rawImageAsBmp = 1;
        s.ctx.savedImagePath = dir.path();
        QVERIFY(s.autoCapture(8));
        QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names.size(), 2);
        QVERIFY(names[0].startsWith(QLatin1String("LeftEye_K3_")));
        QVERIFY(names[1].startsWith(QLatin1String("RightEye_K3_")));

        s.clickRadio(QStringLiteral("m_rdIso2011"));
        QVERIFY(s.autoCapture(0));
        names = QDir(dir.path()).entryList({QStringLiteral("*.iso")}, QDir::Files);
        QCOMPARE(names.size(), 1);
        QVERIFY(names[0].startsWith(QLatin1String("2011_K3_raw_")));

        // A folder that cannot be made: one box after the fetch, with the BMP writer's text.
        s.clickRadio(QStringLiteral("m_rdIsoNone"));
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        s.ctx.savedImagePath = dir.filePath(QStringLiteral("file/under"));
        s.boxes.expect(QStringLiteral("Save file"), QStringLiteral("OK"));
        s.click("m_btSaveResult");
        QVERIFY2(s.boxes.satisfied(), qPrintable(s.boxes.describe()));
        const QString said = s.boxes.shown().last().text;
        QVERIFY2(said.startsWith(QLatin1String("Failed to save file '")), qPrintable(said));
    }

    // Lying outputs: nothing read past what was handed out; a picture claiming
    // more pixels than it holds not drawn.
    void lyingOutputs()
    {
        Screen s;
        QVERIFY(s.autoCapture(6));
        const LastCapture &last = s.ctx.lastCapture;
        const struct {
            const char *function, *name;
            int lie;
            bool leftScored, leftImage, rightDrawn;
        } gets[] = {{"Zeph_GetResultQuality", "short quality array", ZVC_LIE_SHORT_ARRAY, false, true, true},
                    {"Zeph_GetResultImage", "short image array", ZVC_LIE_SHORT_ARRAY, true, false, true},
                    {"Zeph_GetResultImage", "sizes beyond data", ZVC_LIE_SIZE_BEYOND_DATA, true, true, false}};
        for (const auto &get : gets) {
            QCOMPARE(Zvc_LieNext(get.function, get.lie), 0);
            s.click("m_btSaveResult");
            QVERIFY2((last.leftQuality.totalScore != 0) == get.leftScored, get.name);
            QVERIFY2(last.hasLeftImage == get.leftImage, get.name);
            QVERIFY2(last.hasRightImage, get.name);
            QVERIFY2(s.drawn("lbRightEye") == get.rightDrawn, get.name);
        }
    }

private:
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestCaptureWidget)
#include "tst_capturewidget.moc"
