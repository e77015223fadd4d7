#pragma once

class QMainWindow;
class QRect;

// The main window's placement and its bars' state, kept between runs.
namespace WindowState {

// normalRect: the window's last normal geometry, whatever its state now.
void save(const QMainWindow& window, const QRect& normalRect);
// A placement that lies on no screen, or cannot be read, leaves the default placement.
void restorePlacement(QMainWindow& window);
void restoreBars(QMainWindow& window);

} // namespace WindowState
