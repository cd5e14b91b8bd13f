#include "platform/VirtualCameraPanel.h"

#include "zeph/virtual_camera.h"

#include <QComboBox>
#include <QShowEvent>
#include <iterator>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const char *const kDevices[] = {ZVC_DEFAULT_USB_BINOCULAR, ZVC_DEFAULT_USB_MONOCULAR,
                                ZVC_DEFAULT_UART_PORT, ZVC_DEFAULT_BUSY_PORT};
const char *const kFunctions[] = {"*", "Zeph_OpenDevice", "Zeph_GetDeviceInfo",
                                  "Zeph_GetDeviceConfig", "Zeph_SetDeviceConfig",
                                  "Zeph_SetSdkConfig", "Zeph_ScanDevices", "Zeph_GetCaptureStatus",
                                  "Zeph_Recovery"};
struct Choice {
    const char *label;
    int value;
};
const Choice kResults[] = {{"8  Device IO failed", 8},
                           {"9  Device IO timeout", 9},
                           {"10 Device IO data is invalid", 10},
                           {"1  Function failed", 1},
                           {"2  Device not found", 2},
                           {"15 Invalid parameter", 15},
                           {"0x100A Device locked", 0x100A}};
const Choice kSteps[] = {{"CANCEL_IO", 0}, {"RESET_PIPES", 1}, {"RESET_PORT", 2},
                         {"CYCLE_PORT", 3}, {"SOFT_RESET", 4}};
const Choice kSubjects[] = {{"Nobody", 0}, {"Subject 1", 1}, {"Subject 2", 2}, {"Subject 3", 3}};
const Choice kPresentations[] = {{"Sharp", ZVC_EYE_SHARP}, {"Blurred", ZVC_EYE_BLURRED},
                                 {"Half closed", ZVC_EYE_HALF_CLOSED},
                                 {"Looking aside", ZVC_EYE_LOOKING_ASIDE}, {"Absent", ZVC_EYE_ABSENT}};
const Choice kStreamFormats[] = {{"As configured on the device", 0},
                                 {"MONO_RAW", ZEPH_FORMAT_MONO_RAW},
                                 {"MONO_JPEG", ZEPH_FORMAT_MONO_JPEG},
                                 {"MONO_JPEG2000", ZEPH_FORMAT_MONO_JPEG2000},
                                 {"CORVANE_RAW", ZEPH_FORMAT_CORVANE_RAW}};
const char *const kStatusNames[] = {"IDLE", "READY", "CAPTURING", "COMPLETE", "?", "ABORT"};

QString stepName(int step)
{
    for (const Choice &c : kSteps)
        if (c.value == step)
            return QString::fromLatin1(c.label);
    return QString::number(step);
}

QComboBox *choices(QWidget *parent, const Choice *begin, const Choice *end)
{
    auto *box = new QComboBox(parent);
    for (const Choice *c = begin; c != end; ++c)
        box->addItem(QString::fromLatin1(c->label), c->value);
    return box;
}
} // namespace

VirtualCameraPanel::VirtualCameraPanel(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("VirtualCameraPanel"));
    setWindowTitle(QStringLiteral("Virtual camera"));
    setStyleSheet(QStringLiteral("QWidget#VirtualCameraPanel{background: #E1EAF6}"));
    auto *layout = new QVBoxLayout(this);

    auto *devices = new QGroupBox(QStringLiteral("Devices"), this);
    auto *deviceRow = new QHBoxLayout(devices);
    m_device = new QComboBox(devices);
    m_device->setObjectName(QStringLiteral("cbDevice"));
    for (const char *name : kDevices)
        m_device->addItem(QString::fromLatin1(name));
    auto *unplug = new QPushButton(QStringLiteral("Unplug"), devices);
    auto *plug = new QPushButton(QStringLiteral("Plug in"), devices);
    deviceRow->addWidget(m_device, 1);
    deviceRow->addWidget(unplug);
    deviceRow->addWidget(plug);
    connect(unplug, &QPushButton::clicked, this, [this] {
        const ZephResult r = Zvc_UnplugDevice(deviceName().toLatin1().constData());
        report(r == 0 ? deviceName() + QStringLiteral(" unplugged") : QStringLiteral("Unplug refused: %1").arg(r));
    });
    connect(plug, &QPushButton::clicked, this, [this] {
        const ZephResult r = Zvc_PlugDevice(deviceName().toLatin1().constData());
        report(r == 0 ? deviceName() + QStringLiteral(" plugged in") : QStringLiteral("Plug refused: %1").arg(r));
    });
    layout->addWidget(devices);

    auto *faults = new QGroupBox(QStringLiteral("Faults"), this);
    auto *form = new QFormLayout(faults);
    m_function = new QComboBox(faults);
    m_function->setEditable(true);
    for (const char *f : kFunctions)
        m_function->addItem(QString::fromLatin1(f));
    m_result = new QComboBox(faults);
    for (const Choice &c : kResults)
        m_result->addItem(QString::fromLatin1(c.label), c.value);
    m_count = new QSpinBox(faults);
    m_count->setRange(0, 1000);
    m_count->setValue(1);
    auto *inject = new QPushButton(QStringLiteral("Fail next calls"), faults);
    connect(inject, &QPushButton::clicked, this, &VirtualCameraPanel::injectFault);
    form->addRow(QStringLiteral("Function"), m_function);
    form->addRow(QStringLiteral("Result"), m_result);
    form->addRow(QStringLiteral("Calls"), m_count);
    form->addRow(QString(), inject);

    m_clearingStep = new QComboBox(faults);
    for (const Choice &c : kSteps)
        m_clearingStep->addItem(QString::fromLatin1(c.label), c.value);
    m_clearingStep->setCurrentIndex(1);
    auto *jamRow = new QHBoxLayout;
    auto *jam = new QPushButton(QStringLiteral("Jam the link"), faults);
    auto *clear = new QPushButton(QStringLiteral("Clear"), faults);
    connect(jam, &QPushButton::clicked, this, &VirtualCameraPanel::jamLink);
    connect(clear, &QPushButton::clicked, this, &VirtualCameraPanel::clearLink);
    jamRow->addWidget(jam);
    jamRow->addWidget(clear);
    form->addRow(QStringLiteral("Cleared by"), m_clearingStep);
    form->addRow(QString(), jamRow);
    layout->addWidget(faults);

    auto *timing = new QGroupBox(QStringLiteral("Device time"), this);
    auto *timeRow = new QFormLayout(timing);
    m_timeScale = new QDoubleSpinBox(timing);
    m_timeScale->setRange(0.0, 10.0);
    m_timeScale->setSingleStep(0.25);
    m_timeScale->setValue(Zvc_TimeScale());
    connect(m_timeScale, &QDoubleSpinBox::valueChanged, this, &VirtualCameraPanel::applyTimeScale);
    timeRow->addRow(QStringLiteral("Time scale (1 = real time, 0 = by hand)"), m_timeScale);
    auto *step = new QPushButton(QStringLiteral("Step time 1 s"), timing);
    connect(step, &QPushButton::clicked, this, [this] {
        Zvc_AdvanceTime(1000);
        report(QStringLiteral("Device time stepped by 1000 ms"));
        refresh();
    });
    timeRow->addRow(QString(), step);
    m_streamFormat = choices(timing, std::begin(kStreamFormats), std::end(kStreamFormats));
    m_streamFormat->setObjectName(QStringLiteral("cbStreamFormat"));
    connect(m_streamFormat, &QComboBox::activated, this, [this] {
        const ZephResult r = Zvc_SetStreamFormat(m_streamFormat->currentData().toInt());
        report(r == 0 ? QStringLiteral("Preview of the next captures: %1").arg(m_streamFormat->currentText())
                      : QStringLiteral("Preview format refused: %1").arg(r));
    });
    timeRow->addRow(QStringLiteral("Preview format"), m_streamFormat);
    layout->addWidget(timing);

    auto *front = new QGroupBox(QStringLiteral("In front of the camera"), this);
    auto *frontForm = new QFormLayout(front);
    m_subject = choices(front, std::begin(kSubjects), std::end(kSubjects));
    m_rightEye = choices(front, std::begin(kPresentations), std::end(kPresentations));
    m_leftEye = choices(front, std::begin(kPresentations), std::end(kPresentations));
    frontForm->addRow(QStringLiteral("Subject"), m_subject);
    frontForm->addRow(QStringLiteral("Right eye"), m_rightEye);
    frontForm->addRow(QStringLiteral("Left eye"), m_leftEye);
    for (QComboBox *box : {m_subject, m_rightEye, m_leftEye})
        connect(box, &QComboBox::activated, this, &VirtualCameraPanel::applySubject);
    layout->addWidget(front);

    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("lbOutcome"));
    m_outcome->setWordWrap(true);
    layout->addWidget(m_outcome);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lbState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);
    layout->addStretch();

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &VirtualCameraPanel::refresh);
    timer->start(250);
    connect(m_device, &QComboBox::currentIndexChanged, this, &VirtualCameraPanel::refresh);
    refresh();
}

QPoint VirtualCameraPanel::placement(const QRect &window, int keepClearBottom, const QSize &size,
                                     const QRect &screen)
{
    constexpr int gap = 8;
    // Beside the window, on its right or else on its left, never over it.
    const int top = qBound(screen.top(), window.top(), qMax(screen.top(), screen.bottom() + 1 - size.height()));
    if (window.right() + 1 + gap + size.width() <= screen.right() + 1)
        return {window.right() + 1 + gap, top};
    if (window.left() - gap - size.width() >= screen.left())
        return {window.left() - gap - size.width(), top};
    const int right = qMax(screen.left(), screen.right() + 1 - size.width());
    // Else below it; else in the screen's lower right corner, where it covers
    // the least of the work area, yet never the banner and tool bar, which
    // say which work area is open and switch it.
    if (window.bottom() + 1 + gap + size.height() <= screen.bottom() + 1)
        return {qBound(screen.left(), window.right() + 1 - size.width(), right), window.bottom() + 1 + gap};
    return {right, qMax(keepClearBottom + 1, screen.bottom() + 1 - size.height())};
}

void VirtualCameraPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    if (!main)
        return;
    const QRect frame = main->frameGeometry();
    QScreen *screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    int keepClear = frame.top();
    if (auto *window = qobject_cast<QMainWindow *>(main); window && window->centralWidget())
        keepClear = window->centralWidget()->mapToGlobal(QPoint(0, 0)).y() - 1;
    move(placement(frame, keepClear, frameGeometry().size(), screen ? screen->availableGeometry() : frame));
}

QString VirtualCameraPanel::stateText() const
{
    const QByteArray name = deviceName().toLatin1();
    QStringList parts;
    ZephResult stuck = 0;
    int32_t step = 0;
    if (Zvc_GetStuckLink(name.constData(), &stuck, &step) == 0)
        parts << (stuck ? QStringLiteral("%1 answers %2 until %3 runs")
                              .arg(deviceName())
                              .arg(stuck)
                              .arg(stepName(step))
                        : QStringLiteral("%1 answers normally").arg(deviceName()));
    const QByteArray function = m_lastFunction.toLatin1();
    const int pending = Zvc_PendingFailures(function.constData());
    parts << (pending ? QStringLiteral("next %1 call(s) of %2 fail").arg(pending).arg(m_lastFunction)
                      : QStringLiteral("no injected failures pending"));
    int32_t status = 0;
    if (Zvc_CaptureStatus(name.constData(), &status) == 0 && status >= 0 && status <= 5)
        parts << QStringLiteral("capture %1").arg(QString::fromLatin1(kStatusNames[status]));
    parts << QStringLiteral("device time %1 ms").arg(Zvc_ModelTime());
    return parts.join(QStringLiteral("; "));
}

void VirtualCameraPanel::refresh()
{
    const QString text = stateText();
    if (m_state->text() != text)
        m_state->setText(text);
}

void VirtualCameraPanel::applySubject()
{
    const QByteArray name = deviceName().toLatin1();
    Zvc_PresentSubject(name.constData(), static_cast<uint32_t>(m_subject->currentData().toInt()));
    Zvc_PresentEye(name.constData(), ZEPH_EYE_RIGHT, m_rightEye->currentData().toInt());
    Zvc_PresentEye(name.constData(), ZEPH_EYE_LEFT, m_leftEye->currentData().toInt());
    report(QStringLiteral("%1 in front of %2").arg(m_subject->currentText(), deviceName()));
}

QString VirtualCameraPanel::deviceName() const
{
    return m_device->currentText();
}

QString VirtualCameraPanel::lastOutcome() const
{
    return m_outcome->text();
}

void VirtualCameraPanel::report(const QString &text)
{
    m_outcome->setText(text);
}

void VirtualCameraPanel::injectFault()
{
    const QByteArray function = m_function->currentText().toLatin1();
    const int result = m_result->currentData().toInt();
    Zvc_FailNext(function.constData(), m_count->value(), result);
    m_lastFunction = QString::fromLatin1(function);
    report(QStringLiteral("The next %1 call(s) of %2 answer %3")
               .arg(m_count->value())
               .arg(QString::fromLatin1(function))
               .arg(result));
}

void VirtualCameraPanel::jamLink()
{
    const int result = m_result->currentData().toInt();
    const ZephResult r = Zvc_SetStuckLink(deviceName().toLatin1().constData(), result,
                                          m_clearingStep->currentData().toInt());
    report(r == 0 ? QStringLiteral("%1 answers %2 until %3 runs")
                        .arg(deviceName())
                        .arg(result)
                        .arg(m_clearingStep->currentText())
                  : QStringLiteral("Cannot jam %1 with %2 (%3)").arg(deviceName()).arg(result).arg(r));
    refresh();
}

void VirtualCameraPanel::clearLink()
{
    Zvc_SetStuckLink(deviceName().toLatin1().constData(), 0, 0);
    report(deviceName() + QStringLiteral(" answers normally"));
    refresh();
}

void VirtualCameraPanel::applyTimeScale(double scale)
{
    Zvc_SetTimeScale(scale);
    report(scale == 0.0 ? QStringLiteral("Device time stands still until stepped")
                        : QStringLiteral("Device time scale %1").arg(scale));
}
