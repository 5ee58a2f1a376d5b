#include "bench/BenchDriver.h"

#include "bench/BankMaker.h"
#include "bench/BenchCases.h"
#include "bench/EditorCase.h"
#include "bench/HtmlPanelCase.h"
#include "bench/ImportScan.h"
#include "bench/Measure.h"
#include "bench/PictureCases.h"
#include "bench/StartupCase.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <iostream>
#include <set>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct PlannedCase {
    std::string name;
    int n;
};

// For import_scan, n is the size of the text in MiB; for import_peak, its millions of questions.
const std::vector<PlannedCase> plan = {
    {"open_list", 1000},
    {"open_list", 10000},
    {"open_list", 100000},
    {"open_list", 1000000},
    {"add", 100000},
    {"update", 100000},
    {"delete", 100000},
    {"open_editor", 100000},
    {"import_scan", 100},
    {"import_peak", 10},
    // For the picture cases n is the picture's megapixels (6000 x 4000), the EMF's MiB or the WMF's lines.
    {"show_picture_jpeg", 24},
    {"show_picture_png", 24},
    {"show_picture_emf", 20},
    {"show_picture_wmf", 8},
    // n: the banks in the program directory the program starts in.
    {"startup", 10},
    {"open_html_panel", 1000},
};

bool readsText(const PlannedCase& c) {
    return c.name == "import_scan";
}

// The startup case lays out a program directory of its own, banks and all.
bool makesItsOwnInput(const PlannedCase& c) {
    return c.name == "startup";
}

bool readsManyQuestions(const PlannedCase& c) {
    return c.name == "import_peak";
}

// The picture cases show their picture over a small bank: the bank's size does not matter to them.
constexpr int pictureBankSize = 1000;

QString bankName(int n) {
    return u"bank_"_s + QString::number(n) + u".stk"_s;
}

QString textName(int megabytes) {
    return u"import_"_s + QString::number(megabytes) + u"mb.txt"_s;
}

QString manyQuestionsName(int millions) {
    return u"import_"_s + QString::number(millions) + u"m_questions.txt"_s;
}

// The file a case works on, relative to the working directory.
QString inputOf(const PlannedCase& c) {
    if (makesItsOwnInput(c))
        return u"-"_s;
    if (benchcases::isPictureCase(c.name))
        return bankName(pictureBankSize);
    if (readsManyQuestions(c))
        return manyQuestionsName(c.n);
    return readsText(c) ? textName(c.n) : bankName(c.n);
}

// The child's JSON line, or an error line saying why there is none.
std::string measureInChild(const PlannedCase& c, const QString& workDir, int timeoutSeconds, bool& failed) {
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--case"_s, QString::fromStdString(c.name), u"--n"_s, QString::number(c.n), u"--bank"_s,
                 inputOf(c)});
    if (!child.waitForStarted()) {
        failed = true;
        return measure::errorLine(c.name, c.n, "cannot start the measuring child");
    }
    if (!child.waitForFinished(timeoutSeconds * 1000)) {
        child.kill();
        child.waitForFinished();
        failed = true;
        return measure::errorLine(c.name, c.n,
                                  "no result after " + std::to_string(timeoutSeconds) +
                                      " s (a message box waiting for an answer?)");
    }
    std::string line;
    for (const QByteArray& output : child.readAllStandardOutput().split('\n')) {
        if (output.startsWith('{'))
            line = output.toStdString();
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || line.empty()) {
        failed = true;
        if (line.empty())
            line = measure::errorLine(c.name, c.n,
                                      "the child ended with code " + std::to_string(child.exitCode()));
    }
    return line;
}

// A picture case's picture, written by a child of its own: a six-thousand-pixel picture takes a
// hundred MiB to make, and a process's peak memory passes on to the processes it starts after it.
void writePictureInChild(const PlannedCase& c, const QString& folder, int timeoutSeconds) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--case"_s, QString::fromStdString(c.name), u"--n"_s, QString::number(c.n),
                 u"--picture-into"_s, folder});
    if (!child.waitForStarted() || !child.waitForFinished(timeoutSeconds * 1000) ||
        child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("the picture of " + c.name + " could not be written");
}

} // namespace

int runBenchmark(const BenchOptions& options) {
    std::vector<PlannedCase> cases;
    std::set<int> bankSizes;
    std::set<int> textSizes;
    std::set<int> questionMillions;
    for (const PlannedCase& c : plan) {
        if ((options.only.empty() || options.only == c.name) && (options.maxN == 0 || c.n <= options.maxN)) {
            cases.push_back(c);
            if (makesItsOwnInput(c))
                continue;
            if (benchcases::isPictureCase(c.name))
                bankSizes.insert(pictureBankSize);
            else if (readsManyQuestions(c))
                questionMillions.insert(c.n);
            else
                (readsText(c) ? textSizes : bankSizes).insert(c.n);
        }
    }
    if (cases.empty()) {
        std::fprintf(stderr, "qelbrin_bench: no case left to run\n");
        return 2;
    }

    QTemporaryDir workDir(QDir::temp().filePath(u"qelbrin-bench-XXXXXX"_s));
    if (!workDir.isValid()) {
        std::fprintf(stderr, "qelbrin_bench: cannot make a temporary directory\n");
        return 2;
    }
    try {
        for (const int n : bankSizes) {
            const double ms = measure::millisecondsOf([&] {
                makeBenchBank(QDir(workDir.path()).filePath(bankName(n)).toStdString(), n,
                              "bank_" + std::to_string(n));
            });
            std::fprintf(stderr, "qelbrin_bench: generated a bank of %d questions in %.0f ms\n", n, ms);
        }
        for (const int megabytes : textSizes) {
            importscan::TextFacts facts;
            const double ms = measure::millisecondsOf([&] {
                facts = importscan::writeText(
                    QDir(workDir.path()).filePath(textName(megabytes)).toStdString(), megabytes);
            });
            std::fprintf(stderr, "qelbrin_bench: generated a text of %lld bytes, %lld questions in %.0f ms\n",
                         static_cast<long long>(facts.bytes), static_cast<long long>(facts.questions), ms);
        }
        for (const int millions : questionMillions) {
            importscan::TextFacts facts;
            const double ms = measure::millisecondsOf([&] {
                facts = importscan::writeManyQuestions(
                    QDir(workDir.path()).filePath(manyQuestionsName(millions)).toStdString(), millions);
            });
            std::fprintf(stderr, "qelbrin_bench: generated a text of %lld bytes, %lld questions in %.0f ms\n",
                         static_cast<long long>(facts.bytes), static_cast<long long>(facts.questions), ms);
        }
        for (const PlannedCase& c : cases) {
            if (!benchcases::isPictureCase(c.name))
                continue;
            const double ms = measure::millisecondsOf([&] {
                writePictureInChild(c, QDir(workDir.path()).filePath(bankName(pictureBankSize)).chopped(4),
                                    options.timeoutSeconds);
            });
            std::fprintf(stderr, "qelbrin_bench: generated the picture of %s in %.0f ms\n", c.name.c_str(),
                         ms);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qelbrin_bench: cannot generate the inputs: %s\n", e.what());
        return 2;
    }

    bool failed = false;
    for (const PlannedCase& c : cases) {
        std::cout << measureInChild(c, workDir.path(), options.timeoutSeconds, failed) << std::endl;
    }
    return failed ? 1 : 0;
}

int runBenchCase(const BenchOptions& options) {
    const QString bank = QString::fromStdString(options.bank);
    try {
        measure::CaseReport report;
        if (options.caseName == "open_list")
            report = benchcases::openList(options.n, bank);
        else if (benchcases::isListCommand(options.caseName))
            report = benchcases::listCommand(options.caseName, options.n, bank);
        else if (options.caseName == "open_editor")
            report = benchcases::openEditor(options.n, bank);
        else if (options.caseName == "startup")
            report = benchcases::startup(options.n);
        else if (options.caseName == "open_html_panel" && options.firstOnly)
            return benchcases::openHtmlPanelOnce(bank);
        else if (options.caseName == "open_html_panel")
            report = benchcases::openHtmlPanel(options.n, bank);
        else if (options.caseName == "import_scan")
            report = importscan::importScan(options.n, bank);
        else if (options.caseName == "import_peak")
            report = importscan::importPeak(options.n, bank);
        else if (benchcases::isPictureCase(options.caseName) && !options.pictureInto.empty()) {
            benchcases::writePicture(options.caseName, options.n,
                                     QString::fromStdString(options.pictureInto));
            return 0;
        } else if (benchcases::isPictureCase(options.caseName))
            report = benchcases::showPicture(options.caseName, options.n, bank);
        else
            throw std::runtime_error("unknown case");
        std::cout << measure::jsonLine(report) << std::endl;
        return 0;
    } catch (const std::exception& e) {
        std::cout << measure::errorLine(options.caseName, options.n, e.what()) << std::endl;
        return 1;
    }
}
