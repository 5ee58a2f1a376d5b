// The program: the main window runs the bank chooser while it is created, then lists the chosen bank.
#include "app/DisplayCheck.h"
#include "app/DisplayChoice.h"
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "editor/HtmlBrowserModule.h"
#include "editor/TTianjia.h"
#include "import/TFormDaoru.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "platform/ProgramDirectory.h"

#include <QApplication>
#include <QDir>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    // The clipboard watcher needs a window system that reports copies made in the background.
    displaychoice::apply();
    // The HTML panel's browser is loaded when the panel is first opened; what it needs of the
    // application object is said now.
    htmlbrowsermodule::prepareBeforeApplication();
    displaycheck::install();
    QApplication app(argc, argv);
    displaycheck::uninstall();
    QApplication::setApplicationName(u"Qelbrin"_s);
    QApplication::setApplicationVersion(QStringLiteral(QELBRIN_VERSION));
    // The desktop's menu entry, so that a Wayland desktop shows the entry's icon for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral(QELBRIN_APP_ID));

    // The program works in its program directory: beside the executable in a build, the user's own
    // directory (laid out at the first start) for the installed program. A start from elsewhere (a
    // file manager, a shell in another folder, the menu) still finds the banks.
    try {
        QDir::setCurrent(programdirectory::settle());
    } catch (const platform::Error& error) {
        platform::current().showMessage(error.text());
        return 1;
    }

    try {
        TForm1 mainWindow;
        Form1 = &mainWindow;
        platform::runGuarded([&] { mainWindow.FormCreate(); });
        // Once the bank is open: one hidden instance of each further window. Of these only the bank
        // information dialog is used; every editor and import the user sees is made when opened.
        platform::runGuarded([&] {
            FormDaoru = new TFormDaoru(&mainWindow);
            Tianjia = new TTianjia(&mainWindow);
            FormTikuxinxisezhi = new TFormTikuxinxisezhi(&mainWindow);
        });
        mainWindow.show();
        QApplication::exec();
    } catch (...) {
        platform::reportCurrentException();
    }
    return 0;
}
