#include "core/KeldWaitingDlg.h"

#include "core/FixedText.h"
#include "platform/Clock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {
std::atomic<bool> g_manualTicks{false};
}

void KeldWaitingDlg::setManualTicksForTesting(bool manual)
{
    g_manualTicks = manual;
}

KeldWaitingDlg::KeldWaitingDlg(QWidget *anchor)
    : QDialog(nullptr)
{
    setObjectName(QStringLiteral("KeldWaitingDlg"));
    setWindowTitle(QStringLiteral("KeldWaitingDlg"));
    resize(398, 133);

    auto *layout = new QVBoxLayout(this);
    lblMessage = new QLabel(QStringLiteral("TextLabel"), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    // Black text on the dialog's own background (the label was never white).
    lblMessage->setStyleSheet(QStringLiteral("QWidget { color: black }"));
    lblMessage->setAlignment(Qt::AlignCenter);
    lblMessage->setWordWrap(true);
    layout->addWidget(lblMessage);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("m_progressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(24);
    layout->addWidget(m_progressBar);

    auto *buttons = new QHBoxLayout;
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    QMetaObject::connectSlotsByName(this);

    resize(50, 30); // the layout's minimum size prevails
    // A word-wrapped label has almost no minimum width of its own; keep the
    // designed width so a stage text reads on one or two lines.
    setMinimumWidth(398);
    setWindowFlags(Qt::CustomizeWindowHint);

    m_anchor = anchor;

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &KeldWaitingDlg::onTimer);
}

// Centred once the layout has given the dialog its final size for the text
// it shows: earlier, the dialog's centre would not be where it is drawn.
void KeldWaitingDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_anchor)
        return;
    const QRect a(m_anchor->mapToGlobal(m_anchor->rect().topLeft()),
                  m_anchor->mapToGlobal(m_anchor->rect().bottomRight()));
    const QPoint anchorCentre((a.left() + a.right()) / 2, (a.top() + a.bottom()) / 2);
    const QRect own = frameGeometry();
    move(anchorCentre - (own.center() - own.topLeft()));
}

KeldWaitingDlg::~KeldWaitingDlg()
{
    m_running = false;
    m_timer.stop();
}

void KeldWaitingDlg::copyMessage(const QString &text)
{
    FixedText::copy(m_message, text.toLocal8Bit());
    lblMessage->setText(QString::fromLocal8Bit(m_message));
}

bool KeldWaitingDlg::run(const QString &message, const QString &okText,
                         const QString &cancelText, bool blocking, int timeLimitMs)
{
    btnOK->setVisible(!okText.isEmpty());
    if (!okText.isEmpty())
        btnOK->setText(okText);
    btnCancel->setVisible(!cancelText.isEmpty());
    if (!cancelText.isEmpty())
        btnCancel->setText(cancelText);

    copyMessage(message);
    m_timeLimit = timeLimitMs;
    m_blocking = blocking;
    m_elapsed = 0;
    // Blocking mode shows the bar only when auto-advance was asked for first.
    if (!m_autoAdvance)
        m_progressBar->hide();

    if (blocking) {
        if (!g_manualTicks)
            m_timer.start();
        exec();
    } else {
        m_increment = 0.0f;
        m_running = true;
        setWindowModality(Qt::WindowModal);
        show();
        lblMessage->repaint();
    }
    return true;
}

void KeldWaitingDlg::setAutoProgress(bool enable, int expectedDurationMs)
{
    m_progressBar->show();
    m_autoAdvance = enable;
    if (enable) {
        m_progressBar->setRange(1, 1000);
        m_increment = expectedDurationMs > 0 ? 10000.0f / static_cast<float>(expectedDurationMs)
                                             : 1000.0f;
        m_progress = 0.0f;
        m_progressBar->setValue(1);
    }
}

void KeldWaitingDlg::setMessage(const QString &text)
{
    if (QThread::currentThread() == thread())
        applyMessage(text);
    else
        QMetaObject::invokeMethod(this, "applyMessage", Qt::QueuedConnection, Q_ARG(QString, text));
    Clock::instance().sleepMs(10);
}

void KeldWaitingDlg::applyMessage(const QString &text)
{
    copyMessage(text);
    lblMessage->repaint();
}

void KeldWaitingDlg::setProgress(float fraction)
{
    if (!m_running)
        return;
    m_progressBar->show();
    // Widened before scaling: 0.35f must show 34, as the operator has always seen it.
    int value = static_cast<int>(static_cast<double>(fraction) * 100.0);
    if (value > 100)
        value = 100;
    m_progressBar->setValue(value);
    m_progressBar->repaint();
    lblMessage->repaint();
}

void KeldWaitingDlg::finish(const QString &okText, const QString &cancelText)
{
    if (QThread::currentThread() == thread())
        applyFinish(okText, cancelText);
    else
        QMetaObject::invokeMethod(this, "applyFinish", Qt::QueuedConnection,
                                  Q_ARG(QString, okText), Q_ARG(QString, cancelText));
}

void KeldWaitingDlg::applyFinish(const QString &okText, const QString &cancelText)
{
    if (!okText.isEmpty()) {
        btnOK->setText(okText);
        btnOK->show();
    }
    if (!cancelText.isEmpty()) {
        btnCancel->setText(cancelText);
        btnCancel->show();
    }
    m_timer.stop();
    if (okText.isEmpty() && cancelText.isEmpty())
        m_running = false;
    QMetaObject::invokeMethod(this, "done", Qt::QueuedConnection, Q_ARG(int, 0));
}

void KeldWaitingDlg::on_btnOK_clicked()
{
    m_running = false;
}

void KeldWaitingDlg::onTimer()
{
    m_progress = m_progress + m_increment;
    if (m_progress >= 1000.0f)
        m_progress = 1000.0f;
    m_progressBar->setValue(static_cast<int>(m_progress));
    if (m_progress >= 1000.0f)
        m_timer.stop();

    m_elapsed += kTickMs;
    if (m_timeLimit == -1 || m_elapsed < m_timeLimit)
        return;
    finish();
}

int KeldWaitingDlg::barValue() const { return m_progressBar->value(); }
int KeldWaitingDlg::barMaximum() const { return m_progressBar->maximum(); }
bool KeldWaitingDlg::isBarVisible() const { return !m_progressBar->isHidden(); }
QString KeldWaitingDlg::message() const { return QString::fromLocal8Bit(m_message); }
