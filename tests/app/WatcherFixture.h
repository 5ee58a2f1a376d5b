#pragma once

// A main window whose clipboard watcher is subscribed as the program subscribes it, and the editors
// that copies open, for the suites of the clipboard watcher.
#include "app/TForm1.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace watcher {

using namespace Qt::StringLiterals;
using fixture::threeQuestions;

// The tick count the fake platform reads: above 2^31, so a signed formatting would show.
inline constexpr quint32 tick = 4000000000u;
inline const QString bmpName = u"4000000000.bmp"_s;

// An opaque picture whose every pixel differs, so that a file of another size or orientation shows.
inline QImage pictureOf(int width, int height, int shade = 0) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 40 + shade) % 256, (y * 50) % 256, (x + y + shade) % 256));
    return image;
}

// A main window as the program makes it: FormCreate subscribes the watcher and runs the chooser
// (answered with "打开" on the only bank, b.stk, whose folder is b), then opens the bank. With
// `systemClipboard` the watcher watches the real clipboard (under a real X server).
struct WatchedWindow {
    explicit WatchedWindow(const QString& sql = threeQuestions, bool makeFolder = true,
                           const std::function<void()>& whileChooserShows = {},
                           bool systemClipboard = false) {
        os.tick = tick;
        os.systemClipboard = systemClipboard;
        dir.makeBank(u"b.stk"_s, sql);
        if (makeFolder)
            QDir().mkpath(u"b"_s);
        fixture::startThroughChooser(form, whileChooserShows);
    }
    ~WatchedWindow() {
        if (Form1 == &form)
            Form1 = nullptr;
    }
    WatchedWindow(const WatchedWindow&) = delete;
    WatchedWindow& operator=(const WatchedWindow&) = delete;

    FakePlatformScope os;
    WorkDir dir;
    TForm1 form;
};

// The platform double in force, reached as the program's code reaches its platform.
inline FakePlatform& platformDouble() {
    return dynamic_cast<FakePlatform&>(platform::current());
}

inline TTianjia* topEditor() {
    return qobject_cast<TTianjia*>(QApplication::activeModalWidget());
}

// Runs `command`; every editor that shows on top meanwhile is noted, handed to `act` and closed.
// Editors already showing are left alone. A copy that should open nothing thus cannot hang the test.
inline QList<QPointer<TTianjia>> editorsShownBy(const std::function<void()>& command,
                                                const std::function<void(TTianjia&)>& act = {}) {
    QList<QPointer<TTianjia>> shown;
    QPointer<TTianjia> before = topEditor();
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        TTianjia* editor = topEditor();
        if (!editor || !editor->isVisible() || editor == before || shown.contains(editor))
            return;
        shown << editor;
        if (act)
            act(*editor);
        // Also when a check in `act` failed: the modal loop must end for the test to go on.
        if (editor->isVisible())
            editor->close();
    });
    watch.start();
    command();
    return shown;
}

} // namespace watcher
