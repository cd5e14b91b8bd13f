#ifndef GLINTVIEW_DEVICECONFIG_H
#define GLINTVIEW_DEVICECONFIG_H

// The device configuration dialog: shows the camera's configuration record
// and sends the operator's changes back with "Update". The camera judges the
// record; the dialog explains its refusals.

#include "admin/DeviceConfigEdit.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

class DeviceConfig : public QDialog
{
    Q_OBJECT
public:
    explicit DeviceConfig(QWidget *parent = nullptr);

    // The whole "Configuration" action of system management: the dialog run
    // modally, then the host's UART settings made to follow the camera's.
    // True when encryption or data closure changed, i.e. what the camera
    // releases of the last capture may have changed.
    static bool runAndCarryOver(QWidget *parent);

    // The entries the controls hold now.
    DeviceConfigEdit::Entries entries() const;
    // The read at opening succeeded.
    bool readSucceeded() const { return m_readSucceeded; }

public slots:
    void on_m_chkEnableDedup_clicked(bool checked);
    void on_m_btnOK_clicked();
    void on_m_btnCancel_clicked();
    void on_m_chkEnableStreaming_clicked(bool checked);
    void on_m_chkDataClosure_clicked();
    void On_cbEncryptionMode_clicked(int index);

private:
    void buildForm();
    void load();
    void showEntries(const DeviceConfigEdit::Entries &e);

    QGroupBox *m_chkEnableDedup = nullptr;
    QLabel *label = nullptr;
    QDoubleSpinBox *m_edtDedupThreshold = nullptr;
    QGroupBox *m_chkEnableStreaming = nullptr;
    QLabel *label_5 = nullptr;
    QComboBox *m_cbStreamingFormat = nullptr;
    QLabel *label_4 = nullptr;
    QComboBox *m_cbStreamingScale = nullptr;
    QLabel *label_2 = nullptr;
    QDoubleSpinBox *m_AuthThreshold = nullptr;
    QLabel *label_7 = nullptr;
    QComboBox *m_cbEncryptionMode = nullptr;
    QLabel *lblCompressionQuality = nullptr;
    QSpinBox *m_edtCompressionQuality = nullptr;
    QLabel *lblQualityRange = nullptr;
    QCheckBox *m_chkSupervisedEnrollment = nullptr;
    QCheckBox *m_chkDataClosure = nullptr;
    QLabel *m_lblBaudrate = nullptr;
    QSpinBox *m_edtBaudrate = nullptr;
    QLabel *m_lblBaudrate_2 = nullptr;
    QRadioButton *m_rdNone = nullptr;
    QRadioButton *m_rdHardware = nullptr;
    QGroupBox *grbPowerManagement = nullptr;
    QLabel *label_3 = nullptr;
    QComboBox *m_cbSleepMode = nullptr;
    QLabel *label_6 = nullptr;
    QSpinBox *m_edTimeoutToSleep = nullptr;
    QLabel *label_8 = nullptr;
    QCheckBox *m_chkDeepSleepInterrupt = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnCancel = nullptr;

    int m_streamFormat = ZEPH_FORMAT_MONO_RAW;
    bool m_readSucceeded = false;
};

#endif
