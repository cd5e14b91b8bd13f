#ifndef GLINTVIEW_FOLDERDIALOG_H
#define GLINTVIEW_FOLDERDIALOG_H

// The folder chooser of the SDK setting work area, behind one seam: in the
// program a file dialog in directory mode; in tests a responder answers.

#include <QStringList>
#include <functional>

class QWidget;

class FolderDialog
{
public:
    // Shows only directories, with `history` as the dialog's history. Returns
    // the selected entries; empty when the operator cancelled.
    static QStringList choose(QWidget *parent, const QString &history);

    using Responder = std::function<QStringList(const QString &history)>;
    // Installs a responder in place of the dialog; an empty one restores it.
    static void setResponder(Responder responder);
};

#endif
