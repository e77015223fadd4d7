#include "SelectionPalette.h"

#include <QPalette>
#include <QWidget>

namespace SelectionPalette {

void keepSelectionVisible(QWidget* view)
{
    QPalette pal = view->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    view->setPalette(pal);
}

} // namespace SelectionPalette
