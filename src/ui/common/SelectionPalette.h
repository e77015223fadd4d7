#pragma once

class QWidget;

namespace SelectionPalette {

// Paints the selection as in the active window even while another pane has the focus, so the
// selected group and the selected contacts stay visible side by side.
void keepSelectionVisible(QWidget* view);

} // namespace SelectionPalette
