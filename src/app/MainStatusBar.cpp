#include "MainStatusBar.h"

#include "AppText.h"
#include "resource.h"
#include "ui/list/ShownCountLabel.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

MainStatusBar::MainStatusBar(QMainWindow& window, QAbstractItemModel* listModel)
{
    QStatusBar* bar = window.statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // Prompts are temporary messages that cover this pane; when they go, "ﾚﾃﾞｨ" is back.
    bar->addWidget(new QLabel(AppText::Ready, bar), 1);
    m_mailPane = new QLabel(bar);
    m_mailPane->setObjectName(QStringLiteral("MailPane"));
    m_mailPane->setFrameShape(QFrame::Panel);
    m_mailPane->setFrameShadow(QFrame::Sunken);
    m_mailPane->setMinimumWidth(
        m_mailPane->fontMetrics().horizontalAdvance(QString(IDS_INDICATOR_MAIL_WIDTH, u' ')));
    m_count = new ShownCountLabel(listModel, bar);
    bar->addPermanentWidget(m_count);
    bar->addPermanentWidget(m_mailPane);
}

void MainStatusBar::setMailPaneText(const QString& text)
{
    m_mailPane->setText(text);
    m_mailPane->repaint();
}

QString MainStatusBar::mailPaneText() const
{
    return m_mailPane->text();
}

void MainStatusBar::showPendingCount(qsizetype total)
{
    m_count->showPending(total);
}

void MainStatusBar::showCount()
{
    m_count->showCount();
}
