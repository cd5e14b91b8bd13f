#ifndef GLINTVIEW_PLACEHOLDERWORKAREA_H
#define GLINTVIEW_PLACEHOLDERWORKAREA_H

#include "core/CCustomWidget.h"

// Stands in for a work area that this build does not have yet, so the
// navigation works end to end and says plainly what is missing.
class PlaceholderWorkArea : public CCustomWidget
{
    Q_OBJECT
public:
    PlaceholderWorkArea(const QString &title, QWidget *parent);

public slots:
    void WidgetClosed() {}
};

#endif
