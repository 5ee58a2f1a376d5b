#pragma once

// Before the GUI starts: the window system the program runs on, where the user has not chosen one.
namespace displaychoice {

// On a Wayland desktop only the focused program hears of clipboard changes, so the clipboard watcher
// would miss every copy made while the program is in the background. When XWayland is there (DISPLAY
// set beside WAYLAND_DISPLAY) and QT_QPA_PLATFORM is unset or empty, this sets QT_QPA_PLATFORM to run
// on X11 through XWayland, with Wayland itself as the fallback should XWayland refuse the connection.
// Call before constructing QApplication.
void apply();

} // namespace displaychoice
