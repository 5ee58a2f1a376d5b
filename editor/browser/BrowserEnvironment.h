#pragma once

// The embedded browser's process environment, settled before the browser's engine starts.
namespace browserenvironment {

// Call before the first browser profile is made (the engine reads these settings once, at its start).
// The browser's renderer sandbox cannot start as root, nor where the system offers no user namespaces:
// there, and only there, it is switched off. Where no graphics device exists the browser draws in
// software. A user's own settings of either are kept.
void prepare();

} // namespace browserenvironment
