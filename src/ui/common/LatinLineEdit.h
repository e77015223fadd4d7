#pragma once

#include <QLineEdit>

// A line edit for Latin text only (addresses, numbers, host names, passwords) that refuses the
// input method. QLineEdit tells the input method it takes composed text whatever
// Qt::WA_InputMethodEnabled says, so the attribute alone still let kana conversion turn
// "yamada" into 山田 in an e-mail field.
class LatinLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit LatinLineEdit(QWidget* parent = nullptr);

    using QLineEdit::inputMethodQuery;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};
