#ifndef GLINTVIEW_ENROLLWIDGET_H
#define GLINTVIEW_ENROLLWIDGET_H

// The matching work area: the enrollee-ID list and the five actions on the
// camera's gallery (enrol, unenrol, verify, identify, check ID) with the
// irises of the last capture, a result panel and the LED signal.

#include "core/CCustomWidget.h"
#include "matching/MatchDecision.h"
#include "zeph/zeph.h"

#include <QPointer>
#include <QString>

class AppContext;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

class EnrollWidget : public CCustomWidget
{
    Q_OBJECT
public:
    explicit EnrollWidget(QWidget *parent = nullptr);

    bool checkEnrolleeId();
    bool checkCaptureForMatching(const QString &title, int purpose);
    void reportFailure(ZephResult result);

    void clearResult();
    // colourKind 7 red, 8 green, anything else black.
    void showDescription(const QString &text, int colourKind);
    // A distance of 100.0 or more (or none) empties the line.
    void showDistance(float distance, const char *colour);
    void showResultPicture(const QString &name);
    void signalOutcome(int outcome);
    void fillEnrolleeIdList();

    static constexpr int kRed = 7;
    static constexpr int kGreen = 8;

public slots:
    void InitControl();
    void On_BtEnroll_Clicked();
    void On_BtUnenroll_Clicked();
    void On_BtVerify_Clicked();
    void On_BtIdentify_Clicked();
    void On_BtCheckID_Clicked();
    void On_Combo_EnrollId_CurrentIndex_Changed(const QString &text);

private:
    void buildForm();
    void sizeEyeLabels();
    QString enrolleeIdText() const;
    MatchThresholds thresholds() const;
    void presentEnrolment(int outcome);

    AppContext &m_ctx;
    QPointer<QWidget> m_mainWindow;
    char *m_enrolleeId; // the context's currentEnrolleeId, never a copy

    QFrame *leftFrame = nullptr;
    QLabel *lbEnrolledNumberID = nullptr;
    QComboBox *cbEnrollID = nullptr;
    QPushButton *btEnroll = nullptr;
    QPushButton *btEnrollNew = nullptr;
    QPushButton *btUnenroll = nullptr;
    QPushButton *btVerify = nullptr;
    QPushButton *btIdentify = nullptr;
    QPushButton *btCheckID = nullptr;
    QLabel *lbDescription = nullptr;
    QLabel *lbDistance = nullptr;
    QLabel *lbResult = nullptr;
    QLabel *lbRightEye = nullptr;
    QLabel *lbLeftEye = nullptr;
};

#endif
