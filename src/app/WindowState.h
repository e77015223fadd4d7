#pragma once

class QMainWindow;

// The main window's placement and its bars' state, kept between runs.
namespace WindowState {

void save(const QMainWindow& window);
// A placement that lies on no screen, or cannot be read, leaves the default placement.
void restorePlacement(QMainWindow& window);
void restoreBars(QMainWindow& window);

} // namespace WindowState
