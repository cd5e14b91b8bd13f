#include "core/About.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

About::About(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(QIcon(QStringLiteral(":/resource/icon/corvane.ico")));
    // Its own button padding, so that the box looks the same whichever work
    // area opens it (the SDK setting one pads its buttons).
    setStyleSheet(QStringLiteral("QDialog{background: #E1EAF6} QPushButton{padding: 0px}"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setMinimumWidth(420);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    lbDesc = new QLabel(this);
    lbDesc->setObjectName(QStringLiteral("lbDesc"));
    lbDesc->setStyleSheet(QStringLiteral("QLabel { background-color : white; color : black; }"));
    lbDesc->setWordWrap(true);
    lbDesc->setMargin(12);
    lbDesc->setMinimumHeight(120);
    lbDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbDesc->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lbDesc);

    auto *row = new QHBoxLayout;
    row->addStretch();
    pushButton = new QPushButton(QStringLiteral("OK"), this);
    pushButton->setObjectName(QStringLiteral("pushButton"));
    pushButton->setDefault(true);
    row->addWidget(pushButton);
    layout->addLayout(row);

    QMetaObject::connectSlotsByName(this);
}

void About::setText(const char *text)
{
    setText(QString::fromLocal8Bit(text ? text : ""));
}

void About::setText(const QString &text)
{
    m_text = text;
    // A label draws a tab as a gap of 80 pixels; an indent of four spaces
    // reads as the list it is.
    lbDesc->setText(QString(text).replace(QLatin1Char('\t'), QStringLiteral("    ")));
}

QString About::text() const
{
    return m_text;
}

void About::on_pushButton_clicked()
{
    done(0);
}
