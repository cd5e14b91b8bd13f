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
    setStyleSheet(QStringLiteral("QDialog{background: #E1EAF6}"));
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
    lbDesc->setText(QString::fromLocal8Bit(text ? text : ""));
}

void About::setText(const QString &text)
{
    lbDesc->setText(text);
}

QString About::text() const
{
    return lbDesc->text();
}

void About::on_pushButton_clicked()
{
    done(0);
}
