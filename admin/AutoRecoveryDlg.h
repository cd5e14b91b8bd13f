#ifndef GLINTVIEW_AUTORECOVERYDLG_H
#define GLINTVIEW_AUTORECOVERYDLG_H

#include "admin/RecoveryProcedure.h"
#include "core/RecoveryOffer.h"
#include "zeph/zeph.h"

#include <QDialog>
#include <QFuture>
#include <atomic>

class QLabel;
class QPushButton;

// Offered a failed SDK result, walks a stuck USB link through the recovery
// steps on a pool thread and tells whether the camera answers again.
// Created once at start-up and kept for the whole run. The worker never
// touches a widget: its texts and button changes are queued to this dialog.
class AutoRecoveryDlg : public QDialog, public RecoveryOffer, private RecoveryUi
{
    Q_OBJECT
public:
    explicit AutoRecoveryDlg(QWidget *parent = nullptr);
    ~AutoRecoveryDlg() override;

    // GUI thread. True on a UART link (nothing to recover) and when the
    // camera answers again after a recovery the operator watched in this
    // dialog; false when the result is no I/O error, no device is open, an
    // earlier recovery failed and nothing has worked since, or recovery failed.
    bool offerRecovery(ZephResult result) override;

    // From the moment the dialog is shown until its worker has ended: a
    // removal notification then belongs to the recovery. Once the dialog
    // only waits for Close (after "disconnect the device then connect it
    // again"), a removal is the operator's real unplug.
    bool isRecoveryRunning() const override { return m_dialogShown && !m_workerDone; }

    int32_t recoveryState() const { return m_procedure.recoveryState; }
    bool recoverySucceeded() const { return m_procedure.recoverySucceeded; }

signals:
    // A status text has just been shown (GUI thread).
    void statusShown(const QString &text);

private slots:
    void on_m_btnCancel_clicked();
    void on_m_btnYes_clicked();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    static void recoveryWorker(AutoRecoveryDlg *dialog);

    // RecoveryUi, called from the worker's thread.
    void showStatus(const QString &text) override;
    void alignStatus(Qt::Alignment alignment) override;
    void offerYes() override;
    void workerEnded() override;

    void applyStatus(const QString &text);
    void applyYes();
    void hideYes();

    QLabel *m_Status = nullptr;
    QPushButton *m_btnYes = nullptr;
    QPushButton *m_btnCancel = nullptr;

    RecoveryProcedure m_procedure;
    QFuture<void> m_workerFuture;
    bool m_offerActive = false;          // GUI thread only
    std::atomic<bool> m_dialogShown{false};
    std::atomic<bool> m_workerDone{true};
};

#endif
