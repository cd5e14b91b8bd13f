#ifndef GLINTVIEW_SYSMANAGEMENTWIDGET_H
#define GLINTVIEW_SYSMANAGEMENTWIDGET_H

#include "core/CCustomWidget.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The system management work area: administrators enrolled and removed by
// capture and ID, the device configuration, lock and unlock, and the role
// of an enrollee. The camera enforces the rights; a refusal (0x2010) is
// worded here for the operator.
class SysManagementWidget : public CCustomWidget
{
    Q_OBJECT
public:
    explicit SysManagementWidget(QWidget *parent = nullptr);

    static QString adminPermissionText();
    static QString superUserPermissionText();

public slots:
    void InitControl();
    void OnEnrollAdmin();
    void on_BtnUnenrollAdmin_clicked();
    void OnSetDeviceConfig();
    void on_BtnResetCerts_clicked();
    void on_BtnLockDevice_clicked();
    void on_BtnUnlockDevice_clicked();
    void on_BtnSetRole_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    bool deviceOpen();
    // The ID of a combo box as the camera takes it; a box and false when
    // it is empty or does not fit.
    bool takeId(QComboBox *box, const QString &title, const QString &emptyTitle, QByteArray *id);
    void refetchCapture();
    void lockOrUnlock(bool lock);

    QObject *m_mainWindow = nullptr;

    QGroupBox *groupBox = nullptr;
    QGroupBox *groupBox_7 = nullptr;
    QLabel *label = nullptr;
    QComboBox *cbAdminIDs = nullptr;
    QLabel *lblRightEye = nullptr;
    QLabel *lblLeftEye = nullptr;
    QPushButton *m_btnEnrollAdmin = nullptr;
    QPushButton *BtnUnenrollAdmin = nullptr;
    QGroupBox *groupBox_2 = nullptr;
    QPushButton *m_btnSetDevConfig = nullptr;
    QPushButton *BtnLockDevice = nullptr;
    QPushButton *BtnUnlockDevice = nullptr;
    QGroupBox *groupBox_3 = nullptr;
    QCheckBox *m_chkDeleteCusCerts = nullptr;
    QCheckBox *m_chkRegenCamKeys = nullptr;
    QPushButton *BtnResetCerts = nullptr;
    QGroupBox *superUserGroup = nullptr;
    QGroupBox *groupBox_5 = nullptr;
    QLabel *label_2 = nullptr;
    QComboBox *m_cbUserIDs = nullptr;
    QLabel *label_3 = nullptr;
    QRadioButton *m_rdSuperUser = nullptr;
    QRadioButton *m_rdUser = nullptr;
    QPushButton *BtnSetRole = nullptr;
};

#endif
