#pragma once

#include <QImage>

// The neutral 80 x 80 picture the logo preview shows before any logo has been loaded: a grey frame
// with a plain landscape pictogram, drawn here so that the program carries no picture asset for it.
QImage placeholderLogo();
