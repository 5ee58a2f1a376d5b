#pragma once

#include "bench/Measure.h"

#include <QString>

// "open_html_panel": on an editor shown over a main window listing `bank`, "插入HTML元素" pressed until
// the helper page has loaded in the panel's browser. `ms` is the first opening after the program has
// started (the browser's libraries loaded and the browser started on the way), the median of several
// fresh processes; `again_ms` the openings after it, in one process. No floor.
namespace benchcases {

measure::CaseReport openHtmlPanel(int n, const QString& bank);
// The first opening alone, in this fresh process: its milliseconds on stdout.
int openHtmlPanelOnce(const QString& bank);

} // namespace benchcases
