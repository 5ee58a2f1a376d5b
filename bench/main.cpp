// The benchmark of opening a bank and of the main window's list commands on large banks.
#include "bench/BenchDriver.h"
#include "bench/BenchOptions.h"
#include "editor/HtmlBrowserModule.h"

#include <QApplication>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    // Windows are created but never need a screen; children inherit the choice.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    const std::optional<BenchOptions> options = parseBenchOptions(argc, argv);
    if (!options)
        return 2;
    if (options->caseName.empty()) {
        QCoreApplication app(argc, argv);
        return runBenchmark(*options);
    }
    // As in the program: the HTML panel's browser is loaded when the panel first opens.
    htmlbrowsermodule::prepareBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Qelbrin"_s);
    return runBenchCase(*options);
}
