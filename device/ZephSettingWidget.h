#ifndef GLINTVIEW_ZEPHSETTINGWIDGET_H
#define GLINTVIEW_ZEPHSETTINGWIDGET_H

// The SDK setting work area (index 0, the one the program starts on): the
// link to the camera (USB or UART, baud rate, flow control), the device scan
// and choice, the device's properties, and where and how images are saved.
// The SDK settings are applied, and glintview.tmp written, when it is left.

#include "core/CCustomWidget.h"
#include "zeph/zeph.h"

#include <QPointer>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class ZephSettingWidget : public CCustomWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxDeviceNameLength = ZEPH_DEVICE_NAME_SIZE - 1;
    static constexpr int kSavedPathEditLength = 300;

    explicit ZephSettingWidget(QWidget *parent = nullptr);
    ~ZephSettingWidget() override;

public slots:
    void WidgetClosed();

private slots:
    void On_ComboDevCom_IndexChanged(int index);
    void On_BtScanDev_Clicked();
    void On_ComboDevList_IndexChanged(const QString &dev);
    void On_Bt_Change_Clicked();
    void On_Bt_DeviceProperties_Clicked();
    void on_m_btnBrowseSavedImagePath_clicked();
    void on_m_rdHardware_clicked();
    void on_m_rdNone_clicked();
    void on_cbDevList_editTextChanged(const QString &text);

    void onSavedImagePathEdited();

private:
    void buildForm();
    void setUartMode(bool uart);
    void setUartControlsEnabled(bool enabled);

    bool applySdkSettings(QWidget *boxParent);
    // False when the SDK refused the settings (the operator has been told).
    bool scanDevices();
    void fillDeviceList();
    void probeComPorts();
    // The SDK's configuration as it stands, or ours when it cannot be read.
    ZephSdkConfig currentSdkConfig() const;
    void setSdkFlowControl(uint32_t on);
    // Stores the combo's text as the device to open; false (and 15 reported)
    // when the name does not fit its field.
    bool selectDevice(const QString &name, int statusMs);
    // A folder path too long for glintview.tmp is refused with a message.
    bool acceptSavedImagePath(const QString &path);

    QPointer<QWidget> m_mainWindow;
    QString m_acceptedPath; // the last path that passed acceptSavedImagePath
    // The SDK refused the settings while this work area was being left: the
    // operator has had the box, the destructor only goes back.
    bool m_refusedOnLeaving = false;

    QGroupBox *groupBoxSdkSetting = nullptr;
    QLabel *lbDevCategory = nullptr;
    QComboBox *cbDevCom = nullptr;
    QLabel *lbBaudrate = nullptr;
    QSpinBox *m_Baudrate = nullptr;
    QLabel *lbBaudrate_2 = nullptr;
    QRadioButton *m_rdNone = nullptr;
    QRadioButton *m_rdHardware = nullptr;
    QCheckBox *ckLogging = nullptr;
    QPushButton *btChange = nullptr;

    QGroupBox *groupBoxSelectDevice = nullptr;
    QLabel *lbDevs = nullptr;
    QComboBox *cbDevList = nullptr;
    QPushButton *btScanDev = nullptr;
    QPushButton *btPropDev = nullptr;

    QGroupBox *groupBox = nullptr;
    QGroupBox *m_grbSaveBestImage = nullptr;
    QLabel *label = nullptr;
    QLineEdit *m_edtSavedImagePath = nullptr;
    QPushButton *m_btnBrowseSavedImagePath = nullptr;
    QLabel *label_2 = nullptr;
    QRadioButton *m_rdSaveAsRaw = nullptr;
    QRadioButton *m_rdSaveAsBmp = nullptr;
};

#endif
