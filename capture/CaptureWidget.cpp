#include "capture/CaptureWidget.h"

#include "capture/CaptureResults.h"
#include "capture/ResultLists.h"
#include "capture/RetrievalEstimate.h"
#include "core/AppContext.h"
#include "core/KeldWaitingDlg.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"
#include "core/SoundPlayer.h"
#include "platform/Clock.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

const char kFormStyle[] =
    "QGroupBox {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #005588, "
    "stop: 0.2 #ffffff, stop: 1 #E5EFF6); border: none; border-top-left-radius: 6px; "
    "border-top-right-radius: 6px; color: white; margin-top: 0px; padding-top: 22px;}\n"
    "QGroupBox::title {subcontrol-origin: padding; subcontrol-position: top left; "
    "left: 8px; top: 3px; color: white;}\n"
    "QPushButton {min-width: 100px;}";
const char kEyeLabelStyle[] = "QLabel { background-color : white; color : black; }";

const char *statusName(int32_t status)
{
    switch (status) {
    case ZEPH_STATUS_IDLE: return "IDLE";
    case ZEPH_STATUS_READY: return "READY";
    case ZEPH_STATUS_CAPTURING: return "CAPTURING...";
    case ZEPH_STATUS_COMPLETE: return "COMPLETE";
    case ZEPH_STATUS_ABORT: return "ABORT";
    default: return "UNKNOWN STATUS";
    }
}

bool hasUsableEyes(ZephResult r)
{
    return r == 0 || r == ZEPH_ERR_NO_QUALIFIED_RIGHT || r == ZEPH_ERR_NO_QUALIFIED_LEFT;
}

bool isJpeg2000(int32_t format)
{
    return format == ZEPH_FORMAT_MONO_JPEG2000 || format == ZEPH_FORMAT_CORVANE_JPEG2000;
}

CaptureWidget::ConnectionFailure &connectionFailure()
{
    static CaptureWidget::ConnectionFailure handler;
    return handler;
}

const char *&frameSignal()
{
    static const char *signature = SIGNAL(IncomingFrame());
    return signature;
}

// A copy of a live frame for drawing outside the lock.
struct FrameCopy {
    ImageSlot slot;
    bool present = false;
};

} // namespace

void CaptureWidget::setConnectionFailureHandler(ConnectionFailure handler)
{
    connectionFailure() = std::move(handler);
}

void CaptureWidget::setFrameSignalForTesting(const char *signature)
{
    static const char *const original = frameSignal();
    frameSignal() = signature ? signature : original;
}

CaptureWidget::CaptureWidget(QWidget *parent)
    : CCustomWidget(parent),
      m_ctx(*AppContext::instance()),
      m_results(CaptureResults::of(m_ctx)),
      m_mainWindow(parent)
{
    buildForm();
    QMetaObject::invokeMethod(this, "InitControl", Qt::QueuedConnection);
    if (!connect(this, frameSignal(), this, SLOT(ProcessIncomingFrame()))) {
        // Without it no frame or status would ever reach this work area; the
        // program cannot do its work and must not pretend it ended well.
        const char what[] = "The capture work area could not connect its frame signal.";
        if (connectionFailure()) {
            connectionFailure()(what);
        } else {
            std::fprintf(stderr, "%s\n", what);
            std::exit(EXIT_FAILURE);
        }
    }
    retrievalArmed = true;
    m_results.relay().setReceiver(this);
}

CaptureWidget::~CaptureWidget()
{
    if (m_retrieval.isRunning())
        m_retrieval.waitForFinished();
    if (m_results.relay().receiver() == this)
        m_results.relay().setReceiver(nullptr);
    // Destroying the work area ends whatever capture it started.
    if (m_ctx.deviceHandle != 0)
        Zeph_StopCapture(m_ctx.deviceHandle);
}

void CaptureWidget::buildForm()
{
    setObjectName(QStringLiteral("CaptureWidget"));
    resize(m_ctx.windowWidth, m_ctx.windowHeight);
    setStyleSheet(QString::fromLatin1(kFormStyle));

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    auto limitWidth = [](QLabel *label) { label->setMaximumWidth(200); };

    QFont eyeFont(QStringLiteral("Arial"));
    eyeFont.setPointSize(12);
    lbRightEye = new QLabel(this);
    named(lbRightEye, "lbRightEye");
    lbLeftEye = new QLabel(this);
    named(lbLeftEye, "lbLeftEye");
    for (QLabel *eye : {lbRightEye, lbLeftEye}) {
        eye->setFont(eyeFont);
        eye->setAlignment(Qt::AlignCenter);
        eye->setWordWrap(true);
        eye->setStyleSheet(QString::fromLatin1(kEyeLabelStyle));
    }

    // Capture Setting
    m_captureSetting = new QGroupBox(QStringLiteral("Capture Setting"), this);
    named(m_captureSetting, "m_captureSetting");
    QFont settingFont(QStringLiteral("Tahoma"));
    settingFont.setPointSize(8);
    settingFont.setBold(true);
    m_captureSetting->setFont(settingFont);
    m_captureSetting->setMaximumHeight(250);
    lbCapMode = new QLabel(QStringLiteral("Capture mode:"), m_captureSetting);
    named(lbCapMode, "lbCapMode");
    cbCapMode = new QComboBox(m_captureSetting);
    named(cbCapMode, "cbCapMode");
    cbCapMode->addItem(QStringLiteral("Framebased"), 1);
    cbCapMode->addItem(QStringLiteral("Timebased (secs)"), 2);
    editTimeFrame = new QLineEdit(m_captureSetting);
    named(editTimeFrame, "editTimeFrame");
    editTimeFrame->setMaximumWidth(60);
    lbQuaMode = new QLabel(QStringLiteral("Quality mode:"), m_captureSetting);
    named(lbQuaMode, "lbQuaMode");
    cbQuaMode = new QComboBox(m_captureSetting);
    named(cbQuaMode, "cbQuaMode");
    cbQuaMode->addItem(QStringLiteral("Very High"), 1);
    cbQuaMode->addItem(QStringLiteral("High"), 2);
    cbQuaMode->addItem(QStringLiteral("Normal"), 3);
    lbOpMode = new QLabel(QStringLiteral("Operation mode:"), m_captureSetting);
    named(lbOpMode, "lbOpMode");
    cbOperationMode = new QComboBox(m_captureSetting);
    named(cbOperationMode, "cbOperationMode");
    cbOperationMode->addItem(QStringLiteral("Operator initiated"), 1);
    cbOperationMode->addItem(QStringLiteral("Auto capture"), 2);
    lblEyeSubtype = new QLabel(QStringLiteral("Eye:"), m_captureSetting);
    named(lblEyeSubtype, "lblEyeSubtype");
    cbEyeSubtype = new QComboBox(m_captureSetting);
    named(cbEyeSubtype, "cbEyeSubtype");
    for (QLabel *l : {lbCapMode, lbQuaMode, lbOpMode, lblEyeSubtype})
        limitWidth(l);

    auto *settingGrid = new QGridLayout(m_captureSetting);
    settingGrid->setContentsMargins(10, 4, 10, 8);
    settingGrid->setVerticalSpacing(6);
    settingGrid->addWidget(lbCapMode, 0, 0);
    settingGrid->addWidget(cbCapMode, 0, 1);
    settingGrid->addWidget(editTimeFrame, 0, 2);
    settingGrid->addWidget(lbQuaMode, 1, 0);
    settingGrid->addWidget(cbQuaMode, 1, 1, 1, 2);
    settingGrid->addWidget(lbOpMode, 2, 0);
    settingGrid->addWidget(cbOperationMode, 2, 1, 1, 2);
    settingGrid->addWidget(lblEyeSubtype, 3, 0);
    settingGrid->addWidget(cbEyeSubtype, 3, 1, 1, 2);
    settingGrid->setRowStretch(4, 1);

    // Result Image
    groupBox_2 = new QGroupBox(QStringLiteral("Result Image"), this);
    named(groupBox_2, "groupBox_2");
    lbResultKind = new QLabel(QStringLiteral("Iso Revision:"), groupBox_2);
    named(lbResultKind, "lbResultKind");
    m_rdIsoNone = new QRadioButton(QStringLiteral("None"), groupBox_2);
    named(m_rdIsoNone, "m_rdIsoNone");
    m_rdIso2005 = new QRadioButton(QStringLiteral("2005"), groupBox_2);
    named(m_rdIso2005, "m_rdIso2005");
    m_rdIso2011 = new QRadioButton(QStringLiteral("2011"), groupBox_2);
    named(m_rdIso2011, "m_rdIso2011");
    lbResultKind_2 = new QLabel(QStringLiteral("Kind:"), groupBox_2);
    named(lbResultKind_2, "lbResultKind_2");
    cbResultImgKind = new QComboBox(groupBox_2);
    named(cbResultImgKind, "cbResultImgKind");
    lbResultFormat = new QLabel(QStringLiteral("Format:"), groupBox_2);
    named(lbResultFormat, "lbResultFormat");
    cbResultImgFormat = new QComboBox(groupBox_2);
    named(cbResultImgFormat, "cbResultImgFormat");
    lbJ2kQuality = new QLabel(QStringLiteral("Compression Quality:"), groupBox_2);
    named(lbJ2kQuality, "lbJ2kQuality");
    edJ2kQuality = new QLineEdit(groupBox_2);
    named(edJ2kQuality, "edJ2kQuality");
    m_lblSubtype = new QLabel(QStringLiteral("Subtype:"), groupBox_2);
    named(m_lblSubtype, "m_lblSubtype");
    m_cbIsoSubtypes = new QComboBox(groupBox_2);
    named(m_cbIsoSubtypes, "m_cbIsoSubtypes");
    for (QLabel *l : {lbResultKind, lbResultKind_2, lbResultFormat, lbJ2kQuality, m_lblSubtype})
        limitWidth(l);

    auto *resultGrid = new QGridLayout(groupBox_2);
    resultGrid->setContentsMargins(10, 4, 10, 8);
    resultGrid->setVerticalSpacing(4);
    resultGrid->addWidget(lbResultKind, 0, 0);
    auto *isoRow = new QHBoxLayout;
    isoRow->addWidget(m_rdIsoNone);
    isoRow->addWidget(m_rdIso2005);
    isoRow->addWidget(m_rdIso2011);
    resultGrid->addLayout(isoRow, 0, 1);
    resultGrid->addWidget(lbResultKind_2, 1, 0);
    resultGrid->addWidget(cbResultImgKind, 1, 1);
    resultGrid->addWidget(lbResultFormat, 2, 0);
    resultGrid->addWidget(cbResultImgFormat, 2, 1);
    resultGrid->addWidget(lbJ2kQuality, 3, 0);
    resultGrid->addWidget(edJ2kQuality, 3, 1);
    resultGrid->addWidget(m_lblSubtype, 4, 0);
    resultGrid->addWidget(m_cbIsoSubtypes, 4, 1);
    resultGrid->setRowStretch(5, 1);

    // Stream Information
    groupBox_3 = new QGroupBox(QStringLiteral("Stream Information"), this);
    named(groupBox_3, "groupBox_3");
    m_lblStreamingStatus = new QLabel(QStringLiteral("Enabled:"), groupBox_3);
    named(m_lblStreamingStatus, "m_lblStreamingStatus");
    lblStreamStatus = new QLabel(groupBox_3);
    named(lblStreamStatus, "lblStreamStatus");
    lblStreamFormatLabel = new QLabel(QStringLiteral("Format:"), groupBox_3);
    named(lblStreamFormatLabel, "lblStreamFormatLabel");
    lblStreamFormat = new QLabel(groupBox_3);
    named(lblStreamFormat, "lblStreamFormat");
    lblStreamScaleLabel = new QLabel(QStringLiteral("Scale:"), groupBox_3);
    named(lblStreamScaleLabel, "lblStreamScaleLabel");
    lblStreamScale = new QLabel(groupBox_3);
    named(lblStreamScale, "lblStreamScale");
    auto *streamGrid = new QGridLayout(groupBox_3);
    streamGrid->setContentsMargins(10, 4, 10, 8);
    streamGrid->addWidget(m_lblStreamingStatus, 0, 0);
    streamGrid->addWidget(lblStreamStatus, 0, 1);
    streamGrid->addWidget(lblStreamFormatLabel, 1, 0);
    streamGrid->addWidget(lblStreamFormat, 1, 1);
    streamGrid->addWidget(lblStreamScaleLabel, 2, 0);
    streamGrid->addWidget(lblStreamScale, 2, 1);
    streamGrid->setColumnStretch(1, 1);
    streamGrid->setRowStretch(3, 1);

    // Commands
    btStart = new QPushButton(QStringLiteral("Start"), this);
    named(btStart, "btStart");
    btOperator = new QPushButton(QStringLiteral("Operate"), this);
    named(btOperator, "btOperator");
    btStop = new QPushButton(QStringLiteral("Stop"), this);
    named(btStop, "btStop");
    m_btSaveResult = new QPushButton(QStringLiteral("Get"), this);
    named(m_btSaveResult, "m_btSaveResult");
    btOperator->setEnabled(false);
    btStop->setEnabled(false);
    m_btSaveResult->setEnabled(false);
    auto *commands = new QVBoxLayout;
    commands->setSpacing(8);
    commands->addStretch(1);
    for (QPushButton *b : {btStart, btOperator, btStop, m_btSaveResult})
        commands->addWidget(b);
    commands->addStretch(1);

    auto *eyes = new QHBoxLayout;
    eyes->setSpacing(6);
    eyes->addStretch(1);
    eyes->addWidget(lbRightEye);
    eyes->addWidget(lbLeftEye);
    eyes->addStretch(1);

    auto *settings = new QHBoxLayout;
    settings->setSpacing(8);
    settings->addWidget(m_captureSetting, 3);
    settings->addWidget(groupBox_2, 4);
    settings->addWidget(groupBox_3, 2);
    settings->addLayout(commands);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(6);
    outer->addLayout(eyes);
    outer->addLayout(settings, 1);

    connect(m_btSaveResult, &QPushButton::clicked, this, &CaptureWidget::on_m_btSaveResult_clicked);
    connect(m_rdIsoNone, &QRadioButton::clicked, this, &CaptureWidget::on_m_rdIsoNone_clicked);
    connect(m_rdIso2005, &QRadioButton::clicked, this, &CaptureWidget::on_m_rdIso2005_clicked);
    connect(m_rdIso2011, &QRadioButton::clicked, this, &CaptureWidget::on_m_rdIso2011_clicked);
}

bool CaptureWidget::isBinocular() const
{
    return m_ctx.deviceInfo.binocular != 0;
}

void CaptureWidget::InitControl()
{
    m_ctx.openDevice(true);

    lbRightEye->setStyleSheet(QString::fromLatin1(kEyeLabelStyle));
    lbLeftEye->setStyleSheet(QString::fromLatin1(kEyeLabelStyle));
    streamInfoPending = true;
    for (QLabel *l : {m_lblStreamingStatus, lblStreamStatus, lblStreamFormatLabel, lblStreamFormat,
                      lblStreamScaleLabel, lblStreamScale})
        l->hide();

    // Values from Config.xml outside the lists show the first entry.
    auto indexFor = [](int32_t value, QComboBox *box) {
        return (value >= 1 && value <= box->count()) ? value - 1 : 0;
    };
    cbCapMode->setCurrentIndex(indexFor(m_ctx.captureMode, cbCapMode));
    On_ComboCapMode_IndexChanged(cbCapMode->currentIndex());
    cbOperationMode->setCurrentIndex(indexFor(m_ctx.operationMode, cbOperationMode));
    cbQuaMode->setCurrentIndex(indexFor(m_ctx.qualityMode, cbQuaMode));

    cbResultImgFormat->setMinimumSize(edJ2kQuality->sizeHint());
    edJ2kQuality->setValidator(new QIntValidator(1, 100, edJ2kQuality));
    editTimeFrame->setValidator(new QIntValidator(1, 600, editTimeFrame));

    connect(cbCapMode, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::On_ComboCapMode_IndexChanged);
    connect(btOperator, &QPushButton::clicked, this, &CaptureWidget::On_BtOperator_Clicked);
    connect(btStop, &QPushButton::clicked, this, &CaptureWidget::On_BtStop_Clicked);
    connect(btStart, &QPushButton::clicked, this, &CaptureWidget::On_BtStart_Clicked);
    connect(m_cbIsoSubtypes, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::on_m_cbIsoSubtypes_IndexChanged);
    connect(cbOperationMode, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::On_Commbo_OperationMode_IndexChanged);
    connect(cbResultImgFormat, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::On_Combo_ResultFormat_IndexChanged);
    connect(cbResultImgKind, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::On_Combo_ResultKind_IndexChanged);
    connect(cbEyeSubtype, &QComboBox::currentIndexChanged, this,
            &CaptureWidget::on_cbEyeSubtype_IndexChanged);

    {
        const QSignalBlocker quiet(m_cbIsoSubtypes);
        m_cbIsoSubtypes->clear();
        for (const ResultListEntry &e : ResultLists::isoSubtypes(isBinocular()))
            m_cbIsoSubtypes->addItem(e.label, e.value);
        isoSubtypeCount = m_cbIsoSubtypes->count();
        m_cbIsoSubtypes->setCurrentIndex(-1);
    }
    m_cbIsoSubtypes->setEnabled(false);

    switch (m_ctx.isoRevision) {
    case ZEPH_ISO_2005:
        m_rdIso2005->setChecked(true);
        on_m_rdIso2005_clicked();
        break;
    case ZEPH_ISO_2011:
        m_rdIso2011->setChecked(true);
        on_m_rdIso2011_clicked();
        break;
    default:
        m_rdIsoNone->setChecked(true);
        on_m_rdIsoNone_clicked();
        break;
    }

    cbEyeSubtype->hide();
    lblEyeSubtype->setText(QString());
    if (isBinocular()) {
        cbEyeSubtype->show();
        lblEyeSubtype->setText(QStringLiteral("Eye:"));
        const QSignalBlocker quiet(cbEyeSubtype);
        cbEyeSubtype->clear();
        cbEyeSubtype->addItem(QStringLiteral("Both"), 3);
        cbEyeSubtype->addItem(QStringLiteral("Right"), 1);
        cbEyeSubtype->addItem(QStringLiteral("Left"), 2);
        cbEyeSubtype->setCurrentIndex(qMax(0, cbEyeSubtype->findData(m_ctx.eyeSubtype)));
    }

    int width = 640;
    int height = 480;
    if (isBinocular()) {
        if (m_ctx.windowWidth < 1280) {
            width = (m_ctx.windowWidth - 18) / 2 / 4 * 4;
            height = width / 4 * 3;
        }
        lbLeftEye->show();
    } else {
        const int h = m_ctx.windowHeight - 189;
        height = h < 480 ? h / 3 * 3 : 480;
        width = height / 3 * 4;
        lbLeftEye->hide();
    }
    for (QLabel *eye : {lbRightEye, lbLeftEye})
        eye->setFixedSize(qMax(0, width), qMax(0, height));

    m_btSaveResult->setText(m_ctx.saveBestImage ? QStringLiteral("Save") : QStringLiteral("Get"));
    m_btSaveResult->setEnabled(m_ctx.lastCapture.hasLeftImage || m_ctx.lastCapture.hasRightImage);

    m_results.showCaptureResults(lbLeftEye, lbRightEye, true);
    setFocus();
}

void CaptureWidget::On_ComboCapMode_IndexChanged(int index)
{
    editTimeFrame->setText(QString::number(index == 1 ? m_ctx.captureSeconds : m_ctx.frameCount));
}

bool CaptureWidget::readCaptureParameters(bool skip)
{
    if (skip)
        return true;
    m_ctx.captureMode = cbCapMode->currentIndex() + 1;
    bool ok = false;
    const uint count = editTimeFrame->text().trimmed().toUInt(&ok);
    const int32_t value =
        ok ? int32_t(qMin<uint>(count, uint(std::numeric_limits<int32_t>::max()))) : 0;
    if (m_ctx.captureMode == ZEPH_CAPTURE_TIME_BASED)
        m_ctx.captureSeconds = value;
    else
        m_ctx.frameCount = value;

    m_ctx.qualityMode = cbQuaMode->currentIndex() + 1;
    m_ctx.operationMode = cbOperationMode->currentIndex() + 1;
    if (cbResultImgKind->currentIndex() >= 0)
        m_ctx.resultKind = cbResultImgKind->currentData().toInt();
    if (cbResultImgFormat->currentIndex() >= 0)
        m_ctx.resultFormat = cbResultImgFormat->currentData().toInt();

    if (m_ctx.resultFormat == ZEPH_FORMAT_MONO_JPEG2000 && m_ctx.resultKind <= ZEPH_KIND_K7) {
        const int quality = edJ2kQuality->text().trimmed().toInt(&ok);
        if (!ok || quality < 1 || quality > 100) {
            MessageBox::warning(this, QStringLiteral("Input error"),
                                QStringLiteral("Jpeg2000 quality should be in range [1 - 100]"));
            edJ2kQuality->setFocus();
            return false;
        }
        m_ctx.j2kQuality = uint8_t(quality);
    }

    m_ctx.isoRevision = m_rdIso2011->isChecked()   ? ZEPH_ISO_2011
                        : m_rdIso2005->isChecked() ? ZEPH_ISO_2005
                                                   : ZEPH_ISO_NONE;
    return true;
}

void CaptureWidget::reportFailure(ZephResult result)
{
    m_ctx.showStatus(5000, "%s", ResultText(result));
    m_ctx.offerRecovery(result);
}

void CaptureWidget::On_BtStart_Clicked()
{
    retrievalArmed = true;
    if (!readCaptureParameters(false))
        return;

    ZephResult r = m_ctx.openDevice(false);
    if (r != 0) {
        reportFailure(r);
        return;
    }

    if (streamInfoPending) {
        m_lblStreamingStatus->show();
        lblStreamStatus->show();
        for (QLabel *l : {lblStreamFormatLabel, lblStreamFormat, lblStreamScaleLabel, lblStreamScale})
            l->hide();
        const ZephDeviceConfig &config = m_ctx.deviceConfig;
        lblStreamStatus->setText(config.enableStream ? QStringLiteral("ON") : QStringLiteral("OFF"));
        if (config.enableStream) {
            lblStreamFormat->setText(ResultLists::formatName(config.streamFormat));
            lblStreamScale->setText(QStringLiteral("1/%1").arg(config.streamScale));
            for (QLabel *l :
                 {lblStreamFormatLabel, lblStreamFormat, lblStreamScaleLabel, lblStreamScale})
                l->show();
        }
        streamInfoPending = false;
    }

    r = m_ctx.initCamera();
    if (r != 0) {
        reportFailure(r);
        return;
    }

    const int32_t count =
        m_ctx.captureMode == ZEPH_CAPTURE_TIME_BASED ? m_ctx.captureSeconds : m_ctx.frameCount;

    m_ctx.eyeSubtype = ZEPH_EYE_UNKNOWN;
    if (isBinocular()) {
        m_ctx.eyeSubtype = cbEyeSubtype->currentData().toInt();
        if (m_ctx.eyeSubtype == ZEPH_EYE_LEFT) {
            lbLeftEye->clear();
            lbRightEye->setText(QStringLiteral("The capture for right eye is disabled."));
        } else if (m_ctx.eyeSubtype == ZEPH_EYE_RIGHT) {
            lbLeftEye->setText(QStringLiteral("The capture for left eye is disabled."));
            lbRightEye->clear();
        }
    }
    if (m_ctx.deviceConfig.enableStream == 0) {
        const int32_t eye = m_ctx.eyeSubtype;
        if (eye == ZEPH_EYE_LEFT || eye == ZEPH_EYE_BOTH)
            lbLeftEye->setText(QStringLiteral("Streaming is disabled."));
        if (eye == ZEPH_EYE_RIGHT || eye == ZEPH_EYE_BOTH)
            lbRightEye->setText(QStringLiteral("Streaming is disabled."));
    }

    m_ctx.resetCaptureState();
    m_btSaveResult->setEnabled(false);
    m_ctx.showStatus(3000, "Starting capturing...");

    m_ctx.lastResult = Zeph_StartCapture(m_ctx.deviceHandle, m_ctx.captureMode, count,
                                         m_ctx.qualityMode, m_ctx.operationMode, m_ctx.eyeSubtype,
                                         1, &FrameRelay::frameCallback, &m_results.relay());
    const ZephResult started = m_ctx.lastResult;
    Zeph_ControlLed(m_ctx.deviceHandle, ZEPH_LED_GREEN, 0, 0);
    Zeph_ControlLed(m_ctx.deviceHandle, ZEPH_LED_RED, 1, 0);

    if (started != 0) {
        m_ctx.deinitCamera();
        reportFailure(started);
        if (started == ZEPH_ERR_INVALID_PARAMETER &&
            (count < ZEPH_CAPTURE_COUNT_MIN || count > ZEPH_CAPTURE_COUNT_MAX))
            MessageBox::critical(this, QStringLiteral("Invalid Input"),
                                 m_ctx.captureMode == ZEPH_CAPTURE_TIME_BASED
                                     ? QStringLiteral("The value for time-based must be in range [1-600]")
                                     : QStringLiteral("The value for frame-based must be in range [1-600]"));
        return;
    }
    showCapturingControls();
}

void CaptureWidget::showCapturingControls()
{
    btStart->setEnabled(false);
    btStart->setDefault(false);
    m_captureSetting->setEnabled(false);
    btStop->setEnabled(true);
    btStop->setDefault(true);
    for (QWidget *w : {static_cast<QWidget *>(cbResultImgFormat), static_cast<QWidget *>(cbResultImgKind),
                       static_cast<QWidget *>(edJ2kQuality), static_cast<QWidget *>(m_rdIsoNone),
                       static_cast<QWidget *>(m_rdIso2005), static_cast<QWidget *>(m_rdIso2011),
                       static_cast<QWidget *>(m_cbIsoSubtypes)})
        w->setEnabled(false);
    // An operator-initiated capture waits for Operate, so it needs the
    // button most; in auto mode it lets the operator trigger early.
    btOperator->setEnabled(m_ctx.operationMode == ZEPH_OPERATION_OPERATOR_INITIATED ||
                           m_ctx.operationMode == ZEPH_OPERATION_AUTO);
}

void CaptureWidget::restoreIdleControls()
{
    btStart->setEnabled(true);
    btStart->setDefault(true);
    m_captureSetting->setEnabled(true);
    btStop->setEnabled(false);
    btStop->setDefault(false);
    btOperator->setEnabled(false);
    cbResultImgKind->setEnabled(true);
    if (cbResultImgKind->currentData().toInt() <= ZEPH_KIND_K7) {
        cbResultImgFormat->setEnabled(true);
        if (cbResultImgFormat->currentData().toInt() == ZEPH_FORMAT_MONO_JPEG2000)
            edJ2kQuality->setEnabled(true);
    }
    m_rdIsoNone->setEnabled(true);
    m_rdIso2005->setEnabled(true);
    m_rdIso2011->setEnabled(true);
    if (m_ctx.isoRevision != ZEPH_ISO_NONE)
        m_cbIsoSubtypes->setEnabled(true);
}

void CaptureWidget::On_BtOperator_Clicked()
{
    m_ctx.lastResult = Zeph_OperateCapture(m_ctx.deviceHandle);
    if (m_ctx.lastResult == 0)
        btOperator->setEnabled(false);
    else
        reportFailure(m_ctx.lastResult);
}

void CaptureWidget::On_BtStop_Clicked()
{
    lbLeftEye->clear();
    retrievalArmed = true;
    const ZephResult r = m_ctx.stopCamera();
    if (r != 0)
        reportFailure(r);
}

void CaptureWidget::ProcessIncomingFrame()
{
    ++m_waitingFrames;
    if (m_inFrame)
        return;
    m_inFrame = true;
    while (m_waitingFrames > 0) {
        --m_waitingFrames;
        processOneFrame();
    }
    m_inFrame = false;
}

void CaptureWidget::processOneFrame()
{
    m_results.relay().takeEvent(nullptr);
    LiveFrames &live = m_ctx.liveFrames;
    const int32_t status = live.captureStatus;
    m_ctx.showStatus(0, "%s", statusName(status));

    bool fetched = false;
    bool aborted = false;
    if (status != live.previousCaptureStatus) {
        live.previousCaptureStatus = status;
        aborted = status == ZEPH_STATUS_ABORT;
        actOnStatus(status, &fetched);
    }
    if (!aborted && !fetched)
        drawLiveFrames();
    if (live.captureError != 0)
        m_ctx.showStatus(5000, "Capturing Error: %s", ResultText(live.captureError));
}

void CaptureWidget::actOnStatus(int32_t status, bool *fetched)
{
    const ZephHandle device = m_ctx.deviceHandle;
    switch (status) {
    case ZEPH_STATUS_CAPTURING: {
        Zeph_ControlBlinkingLed(device, ZEPH_LED_RED, 1, 50, 0);
        Zeph_ControlBlinkingLed(device, ZEPH_LED_BLUE, 1, 50, 0);
        const uint32_t soundSet = (m_ctx.deviceInfo.propertiesFlag >> 20) & 0xF;
        if (soundSet == 0)
            SoundPlayer::play(QString::fromLatin1(SoundPlayer::kStartF));
        else if (soundSet == 1)
            SoundPlayer::play(QString::fromLatin1(SoundPlayer::kStartA));
        retrievalArmed = true;
        break;
    }
    case ZEPH_STATUS_COMPLETE: {
        const ZephQuality *quality = nullptr;
        int32_t count = 0;
        const ZephResult q = Zeph_GetResultQuality(device, &quality, &count);
        if (hasUsableEyes(q)) {
            Zeph_ControlLed(device, ZEPH_LED_RED, 0, 0);
            Zeph_ControlLed(device, ZEPH_LED_GREEN, 1, 2000);
        } else {
            Zeph_ControlLed(device, ZEPH_LED_RED, 1, 2000);
        }
        // 0 means "unknown" to the age check; the clock never gives it.
        m_ctx.lastCapture.captureTime = qMax<qint64>(1, Clock::instance().monotonicMs());
        if (retrievalArmed) {
            lbLeftEye->clear();
            lbRightEye->clear();
            m_ctx.showStatus(1000, "Waiting for captured image...");
            retrieveResults(true);
            if (hasUsableEyes(m_ctx.lastResult))
                m_btSaveResult->setEnabled(true);
            retrievalArmed = false;
            restoreIdleControls();
            *fetched = true;
        }
        break;
    }
    case ZEPH_STATUS_ABORT:
        Zeph_ControlLed(device, ZEPH_LED_RED, 0, 2000);
        SoundPlayer::play(QString::fromLatin1(SoundPlayer::kTimeout));
        retrievalArmed = true;
        restoreIdleControls();
        break;
    default:
        retrievalArmed = true;
        break;
    }
}

void CaptureWidget::drawLiveFrames()
{
    // Only the newest frame is worth drawing: with deliveries still queued
    // behind this one, the slots are about to change anyway.
    if (m_results.relay().pendingDeliveries() > 0)
        return;
    static FrameCopy right, left; // GUI thread only; buffers reused
    {
        LiveFrames &live = m_ctx.liveFrames;
        std::lock_guard<std::mutex> lock(live.guard);
        right.present = live.hasRightFrame && right.slot.assign(live.rightFrame.record());
        left.present = live.hasLeftFrame && left.slot.assign(live.leftFrame.record());
    }
    if (left.present)
        m_results.drawer().drawImage(lbLeftEye, left.slot.record());
    if (right.present)
        m_results.drawer().drawImage(lbRightEye, right.slot.record());
}

int CaptureWidget::estimateRetrievalTime() const
{
    return RetrievalEstimate::estimateRetrievalTime(m_ctx);
}

void CaptureWidget::retrieveResults(bool withSounds)
{
    // Frames that arrive while the dialog spins its loop wait until the
    // fetch is done: the fetch owns the capture state meanwhile.
    const bool wasInFrame = m_inFrame;
    m_inFrame = true;

    if (m_ctx.cameraInitialized) {
        m_ctx.cameraInitialized = 0;
        Zeph_DeinitCamera(m_ctx.deviceHandle);
    }

    {
        KeldWaitingDlg dialog(this);
        dialog.setAutoProgress(true, estimateRetrievalTime());
        CaptureResults *results = &m_results;
        const int32_t revision = m_ctx.isoRevision;
        KeldWaitingDlg *shown = &dialog;
        m_retrieval = QtConcurrent::run([results, revision, shown] {
            results->fetchCaptureResults(revision, shown);
        });
        dialog.run(QStringLiteral("Retrieving result images..."), QString(), QString(), true, -1);
        m_retrieval.waitForFinished();
    }

    const LastCapture &last = m_ctx.lastCapture;
    if (!last.hasLeftImage && !last.hasRightImage) {
        if (withSounds)
            SoundPlayer::play(QString::fromLatin1(SoundPlayer::kTimeout));
    } else {
        if (m_ctx.isoRevision == ZEPH_ISO_NONE)
            m_results.saver().saveLastCapture(last, isBinocular());
        if (withSounds)
            SoundPlayer::play(QString::fromLatin1(SoundPlayer::kCapture));
    }

    const QString saveError = m_results.saveError();
    if (m_ctx.saveBestImage && !saveError.isEmpty())
        MessageBox::critical(this, QString::fromLatin1(ResultSaver::kSaveErrorTitle), saveError);

    m_results.showCaptureResults(lbLeftEye, lbRightEye, true);
    m_ctx.showStatus(5000, "%s", ResultText(m_ctx.lastResult));
    m_ctx.offerRecovery(m_ctx.lastResult);
    btStart->setFocus();

    m_inFrame = wasInFrame;
    if (!wasInFrame && m_waitingFrames > 0) {
        --m_waitingFrames;
        ProcessIncomingFrame();
    }
}

void CaptureWidget::on_m_btSaveResult_clicked()
{
    if (!readCaptureParameters(false))
        return;
    m_btSaveResult->setEnabled(false);
    m_btSaveResult->repaint();
    retrieveResults(false);
    m_btSaveResult->setEnabled(true);
}

void CaptureWidget::fillResultLists(int32_t revision)
{
    const ResultLists lists = ResultLists::forRevision(revision);
    auto fill = [](QComboBox *box, const QVector<ResultListEntry> &entries, int32_t stored) {
        const QSignalBlocker quiet(box);
        box->clear();
        for (const ResultListEntry &e : entries)
            box->addItem(e.label, e.value);
        box->setCurrentIndex(ResultLists::selectedIndex(entries, stored));
    };
    fill(cbResultImgKind, lists.kinds, m_ctx.resultKind);
    fill(cbResultImgFormat, lists.formats, m_ctx.resultFormat);
    // The stored values follow what the lists now show.
    On_Combo_ResultKind_IndexChanged(cbResultImgKind->currentIndex());
    On_Combo_ResultFormat_IndexChanged(cbResultImgFormat->currentIndex());
}

void CaptureWidget::selectIsoSubtype()
{
    m_cbIsoSubtypes->setEnabled(true);
    int index = 0;
    for (int i = 0; i < isoSubtypeCount && i < m_cbIsoSubtypes->count(); ++i)
        if (m_cbIsoSubtypes->itemData(i).toInt() == m_ctx.isoSubtype)
            index = i;
    m_cbIsoSubtypes->setCurrentIndex(index);
    on_m_cbIsoSubtypes_IndexChanged(index);
}

void CaptureWidget::on_m_rdIsoNone_clicked()
{
    m_ctx.isoRevision = ZEPH_ISO_NONE;
    {
        const QSignalBlocker quiet(m_cbIsoSubtypes);
        m_cbIsoSubtypes->setCurrentIndex(-1);
    }
    m_cbIsoSubtypes->setEnabled(false);
    fillResultLists(ZEPH_ISO_NONE);
}

void CaptureWidget::on_m_rdIso2005_clicked()
{
    m_ctx.isoRevision = ZEPH_ISO_2005;
    selectIsoSubtype();
    fillResultLists(ZEPH_ISO_2005);
    cbResultImgFormat->setEnabled(true);
}

void CaptureWidget::on_m_rdIso2011_clicked()
{
    m_ctx.isoRevision = ZEPH_ISO_2011;
    selectIsoSubtype();
    fillResultLists(ZEPH_ISO_2011);
}

void CaptureWidget::On_Combo_ResultKind_IndexChanged(int index)
{
    if (index < 0)
        return;
    m_ctx.resultKind = cbResultImgKind->itemData(index).toInt();
    if (m_ctx.resultKind <= ZEPH_KIND_K7) {
        cbResultImgFormat->setEnabled(true);
        if (cbResultImgFormat->currentData().toInt() == ZEPH_FORMAT_MONO_JPEG2000) {
            edJ2kQuality->setEnabled(true);
            edJ2kQuality->setText(QString::number(m_ctx.j2kQuality));
        }
    } else {
        // The compact K7 kinds always come as JPEG 2000 of a quality the
        // kind implies.
        const int j2k = cbResultImgFormat->findData(int(ZEPH_FORMAT_MONO_JPEG2000));
        if (j2k >= 0)
            cbResultImgFormat->setCurrentIndex(j2k);
        edJ2kQuality->clear();
        edJ2kQuality->setEnabled(false);
        cbResultImgFormat->setEnabled(false);
    }
}

void CaptureWidget::On_Combo_ResultFormat_IndexChanged(int index)
{
    if (index < 0)
        return;
    m_ctx.resultFormat = cbResultImgFormat->itemData(index).toInt();
    const int32_t kind = cbResultImgKind->currentData().toInt();
    const bool noQuality = m_ctx.resultFormat == ZEPH_FORMAT_MONO_RAW ||
                           m_ctx.resultFormat == ZEPH_FORMAT_CORVANE_RAW ||
                           (isJpeg2000(m_ctx.resultFormat) && kind > ZEPH_KIND_K7);
    if (noQuality) {
        edJ2kQuality->clear();
        edJ2kQuality->setEnabled(false);
    } else {
        edJ2kQuality->setEnabled(true);
        edJ2kQuality->setText(QString::number(m_ctx.j2kQuality));
    }
}

void CaptureWidget::on_m_cbIsoSubtypes_IndexChanged(int index)
{
    if (index >= 0)
        m_ctx.isoSubtype = qMin(index, 3);
}

void CaptureWidget::On_CheckBox_Streamming(bool) {}
void CaptureWidget::On_Combo_StreammingFormat_IndexChanged(int) {}
void CaptureWidget::On_Commbo_OperationMode_IndexChanged(int) {}
void CaptureWidget::on_cbEyeSubtype_IndexChanged(int) {}
void CaptureWidget::on_SaveResult_internal() {}

void CaptureWidget::WidgetClosed()
{
    if (m_ctx.deviceHandle == 0)
        return;
    int32_t status = 0;
    // Only an answer tells what the camera is doing; a failed query says
    // nothing about the status, so nothing is stopped on its account.
    if (Zeph_GetCaptureStatus(m_ctx.deviceHandle, &status) != 0)
        return;
    if (status == ZEPH_STATUS_CAPTURING || status == ZEPH_STATUS_READY) {
        m_ctx.showStatus(2000, "Stopping camera...");
        m_ctx.lastResult = Zeph_StopCapture(m_ctx.deviceHandle);
        if (m_ctx.lastResult != 0)
            m_ctx.offerRecovery(m_ctx.lastResult);
    }
}

void CaptureWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (btStart->isEnabled())
            QMetaObject::invokeMethod(this, "On_BtStart_Clicked", Qt::QueuedConnection);
        else if (btStop->isEnabled())
            QMetaObject::invokeMethod(this, "On_BtStop_Clicked", Qt::QueuedConnection);
        event->accept();
        return;
    }
    CCustomWidget::keyPressEvent(event);
}
