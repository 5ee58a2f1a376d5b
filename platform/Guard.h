#pragma once

#include <type_traits>
#include <utility>

namespace platform {

// Shows the text of the exception being handled in the general error report. Call it only from a
// catch block.
void reportCurrentException() noexcept;

// Runs `handler`; an exception it throws is shown in the general error report and goes no further.
// Every event handler runs through this, so that no exception crosses a Qt frame.
template <class F> void runGuarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (...) {
        reportCurrentException();
    }
}

// Wraps `handler` for a signal connection: the slot runs it guarded, passing the signal's arguments
// when the handler takes them and dropping them when it takes none.
template <class F> auto guarded(F handler) {
    return [handler = std::move(handler)](auto&&... args) mutable {
        runGuarded([&] {
            if constexpr (std::is_invocable_v<F&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    };
}

} // namespace platform
