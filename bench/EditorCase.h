#pragma once

#include "bench/Measure.h"

#include <QString>

namespace benchcases {

// "open_editor": on a shown main window listing the whole bank, an editor for a stored question is
// constructed, shown (which loads the question), painted and closed, as a double click does it;
// against an empty dialog of the editor's size going through the same steps.
measure::CaseReport openEditor(int n, const QString& bank);

} // namespace benchcases
