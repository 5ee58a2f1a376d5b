#include "platform/Guard.h"

#include "platform/Error.h"
#include "platform/Platform.h"

#include <exception>

namespace platform {

void reportCurrentException() noexcept {
    // Outside a catch block there is nothing to rethrow, and `throw;` would terminate the program.
    if (!std::current_exception())
        return;
    try {
        QString text;
        try {
            throw;
        } catch (const ProcessExitRequested&) {
            return; // a test double's exit: the real one would have ended everything without a word
        } catch (const Error& e) {
            text = e.text();
        } catch (const std::exception& e) {
            text = QString::fromUtf8(e.what());
        } catch (...) {
            // Nothing to say about an exception of unknown type: the report shows an empty text.
        }
        current().reportError(text);
    } catch (...) {
        // The report itself failed; the handler's exception must still go no further.
    }
}

} // namespace platform
