#ifndef GLINTVIEW_KELDWAITINGDLG_H
#define GLINTVIEW_KELDWAITINGDLG_H

// A small title-less progress dialog that keeps the operator informed while
// the camera works. Blocking mode: the caller starts the work on the thread
// pool, then run() spins the dialog's own modal loop until the work calls
// finish() (from any thread) or the time limit passes. Non-blocking mode: run()
// only shows the dialog; the caller works on the GUI thread and updates it.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <atomic>

class QLabel;
class QProgressBar;
class QPushButton;

class KeldWaitingDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kMessageCapacity = 262;
    static constexpr int kTickMs = 10;

    explicit KeldWaitingDlg(QWidget *anchor);
    ~KeldWaitingDlg() override;

    // Always returns true. An empty button text hides that button.
    bool run(const QString &message, const QString &okText, const QString &cancelText,
             bool blocking, int timeLimitMs);
    void setAutoProgress(bool enable, int expectedDurationMs);
    // Safe from any thread: the text reaches the label through the GUI thread.
    // Pauses the calling thread for 10 ms so the operator can read stages.
    void setMessage(const QString &text);
    void setProgress(float fraction);
    // Safe from any thread; the close request is always queued.
    void finish(const QString &okText = QString(), const QString &cancelText = QString());

    // Observers, used by tests and by callers that want to show state.
    float progress() const { return m_progress; }
    float increment() const { return m_increment; }
    int elapsedMs() const { return m_elapsed; }
    int barValue() const;
    int barMaximum() const;
    bool isBarVisible() const;
    bool isTicking() const { return m_timer.isActive(); }
    bool isRunning() const { return m_running.load(); }
    QString message() const;

    // Tests drive onTimer() themselves instead of the 10 ms timer.
    static void setManualTicksForTesting(bool manual);

public slots:
    void on_btnOK_clicked();
    void onTimer();

private slots:
    void applyMessage(const QString &text);
    void applyFinish(const QString &okText, const QString &cancelText);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void copyMessage(const QString &text);

    QPointer<QWidget> m_anchor;
    QLabel *lblMessage = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    char m_message[kMessageCapacity + 1] = {};
    QTimer m_timer;
    int m_timeLimit = -1;
    int m_elapsed = 0;
    float m_progress = 0.0f;
    float m_increment = 0.0f;
    bool m_autoAdvance = false;
    bool m_blocking = false;
    std::atomic<bool> m_running{false};
};

#endif
