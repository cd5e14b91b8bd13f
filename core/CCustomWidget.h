#ifndef GLINTVIEW_CCUSTOMWIDGET_H
#define GLINTVIEW_CCUSTOMWIDGET_H

#include <QWidget>

// Base of every work area: a plain widget painted in the house background.
class CCustomWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CCustomWidget(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif
