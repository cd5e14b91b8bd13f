#ifndef GLINTVIEW_RECOVERYWIDGET_H
#define GLINTVIEW_RECOVERYWIDGET_H

#include "core/CCustomWidget.h"

class QComboBox;
class QLabel;
class QPushButton;

// The recovery work area: the operator picks one USB recovery step, reads
// what it does, and runs it on the open device.
class RecoveryWidget : public CCustomWidget
{
    Q_OBJECT
public:
    explicit RecoveryWidget(QWidget *parent = nullptr);

public slots:
    void on_BtnRecovery_clicked();
    void On_ComboDevList_IndexChanged(int index);

private:
    QLabel *label = nullptr;
    QComboBox *m_cbRecoveryCodes = nullptr;
    QPushButton *BtnRecovery = nullptr;
    QLabel *m_lbExplain = nullptr;
};

#endif
