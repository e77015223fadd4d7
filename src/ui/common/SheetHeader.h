#pragma once

#include <QWidget>

class QDialogButtonBox;

// The engraved "VOK System" that both property sheets show left of their OK button.
class SheetHeader : public QWidget
{
    Q_OBJECT
public:
    explicit SheetHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The lettering's font: Arial (or the sans serif standing in for it), bold, italic.
    static QFont headerFont();

    // A row with the engraved text on the left and the buttons on the right.
    static QWidget* buttonRow(QDialogButtonBox* buttons, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
