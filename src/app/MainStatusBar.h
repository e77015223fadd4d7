#pragma once

#include <QString>

class QAbstractItemModel;
class QLabel;
class QMainWindow;

// The main window's status bar: prompts over "ﾚﾃﾞｨ", the count of contacts shown and the mail
// pane (ID_INDICATOR_MAIL).
class MainStatusBar
{
public:
    MainStatusBar(QMainWindow& window, QAbstractItemModel* listModel);

    // Repainted at once: the mail check sets it from a blocking call.
    void setMailPaneText(const QString& text);
    QString mailPaneText() const;

private:
    QLabel* m_mailPane;
};
