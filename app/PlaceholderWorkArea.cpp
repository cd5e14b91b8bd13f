#include "app/PlaceholderWorkArea.h"

#include "core/AppContext.h"

#include <QLabel>
#include <QVBoxLayout>

PlaceholderWorkArea::PlaceholderWorkArea(const QString &title, QWidget *parent)
    : CCustomWidget(parent)
{
    setObjectName(QStringLiteral("PlaceholderWorkArea"));
    const AppContext *ctx = AppContext::instance();
    resize(ctx ? ctx->windowWidth : 1300, ctx ? ctx->windowHeight : 700);
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("lbTitle"));
    heading->setAlignment(Qt::AlignCenter);
    heading->setStyleSheet(QStringLiteral("font-size: 20pt; font-weight: bold; color: #204F82;"));
    auto *note = new QLabel(QStringLiteral("This work area is not available in this build yet."), this);
    note->setAlignment(Qt::AlignCenter);
    note->setStyleSheet(QStringLiteral("color: #3E4A59;"));
    layout->addStretch();
    layout->addWidget(heading);
    layout->addWidget(note);
    layout->addStretch();
}
