// Asks one top-level window to close the way a window manager's close button does: a WM_PROTOCOLS
// client message carrying WM_DELETE_WINDOW. The end-to-end X server runs no window manager, and
// Debian 12's xdotool can only destroy a window (windowclose) or cut its client off (windowkill),
// both of which bypass the program's own close handling that the tests want to see.
//
// Usage: x11_close_window WINDOW_ID   (decimal or 0x hex, as xdotool and xwininfo print it)
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool supportsDelete(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0) {
        return false;
    }
    bool found = false;
    for (int i = 0; i < count; ++i) {
        found = found || protocols[i] == deleteWindow;
    }
    XFree(protocols);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW_ID\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const Window window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "x11_close_window: not a window id: %s\n", argv[1]);
        return 2;
    }

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11_close_window: cannot open the display\n");
        return 1;
    }
    const Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!supportsDelete(display, window, deleteWindow)) {
        std::fprintf(stderr, "x11_close_window: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocolsAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (sent == 0) {
        std::fprintf(stderr, "x11_close_window: the message could not be sent\n");
        return 1;
    }
    return 0;
}
