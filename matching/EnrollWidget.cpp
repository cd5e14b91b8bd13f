#include "matching/EnrollWidget.h"

#include "core/AppContext.h"
#include "core/CaptureJudgement.h"
#include "core/CapturePrompt.h"
#include "core/CaptureService.h"
#include "core/FixedText.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"
#include "matching/EnrolleeIdCheck.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace {

const char kFrameStyle[] =
    "QFrame#leftFrame { background: qradialgradient(cx: 0.3, cy: -0.4, fx: 0.3, fy: -0.4, "
    "radius: 1.35, stop: 0 #005588, stop: 0.8 #ffffff, stop: 1 #E5EFF6); border: none; }";
const char kButtonStyle[] = "QPushButton\n{\nmin-width: 40px;\n}";
const char kEyeLabelStyle[] = "QLabel { background-color : white; color : black; }";
const char kNoCapture[] = "Please capture before enrolling or matching";
const char kNotMatchable[] =
    "The image is not matchable due to, e.g., occlusion, reflection, side-gazing, or "
    "blurriness.\r\nPlease re-capture another image and try again.";
const char kPermissionDenied[] =
    "Permission denied. You must login as SuperUser to do this function.";
constexpr int kLeftFrameWidth = 220;

QString idText(const char *field)
{
    return QString::fromLatin1(FixedText::read(field, ZEPH_ID_SIZE));
}

QString resultText(ZephResult r)
{
    return QString::fromLocal8Bit(ResultText(r));
}

} // namespace

EnrollWidget::EnrollWidget(QWidget *parent)
    : CCustomWidget(parent),
      m_ctx(*AppContext::instance()),
      m_mainWindow(parent),
      m_enrolleeId(m_ctx.currentEnrolleeId)
{
    buildForm();
    btEnrollNew->hide();
    QMetaObject::invokeMethod(this, "InitControl", Qt::QueuedConnection);
}

void EnrollWidget::buildForm()
{
    setObjectName(QStringLiteral("EnrollWidget"));
    setStyleSheet(QString::fromLatin1(kButtonStyle));

    leftFrame = new QFrame(this);
    leftFrame->setObjectName(QStringLiteral("leftFrame"));
    leftFrame->setStyleSheet(QString::fromLatin1(kFrameStyle));
    leftFrame->setMaximumWidth(kLeftFrameWidth);
    leftFrame->setMinimumWidth(kLeftFrameWidth);

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    lbEnrolledNumberID = new QLabel(QStringLiteral("Enrollee ID:"), leftFrame);
    named(lbEnrolledNumberID, "lbEnrolledNumberID");
    cbEnrollID = new QComboBox(leftFrame);
    named(cbEnrollID, "cbEnrollID");
    cbEnrollID->setEditable(true);
    cbEnrollID->setInsertPolicy(QComboBox::NoInsert);
    auto button = [&](const char *text, const char *name) {
        auto *b = new QPushButton(QString::fromLatin1(text), leftFrame);
        named(b, name);
        return b;
    };
    btEnroll = button("Enroll", "btEnroll");
    btEnrollNew = button("Enroll 2", "btEnrollNew");
    btUnenroll = button("Unenroll", "btUnenroll");
    btVerify = button("Verify", "btVerify");
    btIdentify = button("Identify", "btIdentify");
    btCheckID = button("Check ID", "btCheckID");

    auto *left = new QVBoxLayout(leftFrame);
    left->setContentsMargins(12, 16, 12, 12);
    left->setSpacing(8);
    left->addWidget(lbEnrolledNumberID);
    left->addWidget(cbEnrollID);
    left->addSpacing(8);
    for (QPushButton *b : {btEnroll, btEnrollNew, btUnenroll, btVerify, btIdentify, btCheckID})
        left->addWidget(b);
    left->addStretch(1);

    lbDescription = new QLabel(this);
    named(lbDescription, "lbDescription");
    lbDescription->setTextFormat(Qt::RichText);
    lbDescription->setWordWrap(true);
    lbDescription->setMinimumHeight(48);
    lbDescription->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    lbDistance = new QLabel(this);
    named(lbDistance, "lbDistance");
    lbDistance->setTextFormat(Qt::RichText);
    lbResult = new QLabel(this);
    named(lbResult, "lbResult");
    lbResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbResult->setTextFormat(Qt::PlainText);
    lbResult->setMinimumSize(320, 120);
    lbResult->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    lbRightEye = new QLabel(QString::fromLatin1(kNoCapture), this);
    named(lbRightEye, "lbRightEye");
    lbLeftEye = new QLabel(QString::fromLatin1(kNoCapture), this);
    named(lbLeftEye, "lbLeftEye");
    for (QLabel *eye : {lbRightEye, lbLeftEye}) {
        eye->setAlignment(Qt::AlignCenter);
        eye->setMinimumSize(640, 480);
        eye->setMaximumSize(640, 480);
    }

    auto *eyes = new QHBoxLayout;
    eyes->setSpacing(6);
    eyes->addWidget(lbRightEye);
    eyes->addWidget(lbLeftEye);
    eyes->addStretch(1);

    auto *right = new QVBoxLayout;
    // No side margins: the eye sizing counts every pixel beside leftFrame.
    right->setContentsMargins(0, 4, 0, 4);
    right->addLayout(eyes);
    right->addWidget(lbDescription);
    right->addWidget(lbDistance);
    right->addWidget(lbResult, 1);

    auto *all = new QHBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->setSpacing(0);
    all->addWidget(leftFrame);
    all->addLayout(right, 1);
}

void EnrollWidget::InitControl()
{
    connect(btEnroll, &QPushButton::clicked, this, &EnrollWidget::On_BtEnroll_Clicked);
    connect(btUnenroll, &QPushButton::clicked, this, &EnrollWidget::On_BtUnenroll_Clicked);
    connect(btVerify, &QPushButton::clicked, this, &EnrollWidget::On_BtVerify_Clicked);
    connect(btIdentify, &QPushButton::clicked, this, &EnrollWidget::On_BtIdentify_Clicked);
    connect(btCheckID, &QPushButton::clicked, this, &EnrollWidget::On_BtCheckID_Clicked);
    connect(cbEnrollID, &QComboBox::currentTextChanged, this,
            &EnrollWidget::On_Combo_EnrollId_CurrentIndex_Changed);
    cbEnrollID->lineEdit()->setMaxLength(EnrolleeIdCheck::kMaxLength);

    for (QLabel *eye : {lbLeftEye, lbRightEye}) {
        eye->setStyleSheet(QString::fromLatin1(kEyeLabelStyle));
        eye->setWindowTitle(QString::fromLatin1(kNoCapture));
    }

    fillEnrolleeIdList();
    m_ctx.loadGallery(nullptr, nullptr, nullptr, nullptr, nullptr);
    sizeEyeLabels();
    if (CaptureService *service = m_ctx.captureService())
        service->showCaptureResults(lbLeftEye, lbRightEye, true);
    // Before the first capture the per-eye results are still 0, so the
    // display leaves the labels blank: say why there is no picture.
    if (m_ctx.lastCapture.lastCaptureResult == ZEPH_ERR_FRAME_NOT_AVAILABLE) {
        for (QLabel *eye : {lbLeftEye, lbRightEye})
            if (eye->pixmap().isNull() && eye->text().isEmpty())
                eye->setText(eye->windowTitle());
    }
}

void EnrollWidget::sizeEyeLabels()
{
    int width = 640, height = 480;
    const int free = m_ctx.windowWidth - leftFrame->maximumWidth();
    if (m_ctx.deviceInfo.binocular != 0) {
        lbLeftEye->show();
        if (free < 1280) {
            width = ((free - 6) / 2) / 4 * 4;
            height = width / 4 * 3;
        }
        lbLeftEye->setMinimumSize(width, height);
        lbLeftEye->setMaximumSize(width, height);
    } else {
        lbLeftEye->hide();
        if (free < 640) {
            width = free / 4 * 4;
            height = width / 4 * 3;
        }
    }
    lbRightEye->setMinimumSize(width, height);
    lbRightEye->setMaximumSize(width, height);
}

void EnrollWidget::On_Combo_EnrollId_CurrentIndex_Changed(const QString &)
{
}

void EnrollWidget::fillEnrolleeIdList()
{
    cbEnrollID->clear();
    const QList<QByteArray> ids = m_ctx.enrolleeIdList();
    for (const QByteArray &id : ids)
        cbEnrollID->addItem(QString::fromLatin1(id));
    const QString current = idText(m_enrolleeId);
    if (!current.isEmpty() && ids.contains(current.toLatin1()))
        cbEnrollID->setEditText(current);
}

QString EnrollWidget::enrolleeIdText() const
{
    return idText(m_enrolleeId);
}

MatchThresholds EnrollWidget::thresholds() const
{
    MatchThresholds t;
    t.genuine = m_ctx.genuineThreshold;
    t.imposter = m_ctx.imposterThreshold;
    return t;
}

bool EnrollWidget::checkEnrolleeId()
{
    const EnrolleeIdCheck::Result r = EnrolleeIdCheck::check(cbEnrollID->currentText());
    if (r.verdict != EnrolleeIdCheck::Accepted) {
        MessageBox::warning(this, EnrolleeIdCheck::title(r.verdict),
                            EnrolleeIdCheck::text(r.verdict));
        if (r.verdict != EnrolleeIdCheck::TooLong)
            cbEnrollID->setFocus();
        return false;
    }
    FixedText::copy(m_enrolleeId, ZEPH_ID_SIZE, r.id.constData(), std::size_t(r.id.size()));
    return true;
}

bool EnrollWidget::checkCaptureForMatching(const QString &title, int purpose)
{
    const ZephResult opened = m_ctx.openDevice(false);
    if (opened != 0) {
        reportFailure(opened);
        return false;
    }
    const ZephResult status = m_ctx.lastCapture.lastCaptureResult;
    const bool noCapture = status == ZEPH_ERR_FRAME_NOT_AVAILABLE
                           || (purpose != PurposeEnrollment
                               && m_ctx.lastResult == ZEPH_ERR_NO_QUALIFIED_FRAME);
    if (noCapture) {
        CapturePrompt::askForCapture(this, title, m_mainWindow);
        return false;
    }
    if (status != 0 && status != ZEPH_ERR_NO_QUALIFIED_RIGHT && status != ZEPH_ERR_NO_QUALIFIED_LEFT) {
        reportFailure(status);
        return false;
    }
    if (!CapturePrompt::judgeCaptureQuality(this, m_mainWindow, purpose, lbLeftEye, lbRightEye))
        return false;
    return CapturePrompt::confirmCaptureAge(this, m_mainWindow);
}

void EnrollWidget::reportFailure(ZephResult result)
{
    if (result == ZEPH_ERR_FRAME_NOT_AVAILABLE || result == ZEPH_ERR_NO_QUALIFIED_FRAME) {
        CapturePrompt::askForCapture(this, QStringLiteral("Error"), m_mainWindow);
        return;
    }
    m_ctx.showStatus(5000, "%s", ResultText(result));
    m_ctx.offerRecovery(result);
}

void EnrollWidget::clearResult()
{
    lbResult->clear();
    lbResult->setProperty("picture", QString());
    showDistance(MatchDecision::kNoDistance, "");
    showDescription(QString(), 0);
}

void EnrollWidget::showDescription(const QString &text, int colourKind)
{
    const char *colour = colourKind == kRed ? "red" : colourKind == kGreen ? "green" : "black";
    lbDescription->setText(QStringLiteral("<h2><font color=%1>").arg(QLatin1String(colour)) + text
                           + QStringLiteral("</font></h2>"));
}

void EnrollWidget::showDistance(float distance, const char *colour)
{
    if (!MatchDecision::showsDistance(distance)) {
        lbDistance->clear();
        return;
    }
    lbDistance->setText(QString::asprintf("Distance: <font color=%s>%4.4f</font>", colour,
                                          double(distance)));
}

void EnrollWidget::showResultPicture(const QString &name)
{
    lbResult->clear();
    // Once laid out the panel keeps its size, whatever the picture's.
    if (lbResult->isVisible())
        lbResult->setFixedSize(lbResult->width(), lbResult->height());
    lbResult->setProperty("picture", name);
    QPixmap picture(QStringLiteral(":/resource/image/") + name + QStringLiteral(".BMP"));
    // A smaller panel shows the whole picture, never a cut-off piece of it.
    if (!picture.isNull() && (picture.width() > lbResult->width()
                              || picture.height() > lbResult->height()))
        picture = picture.scaled(lbResult->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    lbResult->setPixmap(picture);
}

void EnrollWidget::signalOutcome(int outcome)
{
    const ZephHandle h = m_ctx.deviceHandle;
    switch (outcome) {
    case OutcomeDone:
        Zeph_ControlBlinkingLed(h, ZEPH_LED_GREEN, 1, 100, 3000);
        break;
    case OutcomeIdentifiedExact:
    case OutcomeIdentified:
    case OutcomeVerifiedExact:
    case OutcomeVerified:
        Zeph_ControlLed(h, ZEPH_LED_GREEN, 1, 3000);
        break;
    case OutcomeIdentifyUnsure:
    case OutcomeVerifyUnsure:
        Zeph_ControlLed(h, ZEPH_LED_ORANGE, 1, 3000);
        break;
    default:
        Zeph_ControlBlinkingLed(h, ZEPH_LED_RED, 1, 100, 3000);
        break;
    }
}

void EnrollWidget::On_BtEnroll_Clicked()
{
    if (!checkEnrolleeId())
        return;
    if (!checkCaptureForMatching(QStringLiteral("Enrollment"), PurposeEnrollment))
        return;
    const QString id = enrolleeIdText();
    const ZephResult status = m_ctx.lastCapture.lastCaptureResult;
    if (status == ZEPH_ERR_NO_QUALIFIED_RIGHT || status == ZEPH_ERR_NO_QUALIFIED_LEFT) {
        if (!MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Confirmation"),
                                  QStringLiteral("You should capture both irises for enrollment. "
                                                 "Do you want to continue with one iris missing?")))
            return;
    }

    ZephEnrolleeInfo info{};
    m_ctx.lastResult = Zeph_GetEnrolleeInfo(m_ctx.deviceHandle, m_enrolleeId, &info);
    if (m_ctx.lastResult == 0
        && !MessageBox::question(this, QMessageBox::Warning, QStringLiteral("Confirmation"),
                                 QStringLiteral("Enrollee ID '%1' existed in device.\nDo you want "
                                                "to enroll to existing ID?")
                                     .arg(id)))
        return;

    m_ctx.lastResult = Zeph_EnrollCapture(m_ctx.deviceHandle, m_enrolleeId);
    const ZephResult enrolled = m_ctx.lastResult;
    const QString title = QStringLiteral("Enrollment");
    switch (enrolled) {
    case ZEPH_ERR_PERMISSION_DENIED:
        MessageBox::warning(this, title, QString::fromLatin1(kPermissionDenied));
        break;
    case ZEPH_ERR_NO_SLOTS_FOR_ID:
        MessageBox::warning(this, title,
                            QStringLiteral("There is not enough free slots to enroll irises for "
                                           "ID '%1'. It currently has %2 irises enrolled.")
                                .arg(id)
                                .arg(info.totalIrisCount));
        break;
    case ZEPH_ERR_MAX_SLOTS_FOR_ID:
        MessageBox::warning(this, title,
                            QStringLiteral("It is not able to enroll more iris for ID '%1' "
                                           "because it has maximum of '%2' irises.")
                                .arg(id)
                                .arg(info.totalIrisCount));
        break;
    case ZEPH_ERR_GALLERY_FULL:
        MessageBox::warning(this, title,
                            QStringLiteral("It is not able to enroll new ID because the "
                                           "gallery was full."));
        break;
    default:
        break;
    }

    int outcome = MatchDecision::enrolment(enrolled);
    if (enrolled == 0) {
        m_ctx.showStatus(1000, "Committing gallery...");
        // An enrolment the camera did not keep is no success: a failed
        // commit is reported with its own message.
        if (m_ctx.commitGallery() != 0) {
            outcome = OutcomeFailed;
        } else if (cbEnrollID->findText(id, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
            cbEnrollID->addItem(id);
        }
    }
    signalOutcome(outcome);
    presentEnrolment(outcome);
}

void EnrollWidget::presentEnrolment(int outcome)
{
    clearResult();
    switch (outcome) {
    case OutcomeDone:
        showDescription(QStringLiteral("Your iris has been enrolled successfully as ID '%1'")
                            .arg(enrolleeIdText()),
                        kGreen);
        showResultPicture(QStringLiteral("ENROLLMENTSUCCEEDED"));
        break;
    case OutcomeDuplicate:
        showDescription(QStringLiteral("Your iris(es) had been already enrolled as another ID in "
                                       "the system. Duplicated iris(es) enrollment was not "
                                       "allowed by system's configuration."),
                        kRed);
        showResultPicture(QStringLiteral("ENROLLMENTFAILED"));
        break;
    default:
        showDescription(resultText(m_ctx.lastResult), kRed);
        showResultPicture(QStringLiteral("ENROLLMENTFAILED"));
        break;
    }
}

void EnrollWidget::On_BtVerify_Clicked()
{
    if (!checkEnrolleeId())
        return;
    if (!checkCaptureForMatching(QStringLiteral("Verification"), PurposeVerification))
        return;
    lbResult->clear();
    float distance = 2.0f;
    m_ctx.lastResult = Zeph_Compare11(m_ctx.deviceHandle, m_enrolleeId, &distance);
    const MatchOutcome outcome = MatchDecision::verification(m_ctx.lastResult, distance, thresholds());
    signalOutcome(outcome);

    clearResult();
    const QString id = enrolleeIdText();
    switch (outcome) {
    case OutcomeVerifiedExact:
    case OutcomeVerified:
        showDistance(distance, "blue");
        showDescription(QStringLiteral("Welcome '%1'. Your identity has been verified "
                                       "successfully.")
                            .arg(id),
                        kGreen);
        showResultPicture(QStringLiteral("ACCESSGRANTED"));
        break;
    case OutcomeVerifyUnsure:
        showDistance(distance, "orange");
        showDescription(QString::fromLatin1(kNotMatchable), kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    case OutcomeNotVerified:
        showDistance(distance, "red");
        showDescription(QStringLiteral("Your identity does not match with ID '") + id
                            + QStringLiteral("'"),
                        kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    case OutcomeWrongEye:
        showDescription(QStringLiteral("You enrolled with left (or right) eye but verifying with "
                                       "different eye side"),
                        kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    default:
        showDescription(resultText(m_ctx.lastResult), kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    }
}

void EnrollWidget::On_BtIdentify_Clicked()
{
    if (!checkCaptureForMatching(QStringLiteral("Identification"), PurposeIdentification))
        return;
    lbResult->clear();
    const ZephMatchCandidate *candidates = nullptr;
    int32_t count = 0;
    m_ctx.lastResult =
        Zeph_Compare1N(m_ctx.deviceHandle, m_ctx.imposterThreshold, &candidates, &count);
    BestCandidate best;
    if (m_ctx.lastResult == 0)
        best = MatchDecision::best(candidates, count);
    const MatchOutcome outcome =
        MatchDecision::identification(m_ctx.lastResult, best.distance, thresholds());
    signalOutcome(outcome);

    clearResult();
    const QString id = QString::fromLatin1(best.id);
    switch (outcome) {
    case OutcomeIdentifiedExact:
    case OutcomeIdentified:
        showDistance(best.distance, "blue");
        showDescription(QStringLiteral("Welcome '%1'. Your identity has been identified "
                                       "successfully.")
                            .arg(id),
                        kGreen);
        showResultPicture(QStringLiteral("ACCESSGRANTED"));
        cbEnrollID->setEditText(id);
        break;
    case OutcomeIdentifyUnsure:
        showDistance(best.distance, "orange");
        showDescription(QString::fromLatin1(kNotMatchable), kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    case OutcomeNotIdentified:
        showDistance(best.distance, "red");
        showDescription(QStringLiteral("<h3><font color=red>This person is not in the enrollment "
                                       "database.</font><h3>"),
                        kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    default:
        showDescription(resultText(m_ctx.lastResult), kRed);
        showResultPicture(QStringLiteral("ACCESSDENIED"));
        break;
    }
}

void EnrollWidget::On_BtUnenroll_Clicked()
{
    if (!checkEnrolleeId())
        return;
    const ZephResult opened = m_ctx.openDevice(false);
    if (opened != 0) {
        reportFailure(opened);
        return;
    }
    const QString id = enrolleeIdText();
    const QString title = QStringLiteral("Unenrollment");
    if (!MessageBox::question(this, QMessageBox::Warning, title,
                              QStringLiteral("Are you sure to unenroll the user with ID '%1' from "
                                             "system?")
                                  .arg(id),
                              QStringLiteral("No")))
        return;

    m_ctx.lastResult = Zeph_UnenrollTemplate(m_ctx.deviceHandle, m_enrolleeId);
    if (m_ctx.lastResult == 0) {
        m_ctx.showStatus(1000, "Committing gallery...");
        if (m_ctx.commitGallery() == 0 && m_ctx.loginId && m_ctx.loginId->role == 1
            && std::memcmp(m_ctx.loginId->id, m_enrolleeId,
                           FixedText::boundedLength(m_enrolleeId, ZEPH_ID_SIZE) + 1)
                   == 0) {
            m_ctx.loginId.reset();
            m_ctx.lastResult = Zeph_Logout(m_ctx.deviceHandle);
        }
    }

    int outcome = OutcomeFailed;
    if (m_ctx.lastResult == ZEPH_ERR_PERMISSION_DENIED) {
        MessageBox::warning(this, title, QString::fromLatin1(kPermissionDenied));
    } else if (m_ctx.lastResult == 0) {
        outcome = OutcomeDone;
        const int index = cbEnrollID->findText(id, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            cbEnrollID->removeItem(index);
    }
    signalOutcome(outcome);

    clearResult();
    if (outcome == OutcomeDone) {
        showResultPicture(QStringLiteral("UNENROLLMENTSUCCEEDED"));
        showDescription(QStringLiteral("The user with ID '%1' has been removed successfully").arg(id),
                        kGreen);
    } else {
        showResultPicture(QStringLiteral("UNENROLLMENTFAILED"));
        showDescription(resultText(m_ctx.lastResult), kRed);
    }
}

void EnrollWidget::On_BtCheckID_Clicked()
{
    clearResult();
    if (!checkEnrolleeId())
        return;
    const ZephResult opened = m_ctx.openDevice(false);
    if (opened != 0) {
        reportFailure(opened);
        return;
    }
    ZephEnrolleeInfo info{};
    m_ctx.lastResult = Zeph_GetEnrolleeInfo(m_ctx.deviceHandle, m_enrolleeId, &info);
    if (m_ctx.lastResult != 0) {
        showDescription(resultText(m_ctx.lastResult), kRed);
        return;
    }
    const QByteArray id = FixedText::read(m_enrolleeId, ZEPH_ID_SIZE);
    lbResult->setText(QString::asprintf(
        "Enrollee ID '%s':\n  - Creator version = 0x%x   - Left iris count = %u\n"
        "  - Template version = 0x%x         - Right iris count = %u\n"
        "  - Unknown iris count = %u              - Total iris count = %u\n",
        id.constData(), info.creatorVersion, info.leftIrisCount, info.templateVersion,
        info.rightIrisCount, info.unknownIrisCount, info.totalIrisCount));
}
