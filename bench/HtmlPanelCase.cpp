#include "bench/HtmlPanelCase.h"

#include "app/TForm1.h"
#include "bench/BenchPlatform.h"
#include "editor/TTianjia.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <cstdio>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace benchcases {

namespace {

constexpr int firstRuns = 5;
constexpr int againRuns = 10;
constexpr int loadTimeoutMs = 60000;

// A main window listing `bank` and an editor shown over it, on the built program's directory (its
// helper page, and the browser's library beside the program).
struct ShownEditor {
    BenchPlatform os{QStringLiteral(QELBRIN_BENCH_PROGRAM_DIR)};
    platform::ScopedPlatform scope{os};
    TForm1 form;
    std::unique_ptr<TTianjia> editor;

    explicit ShownEditor(const QString& bank) {
        Form1 = &form;
        form.tikuPath = bank;
        form.OpenChosenBank();
        form.show();
        editor = std::make_unique<TTianjia>(&form);
        editor->mainForm = &form;
        editor->show();
        QApplication::processEvents();
    }
    ~ShownEditor() {
        editor.reset();
        form.FormClose();
        Form1 = nullptr;
    }
};

// Presses "插入HTML元素" and waits until the page has loaded; the milliseconds between.
double openPanel(TTianjia& editor) {
    return measure::millisecondsOf([&] {
        editor.form()->BitBtn1->click();
        // The browser is reached by its name: this program does not link the browser's library.
        QWidget* view = editor.findChild<QWidget*>(u"WebBrowser1"_s);
        if (!view)
            throw std::runtime_error("the panel has no browser");
        QSignalSpy loaded(view, SIGNAL(loadFinished(bool)));
        if (!loaded.wait(loadTimeoutMs))
            throw std::runtime_error("the helper page did not load in time");
        if (!loaded.first().first().toBool())
            throw std::runtime_error("the helper page failed to load");
    });
}

} // namespace

int openHtmlPanelOnce(const QString& bank) {
    ShownEditor shown(bank);
    std::printf("%.3f\n", openPanel(*shown.editor));
    return 0;
}

measure::CaseReport openHtmlPanel(int n, const QString& bank) {
    measure::CaseReport report;
    report.name = "open_html_panel";
    report.n = n;
    report.runs = firstRuns;

    std::vector<double> firsts;
    for (int i = 0; i < firstRuns; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--case"_s, u"open_html_panel"_s, u"--n"_s, QString::number(n), u"--bank"_s, bank,
                     u"--first-only"_s});
        if (!child.waitForFinished(2 * loadTimeoutMs) || child.exitStatus() != QProcess::NormalExit ||
            child.exitCode() != 0)
            throw std::runtime_error("a first opening could not be measured");
        bool ok = false;
        firsts.push_back(child.readAllStandardOutput().trimmed().toDouble(&ok));
        if (!ok)
            throw std::runtime_error("a first opening gave no figure");
    }
    report.ms = measure::median(firsts);

    ShownEditor shown(bank);
    report.startRssMb = measure::currentRssMb();
    openPanel(*shown.editor);
    std::vector<double> again;
    for (int i = 0; i < againRuns; ++i) {
        shown.editor->form()->Button2->click();
        again.push_back(openPanel(*shown.editor));
    }
    report.againMs = measure::median(again);
    report.peakRssMb = measure::peakRssMb();
    return report;
}

} // namespace benchcases
