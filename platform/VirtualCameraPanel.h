#ifndef GLINTVIEW_VIRTUALCAMERAPANEL_H
#define GLINTVIEW_VIRTUALCAMERAPANEL_H

// The demonstration bench of the virtual camera: plug and unplug its devices,
// make calls fail, jam a USB link, and speed device time up or slow it down.
// Opened from the main window with Ctrl+Shift+V; it drives only the virtual
// camera's own control interface, never the program.

#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

class VirtualCameraPanel : public QWidget
{
    Q_OBJECT
public:
    explicit VirtualCameraPanel(QWidget *parent = nullptr);

    // The line of text the panel shows after its last action.
    QString lastOutcome() const;

private slots:
    void injectFault();
    void jamLink();
    void clearLink();
    void applyTimeScale(double scale);

private:
    void report(const QString &text);
    QString deviceName() const;

    QComboBox *m_device = nullptr;
    QComboBox *m_function = nullptr;
    QComboBox *m_result = nullptr;
    QSpinBox *m_count = nullptr;
    QComboBox *m_clearingStep = nullptr;
    QDoubleSpinBox *m_timeScale = nullptr;
    QLabel *m_outcome = nullptr;
};

#endif
