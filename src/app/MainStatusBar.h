#pragma once

#include <QString>
#include <QtGlobal>

class QAbstractItemModel;
class QLabel;
class QMainWindow;
class ShownCountLabel;

// The main window's status bar: prompts over "ﾚﾃﾞｨ", the count of contacts shown and the mail
// pane (ID_INDICATOR_MAIL).
class MainStatusBar
{
public:
    MainStatusBar(QMainWindow& window, QAbstractItemModel* listModel);

    // Repainted at once: the mail check sets it from a blocking call.
    void setMailPaneText(const QString& text);
    QString mailPaneText() const;
    // See ShownCountLabel.
    void showPendingCount(qsizetype total);
    void showCount();

private:
    ShownCountLabel* m_count;
    QLabel* m_mailPane;
};
