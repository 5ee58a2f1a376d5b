#pragma once

#include <QString>
#include <stdexcept>

namespace platform {

// An error the program raises with a text meant for the user; the general error report shows the text.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

// Thrown by a test double's `exitProcess` in place of ending the process. The event guard lets it
// end the handler silently, as the real exit would have ended everything.
struct ProcessExitRequested {
    int code;
};

} // namespace platform
