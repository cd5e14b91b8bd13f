#ifndef GLINTVIEW_ABOUT_H
#define GLINTVIEW_ABOUT_H

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The about box; the SDK setting work area reuses it for device properties.
class About : public QDialog
{
    Q_OBJECT
public:
    explicit About(QWidget *parent = nullptr);

    void setText(const char *text);
    void setText(const QString &text);
    // The text as given (shown with its tabs as indents).
    QString text() const;

private slots:
    void on_pushButton_clicked();

private:
    QLabel *lbDesc = nullptr;
    QPushButton *pushButton = nullptr;
    QString m_text;
};

#endif
