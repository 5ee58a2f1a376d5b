// The window system chosen before the GUI starts: XWayland on a Wayland desktop that has it, so
// that the clipboard watcher hears of copies made while the program is in the background; the
// user's own choice and every other desktop left as they are.
#include "app/DisplayChoice.h"

#include <QTest>
#include <optional>

namespace {

using Variable = std::optional<QByteArray>;

void set(const char* name, const Variable& value) {
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

Variable value(const char* text) {
    return QByteArray(text);
}

Variable get(const char* name) {
    return qEnvironmentVariableIsSet(name) ? Variable(qgetenv(name)) : std::nullopt;
}

} // namespace

Q_DECLARE_METATYPE(Variable)

class DisplayChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        saved_[0] = get("WAYLAND_DISPLAY");
        saved_[1] = get("DISPLAY");
        saved_[2] = get("QT_QPA_PLATFORM");
    }
    void cleanupTestCase() {
        set("WAYLAND_DISPLAY", saved_[0]);
        set("DISPLAY", saved_[1]);
        set("QT_QPA_PLATFORM", saved_[2]);
    }

    void platformFollowsTheDesktop_data() {
        QTest::addColumn<Variable>("wayland");
        QTest::addColumn<Variable>("display");
        QTest::addColumn<Variable>("platformBefore");
        QTest::addColumn<Variable>("platformAfter");
        const Variable unset;
        const Variable xwayland = value("xcb;wayland");
        QTest::newRow("wayland with xwayland") << value("wayland-0") << value(":0") << unset << xwayland;
        QTest::newRow("empty choice is no choice")
            << value("wayland-0") << value(":0") << value("") << xwayland;
        QTest::newRow("user chose wayland")
            << value("wayland-0") << value(":0") << value("wayland") << value("wayland");
        QTest::newRow("user chose offscreen")
            << value("wayland-0") << value(":1") << value("offscreen") << value("offscreen");
        QTest::newRow("wayland without xwayland") << value("wayland-0") << unset << unset << unset;
        QTest::newRow("wayland, empty DISPLAY") << value("wayland-0") << value("") << unset << unset;
        QTest::newRow("plain x11") << unset << value(":0") << unset << unset;
        QTest::newRow("empty WAYLAND_DISPLAY") << value("") << value(":0") << unset << unset;
        QTest::newRow("no display at all") << unset << unset << unset << unset;
    }

    void platformFollowsTheDesktop() {
        QFETCH(Variable, wayland);
        QFETCH(Variable, display);
        QFETCH(Variable, platformBefore);
        QFETCH(Variable, platformAfter);
        set("WAYLAND_DISPLAY", wayland);
        set("DISPLAY", display);
        set("QT_QPA_PLATFORM", platformBefore);

        displaychoice::apply();

        QCOMPARE(get("QT_QPA_PLATFORM"), platformAfter);
        // The displays themselves are the desktop's: never touched.
        QCOMPARE(get("WAYLAND_DISPLAY"), wayland);
        QCOMPARE(get("DISPLAY"), display);
    }

private:
    Variable saved_[3];
};

// No QApplication: the choice is made before one exists.
QTEST_APPLESS_MAIN(DisplayChoiceTest)
#include "tst_display_choice.moc"
