// The capture work area in the main window, on the virtual camera: its
// controls and their rules, and whole captures driven on model time.

#include "app/KeldTerminal.h"
#include "app/WorkAreaFactory.h"
#include "capture/CaptureWidget.h"
#include "core/AppContext.h"
#include "core/KeldWaitingDlg.h"
#include "core/SoundPlayer.h"
#include "support/FakeClock.h"
#include "support/MessageBoxScript.h"
#include "support/VirtualCameraFixture.h"
#include "zeph/virtual_camera.h"

#include <QComboBox>
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

// The main window on the capture work area with `device` selected; sounds
// are recorded instead of played. A box the test did not expect fails it.
struct Screen {
    explicit Screen(const char *device = ZVC_DEFAULT_USB_BINOCULAR,
                    const std::function<void(AppContext &)> &before = {})
        : ctx(camera.context())
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
    void pick(const char *combo, const QString &text)
    {
        QComboBox *box = get<QComboBox>(combo);
        box->setCurrentIndex(box->findText(text));
    }

    VirtualCameraFixture camera;
    AppContext &ctx;
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

private:
    std::unique_ptr<FakeClock> m_clock;
};

QTEST_MAIN(TestCaptureWidget)
#include "tst_capturewidget.moc"
