#include "admin/RecoveryWidget.h"

#include "admin/RecoverySteps.h"
#include "core/AppContext.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryWidget::RecoveryWidget(QWidget *parent)
    : CCustomWidget(parent)
{
    setObjectName(QStringLiteral("RecoveryWidget"));
    setWindowTitle(QStringLiteral("Recovery"));
    const AppContext *ctx = AppContext::instance();
    resize(ctx ? ctx->windowWidth : 1300, ctx ? ctx->windowHeight : 700);

    // A white panel in the middle of the work area holds the controls.
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("recoveryPanel"));
    panel->setStyleSheet(QStringLiteral(
        "QFrame#recoveryPanel { background: white; border: 1px solid #9DB3CF; border-radius: 6px; }"));
    panel->setFixedWidth(640);

    label = new QLabel(QStringLiteral("Recovery code:"), panel);
    label->setObjectName(QStringLiteral("label"));

    m_cbRecoveryCodes = new QComboBox(panel);
    m_cbRecoveryCodes->setObjectName(QStringLiteral("m_cbRecoveryCodes"));
    m_cbRecoveryCodes->setMinimumWidth(220);

    BtnRecovery = new QPushButton(QStringLiteral("Recovery"), panel);
    BtnRecovery->setObjectName(QStringLiteral("BtnRecovery"));

    m_lbExplain = new QLabel(panel);
    m_lbExplain->setObjectName(QStringLiteral("m_lbExplain"));
    m_lbExplain->setWordWrap(true);
    m_lbExplain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lbExplain->setMinimumHeight(80);
    m_lbExplain->setStyleSheet(QStringLiteral("color: #3E4A59;"));

    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(label);
    row->addWidget(m_cbRecoveryCodes, 1);
    row->addWidget(BtnRecovery);

    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(24, 24, 24, 20);
    panelLayout->setSpacing(14);
    panelLayout->addLayout(row);
    panelLayout->addWidget(m_lbExplain);

    auto *outer = new QGridLayout(this);
    outer->addWidget(panel, 1, 1);
    outer->setRowStretch(0, 2);
    outer->setRowStretch(2, 3);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(2, 1);

    // Connected before the items go in, so the first item's explanation shows.
    connect(m_cbRecoveryCodes, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RecoveryWidget::On_ComboDevList_IndexChanged);
    for (int code = 0; code < RecoverySteps::kCount; ++code)
        m_cbRecoveryCodes->addItem(QString::fromLatin1(RecoverySteps::find(code)->name));
    On_ComboDevList_IndexChanged(0);

    connect(BtnRecovery, &QPushButton::clicked, this, &RecoveryWidget::on_BtnRecovery_clicked);
}

void RecoveryWidget::On_ComboDevList_IndexChanged(int index)
{
    const RecoverySteps::Step *step = RecoverySteps::find(index);
    m_lbExplain->setText(step ? QString::fromLatin1(step->explanation) : QString());
}

void RecoveryWidget::on_BtnRecovery_clicked()
{
    AppContext *ctx = AppContext::instance();
    if (ctx->openDevice(false) != 0)
        return; // openDevice has told the operator

    const int step = m_cbRecoveryCodes->currentIndex();
    const bool leaves = RecoverySteps::leavesTheBus(step);
    if (leaves)
        ctx->suppressUnplugNotice = 1;

    const ZephResult result = Zeph_Recovery(ctx->deviceHandle, step);
    ctx->lastResult = result;
    if (result == 0) {
        MessageBox::information(this, QStringLiteral("Recovery"),
                                QStringLiteral("Recovery successfully!"));
        ctx->showStatus(5000, "Recovery successfully!");
        return;
    }
    // The camera stayed on the bus: the next removal is a real unplug.
    if (leaves)
        ctx->suppressUnplugNotice = 0;
    ctx->showStatus(5000, "%s", ResultText(result));
    MessageBox::warning(this, QStringLiteral("Recovery"),
                        QStringLiteral("Failed to recovery. ")
                            + QString::fromLocal8Bit(ResultText(result)));
}
