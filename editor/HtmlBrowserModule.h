#pragma once

#include <QString>

class HtmlBrowserFactory;

// The library holding the HTML panel's browser, loaded when the panel is first opened.
namespace htmlbrowsermodule {

// Its file name, looked for in each of the platform's module directories in turn.
QString fileName();

// Call once before the application object exists, as a program linking the browser's library would
// set things up. The browser's views share OpenGL resources through Qt's global share context
// (Qt::AA_ShareOpenGLContexts); it is made when the module is first loaded, not at every start.
void prepareBeforeApplication();

// The module's factory, loaded at the first call and kept for the rest of the run. The first module
// file found is the one used. Raises platform::Error, naming the folders looked in or why the file
// found cannot serve, when there is no usable module; a later call looks again.
HtmlBrowserFactory& factory();

} // namespace htmlbrowsermodule
