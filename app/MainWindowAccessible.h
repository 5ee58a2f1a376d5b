#pragma once

// Assistive technology learns what a widget is from its accessible role. A plain top-level widget
// gets the role of a client area, which screen readers announce as a filler; the main window is such
// a widget, so a factory of its own gives it the role of the window it is. Its controls keep the
// interfaces Qt gives them.
namespace mainwindowaccessible {

// Installs the factory; later calls do nothing.
void install();

} // namespace mainwindowaccessible
