#ifndef GLINTVIEW_KELDTERMINAL_H
#define GLINTVIEW_KELDTERMINAL_H

// The main window: a banner strip, a tool bar with one button per work area,
// exactly one work area installed as the central widget, and a status bar.
// It also notices the camera being unplugged.

#include <QMainWindow>
#include <QPointer>

class QAction;
class QToolBar;
class QStatusBar;
class DeviceNotifier;
class VirtualCameraPanel;

class KeldTerminal : public QMainWindow
{
    Q_OBJECT
public:
    explicit KeldTerminal(QWidget *parent = nullptr);
    ~KeldTerminal() override;

    void switchWorkArea(int index);
    void updateActionChecks(int index);

    // A host device-change event; true when it was consumed.
    bool handleDeviceChange(int eventType);

    QToolBar *toolBar() const { return mainToolBar; }
    // Tool bar actions by index: Setting, Capture, Matching, System
    // Management, Login, Recovery, Power Management.
    QAction *toolAction(int workAreaIndex) const;
    QAction *aboutAction() const { return m_actAbout; }
    QAction *mirrorAction(const char *name) const;

signals:
    void CloseCurrentWidget();

public slots:
    void OnActionZephSetting();
    void OnActionCapture();
    void OnActionAutoCapture();
    void OnActionEnroll();
    void OnActionAbout();
    void OnActionSysManagement();
    void OnActionLogin();
    void OnActionRecovery();
    void OnActionPowerMgt();
    // The virtual camera's demonstration bench (Ctrl+Shift+V).
    void showVirtualCameraPanel();

private slots:
    void onDeviceChanged(int eventType, const QString &deviceName);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void buildForm();

    // Mirror actions: not placed anywhere, they only follow the tool bar.
    QAction *actionCapture = nullptr;
    QAction *actionMatching = nullptr;
    QAction *actionOptions = nullptr;
    QAction *actionAbout = nullptr;
    QAction *actionZeph_Setting = nullptr;
    QAction *actionSystem_Management = nullptr;
    QAction *action_Login = nullptr;
    QAction *actionSys_tem_management = nullptr;
    QAction *actionRecovery = nullptr;
    QToolBar *mainToolBar = nullptr;
    QStatusBar *m_statusBar = nullptr;

    QAction *m_actSetting = nullptr;
    QAction *m_actCapture = nullptr;
    QAction *m_actMatching = nullptr;
    QAction *m_actSysManagement = nullptr;
    QAction *m_actLogin = nullptr;
    QAction *m_actRecovery = nullptr;
    QAction *m_actPowerMgt = nullptr;
    QAction *m_actAbout = nullptr;

    DeviceNotifier *m_notifier = nullptr;
    QPointer<VirtualCameraPanel> m_cameraPanel;
};

#endif
