#ifndef GLINTVIEW_TESTS_MODALGUARD_H
#define GLINTVIEW_TESTS_MODALGUARD_H

// Ends every modal dialog a test did not ask for, the way an operator would
// (Cancel, Close or No until it goes), and fails the running test: nobody
// answers a dialog in a headless run, so it would otherwise hold the test
// until ctest's time-out. A driver queued before the dialog opens runs
// before the guard; one that watches a dialog on its own timer marks it with
// the property "drivenByTest". The waiting dialog closes by itself.

#include <QObject>
#include <QPointer>

class QDialog;

class ModalGuard : public QObject
{
public:
    ModalGuard();
    ~ModalGuard() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void end(QPointer<QDialog> dialog, int attempts);
};

#endif
