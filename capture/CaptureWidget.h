#ifndef GLINTVIEW_CAPTUREWIDGET_H
#define GLINTVIEW_CAPTUREWIDGET_H

// The capture work area: capture parameters, start, operator trigger and
// stop, the status changes the camera reports (LEDs, sounds, controls), the
// live frames and, when a capture completes, its results with their scores.

#include "core/CCustomWidget.h"
#include "zeph/zeph.h"

#include <QFuture>
#include <QPointer>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class AppContext;
class CaptureResults;

class CaptureWidget : public CCustomWidget
{
    Q_OBJECT
public:
    explicit CaptureWidget(QWidget *parent = nullptr);
    ~CaptureWidget() override;

    // Copies the controls into the context; false when the JPEG 2000
    // quality is not 1..100 (skip: true at once).
    bool readCaptureParameters(bool skip);
    // Fetches the results behind the waiting dialog, saves and shows them.
    void retrieveResults(bool withSounds);
    // Expected duration of a fetch in milliseconds (paces the bar only).
    int estimateRetrievalTime() const;

    // What the work area does when its frame signal cannot be connected;
    // the default reports it and ends the process with a failure status.
    using ConnectionFailure = std::function<void(const char *what)>;
    static void setConnectionFailureHandler(ConnectionFailure handler);
    // Tests name a signal that does not exist to make the connection fail.
    static void setFrameSignalForTesting(const char *signature);

signals:
    void IncomingFrame();

public slots:
    void ProcessIncomingFrame();
    void WidgetClosed();

private slots:
    void InitControl();
    void On_ComboCapMode_IndexChanged(int index);
    void On_BtOperator_Clicked();
    void On_BtStop_Clicked();
    void On_BtStart_Clicked();
    void On_CheckBox_Streamming(bool checked);
    void On_Combo_StreammingFormat_IndexChanged(int index);
    void On_Combo_ResultFormat_IndexChanged(int index);
    void On_Combo_ResultKind_IndexChanged(int index);
    void On_Commbo_OperationMode_IndexChanged(int index);
    void on_m_btSaveResult_clicked();
    void on_cbEyeSubtype_IndexChanged(int index);
    void on_m_rdIsoNone_clicked();
    void on_m_rdIso2005_clicked();
    void on_m_rdIso2011_clicked();
    void on_SaveResult_internal();
    void on_m_cbIsoSubtypes_IndexChanged(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildForm();
    void processOneFrame();
    void actOnStatus(int32_t status, bool *fetched);
    void drawLiveFrames();
    void restoreIdleControls();
    void showCapturingControls();
    void fillResultLists(int32_t revision);
    void selectIsoSubtype();
    void reportFailure(ZephResult result);
    bool isBinocular() const;

    AppContext &m_ctx;
    CaptureResults &m_results;
    QPointer<QWidget> m_mainWindow;

    // Controls the logic touches, named as the form names them.
    QLabel *lbRightEye = nullptr;
    QLabel *lbLeftEye = nullptr;
    QGroupBox *m_captureSetting = nullptr;
    QLabel *lbCapMode = nullptr;
    QComboBox *cbCapMode = nullptr;
    QLineEdit *editTimeFrame = nullptr;
    QLabel *lbQuaMode = nullptr;
    QComboBox *cbQuaMode = nullptr;
    QLabel *lbOpMode = nullptr;
    QComboBox *cbOperationMode = nullptr;
    QLabel *lblEyeSubtype = nullptr;
    QComboBox *cbEyeSubtype = nullptr;
    QGroupBox *groupBox_2 = nullptr;
    QLabel *lbResultKind = nullptr;
    QRadioButton *m_rdIsoNone = nullptr;
    QRadioButton *m_rdIso2005 = nullptr;
    QRadioButton *m_rdIso2011 = nullptr;
    QLabel *lbResultKind_2 = nullptr;
    QComboBox *cbResultImgKind = nullptr;
    QLabel *lbResultFormat = nullptr;
    QComboBox *cbResultImgFormat = nullptr;
    QLabel *lbJ2kQuality = nullptr;
    QLineEdit *edJ2kQuality = nullptr;
    QLabel *m_lblSubtype = nullptr;
    QComboBox *m_cbIsoSubtypes = nullptr;
    QGroupBox *groupBox_3 = nullptr;
    QLabel *m_lblStreamingStatus = nullptr;
    QLabel *lblStreamStatus = nullptr;
    QLabel *lblStreamFormatLabel = nullptr;
    QLabel *lblStreamFormat = nullptr;
    QLabel *lblStreamScaleLabel = nullptr;
    QLabel *lblStreamScale = nullptr;
    QPushButton *btStart = nullptr;
    QPushButton *btOperator = nullptr;
    QPushButton *btStop = nullptr;
    QPushButton *m_btSaveResult = nullptr;

    bool retrievalArmed = true;
    bool streamInfoPending = true;
    int isoSubtypeCount = 3;
    QFuture<void> m_retrieval;

    // Deliveries that arrived while one was being handled (the result fetch
    // spins the waiting dialog's loop); handled in order once it returns.
    int m_waitingFrames = 0;
    bool m_inFrame = false;
};

#endif
