#include "admin/AutoRecoveryDlg.h"

#include "core/AppContext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

AutoRecoveryDlg::AutoRecoveryDlg(QWidget *parent)
    : QDialog(parent), m_procedure(*this)
{
    setObjectName(QStringLiteral("AutoRecoveryDlg"));
    setWindowTitle(QStringLiteral("Auto-recovery"));
    // A title bar without a close button: only the buttons leave the dialog.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setStyleSheet(QStringLiteral("QDialog { background-color : white; color : black; }"));
    setMinimumSize(480, 190);
    resize(520, 200);

    m_Status = new QLabel(QStringLiteral("text"), this);
    m_Status->setObjectName(QStringLiteral("m_Status"));
    m_Status->setAlignment(Qt::AlignCenter);
    m_Status->setWordWrap(true);
    m_Status->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_Status->setMargin(6);

    m_btnYes = new QPushButton(QStringLiteral("Yes"), this);
    m_btnYes->setObjectName(QStringLiteral("m_btnYes"));
    m_btnYes->setAutoDefault(false);
    m_btnYes->hide();
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("m_btnCancel"));
    m_btnCancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnYes);
    buttons->addWidget(m_btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(12);
    layout->addWidget(m_Status, 1);
    layout->addLayout(buttons);

    QMetaObject::connectSlotsByName(this);
}

AutoRecoveryDlg::~AutoRecoveryDlg()
{
    m_procedure.cancel();
    m_workerFuture.waitForFinished();
}

bool AutoRecoveryDlg::offerRecovery(ZephResult result)
{
    AppContext *ctx = AppContext::instance();
    if (!ctx || m_offerActive)
        return false;
    switch (m_procedure.offer(result, ctx->sdkConfig.commStd, ctx->deviceHandle != 0)) {
    case RecoveryProcedure::Offer::Accepted:
        return true;
    case RecoveryProcedure::Offer::Declined:
        return false;
    case RecoveryProcedure::Offer::Run:
        break;
    }

    m_offerActive = true;
    m_Status->setAlignment(Qt::AlignCenter);
    m_Status->setText(QString());
    exec();
    m_workerFuture.waitForFinished();
    // Whatever the worker queued and the closed dialog did not yet apply
    // would otherwise reach the next offer.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_offerActive = false;
    m_dialogShown = false;
    m_btnCancel->setText(QStringLiteral("Cancel"));
    hideYes();
    return m_procedure.recoverySucceeded;
}

void AutoRecoveryDlg::on_m_btnCancel_clicked()
{
    if (m_procedure.cancel() || m_btnYes->isVisible()) {
        // Cancel answers the soft-reset question; the worker ends by itself.
        hideYes();
        return;
    }
    m_workerFuture.waitForFinished();
    done(0);
}

void AutoRecoveryDlg::on_m_btnYes_clicked()
{
    hideYes();
    m_procedure.answerYes();
}

void AutoRecoveryDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_offerActive || m_dialogShown)
        return;
    m_workerDone = false;
    m_dialogShown = true;
    m_procedure.begin();
    m_workerFuture = QtConcurrent::run(&AutoRecoveryDlg::recoveryWorker, this);
}

void AutoRecoveryDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void AutoRecoveryDlg::reject()
{
    // Escape does not leave the dialog; Cancel/Close do.
}

void AutoRecoveryDlg::recoveryWorker(AutoRecoveryDlg *dialog)
{
    if (AppContext *ctx = AppContext::instance())
        dialog->m_procedure.run(*ctx);
}

void AutoRecoveryDlg::showStatus(const QString &text)
{
    QMetaObject::invokeMethod(this, [this, text] { applyStatus(text); }, Qt::QueuedConnection);
}

void AutoRecoveryDlg::alignStatus(Qt::Alignment alignment)
{
    QMetaObject::invokeMethod(
        this, [this, alignment] { m_Status->setAlignment(alignment); }, Qt::QueuedConnection);
}

void AutoRecoveryDlg::offerYes()
{
    QMetaObject::invokeMethod(this, [this] { applyYes(); }, Qt::QueuedConnection);
}

void AutoRecoveryDlg::workerEnded()
{
    // Ended on the GUI thread, in queue order: a removal the steps caused was
    // posted before this and still counts as the recovery's; one after Close
    // is offered is the operator's.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_workerDone = true;
            m_btnCancel->setText(QStringLiteral("Close"));
        },
        Qt::QueuedConnection);
}

void AutoRecoveryDlg::applyStatus(const QString &text)
{
    m_Status->setText(text);
    emit statusShown(text);
}

void AutoRecoveryDlg::applyYes()
{
    // The question may have been cancelled before this arrived.
    if (!m_procedure.questionOpen())
        return;
    m_btnYes->show();
    m_btnYes->setDefault(true);
    m_btnYes->setFocus();
}

void AutoRecoveryDlg::hideYes()
{
    m_btnYes->setDefault(false);
    m_btnYes->hide();
}
