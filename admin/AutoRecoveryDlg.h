#ifndef GLINTVIEW_AUTORECOVERYDLG_H
#define GLINTVIEW_AUTORECOVERYDLG_H

#include "zeph/zeph.h"

#include <QDialog>

// Offered a failed SDK result, walks a stuck USB link through recovery steps.
// Created once at start-up and kept for the whole run.
class AutoRecoveryDlg : public QDialog
{
    Q_OBJECT
public:
    explicit AutoRecoveryDlg(QWidget *parent = nullptr);

    // True when the device answers again after a recovery (or, on UART, at
    // once). Until the recovery procedure exists every offer is declined.
    bool offerRecovery(ZephResult result);

    // The recovery worker is running (a removal notification then belongs
    // to the recovery, not to a real unplug).
    bool isRecoveryRunning() const { return false; }
};

#endif
