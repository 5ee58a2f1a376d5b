#pragma once

#include "editor/HtmlPanelBrowser.h"

#include <QString>

class QUrl;
class QVariant;

// How the editor asks the helper page for its fragment, and what the answer means. The page provides
// a function gettext() that puts the fragment into the value of its element cun1 (named or with that
// id); the editor runs it and reads that value, as one script, so each question gets one answer.
namespace htmlfragment {

// The script run in the page: calls gettext(), then reads cun1's value.
QString askScript();
// The answer in the result of askScript; an invalid result (no answer at all) is an error too.
Answer fromScriptResult(const QVariant& result);
// The answer of a page that did not load.
Answer pageNotLoaded(const QUrl& address);

} // namespace htmlfragment
