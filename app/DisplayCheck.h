#pragma once

// Before the GUI starts: when no display can be reached, the program says so in one line on stderr
// and ends with a non-zero code instead of aborting inside the window system plugin.
namespace displaycheck {

// Call before constructing QApplication. Installs a message filter that turns the platform plugin's
// fatal "cannot connect" into one clear line and exit code 1.
void install();
// Call once QApplication exists: the platform is up, messages go their normal way again.
void uninstall();

} // namespace displaycheck
