#include "core/CCustomWidget.h"

#include <QPainter>

CCustomWidget::CCustomWidget(QWidget *parent)
    : QWidget(parent)
{
}

void CCustomWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(QStringLiteral("#E1EAF6")));
}
