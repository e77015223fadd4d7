#pragma once

#include <QLineEdit>

class CAddressList;

// The search field of the tool bar: the list shows the contacts that hold every word typed,
// also while the input method is still composing them (やまだ before it becomes 山田).
// Escape empties it and goes back to the list; Down and Return go to the list's rows.
class SearchField : public QLineEdit
{
    Q_OBJECT
public:
    explicit SearchField(CAddressList* list, QWidget* parent = nullptr);

    // Ctrl+F: the focus here, the text selected, the tool bar shown if it was hidden.
    void activate();
    // The text as the user sees it, what the input method composes included.
    QString searchText() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void apply();
    void returnToList(bool selectFirst);

    CAddressList* m_list;
    QString m_preedit;
};
