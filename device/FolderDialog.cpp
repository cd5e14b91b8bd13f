#include "device/FolderDialog.h"

#include <QDir>
#include <QFileDialog>

namespace {
FolderDialog::Responder &responder()
{
    static FolderDialog::Responder r;
    return r;
}
} // namespace

QStringList FolderDialog::choose(QWidget *parent, const QString &history)
{
    if (responder())
        return responder()(history);

    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setHistory(QStringList{history});
    if (!history.isEmpty() && QDir(history).exists())
        dialog.setDirectory(history);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void FolderDialog::setResponder(Responder r)
{
    responder() = std::move(r);
}
