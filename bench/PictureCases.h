#pragma once

#include "bench/Measure.h"

#include <QString>
#include <string>

// "show_picture_jpeg", "show_picture_png" (a 6000 x 4000 picture, n = 24 megapixels) and
// "show_picture_emf" (a metafile of about n MiB): the editor's ShowPicture into its 337 x 180 display,
// on an editor shown over a main window listing `bank`. The floor decodes that corner alone with the
// image reader's clip rectangle (for the metafile: renders it alone); full_decode_ms is the whole
// picture decoded.
namespace benchcases {

bool isPictureCase(const std::string& name);
// Writes the case's picture into `folder` (the bank's folder), before the measuring child starts, so
// that making it counts in no figure of the child.
void writePicture(const std::string& name, int n, const QString& folder);
measure::CaseReport showPicture(const std::string& name, int n, const QString& bank);

} // namespace benchcases
