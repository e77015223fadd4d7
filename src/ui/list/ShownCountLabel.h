#pragma once

#include <QLabel>

class QAbstractItemModel;

// The status bar's count of the contacts the list shows ("123件"), kept up to date from the
// list's rows.
class ShownCountLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ShownCountLabel(QAbstractItemModel* rows, QWidget* parent = nullptr);

    // Until the rows change: the count they are about to reach (the start picture's), or none
    // (negative) while the book is still being read. "0件" then would say the book is empty.
    void showPending(qsizetype total);
    void showCount();

private:
    void showNumber(qsizetype count);

    QAbstractItemModel* m_rows;
};
