#ifndef GLINTVIEW_POWERMANAGEMENT_H
#define GLINTVIEW_POWERMANAGEMENT_H

// The power management work area: the camera's automatic sleep (on or off,
// after how many idle seconds, into which mode) and the commands that put it
// into standby, sleep or deep sleep at once.

#include "core/CCustomWidget.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

class PowerManagement : public CCustomWidget
{
    Q_OBJECT
public:
    explicit PowerManagement(QWidget *parent = nullptr);

    // The automatic settings on screen differ from the device's record.
    bool settingsChanged() const;

public slots:
    void on_btDeepSleep_clicked();
    void on_btSleep_clicked();
    void on_grbAutoPower_clicked(bool checked);
    void on_btApply_clicked();
    void on_btStandby_clicked();
    void on_edSleepAfter_valueChanged(int value);
    void on_cbSleepMode_currentIndexChanged(int index);
    void on_chkDeepSleepInterrupt_stateChanged(int state);

private:
    void buildForm();
    void updateApply();
    bool requireDevice();
    // Standby, sleep or deep sleep behind the waiting dialog; the result.
    int sleepNow(int mode, const QString &message);

    QLabel *lblNotification = nullptr;
    QGroupBox *grbAutoPower = nullptr;
    QLabel *label = nullptr;
    QComboBox *cbSleepMode = nullptr;
    QLabel *label_2 = nullptr;
    QSpinBox *edSleepAfter = nullptr;
    QLabel *label_3 = nullptr;
    QCheckBox *chkDeepSleepInterrupt = nullptr;
    QPushButton *btApply = nullptr;
    QGroupBox *grbManualPower = nullptr;
    QPushButton *btStandby = nullptr;
    QPushButton *btSleep = nullptr;
    QPushButton *btDeepSleep = nullptr;
};

#endif
