#ifndef GLINTVIEW_VIRTUALCAMERAPANEL_H
#define GLINTVIEW_VIRTUALCAMERAPANEL_H

// The demonstration bench of the virtual camera: plug and unplug its devices,
// make calls fail, jam a USB link, choose who stands in front of the camera
// and in which format it streams its preview, and speed device time up, slow
// it down or step it by hand. Opened from the main window with Ctrl+Shift+V,
// beside that window where the screen has room, else below its tool bar; it
// drives only the virtual camera's own control interface, never the program.
// Its state line is read from the camera a few times a second, so it never
// goes stale.

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
    // What the camera's state is now, as the state line shows it.
    QString stateText() const;

    // Where the panel of `size` opens for a main window at `window` whose
    // banner and tool bar end at y = `keepClearBottom`, on `screen`.
    static QPoint placement(const QRect &window, int keepClearBottom, const QSize &size,
                            const QRect &screen);

public slots:
    // Reads the camera's state into the state line (also on a timer).
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void injectFault();
    void jamLink();
    void clearLink();
    void applyTimeScale(double scale);
    void applySubject();

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
    QLabel *m_state = nullptr;
    QComboBox *m_subject = nullptr;
    QComboBox *m_rightEye = nullptr;
    QComboBox *m_leftEye = nullptr;
    QComboBox *m_streamFormat = nullptr;
    QString m_lastFunction = QStringLiteral("*");
};

#endif
