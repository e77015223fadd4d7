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

private:
    void showCount();

    QAbstractItemModel* m_rows;
};
