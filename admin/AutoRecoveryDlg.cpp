#include "admin/AutoRecoveryDlg.h"

AutoRecoveryDlg::AutoRecoveryDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Auto-recovery"));
}

bool AutoRecoveryDlg::offerRecovery(ZephResult)
{
    return false;
}
