#include "bench/StartupCase.h"

#include "bench/BankMaker.h"
#include "bench/ShownTimer.h"
#include "bench/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace benchcases {

namespace {

constexpr int runs = 15;
constexpr int questionsPerBank = 100;
constexpr int showTimeoutMs = 30000;

void copyEntry(const QFileInfo& entry, const QString& target);

// Copies `from` into the new folder `to`, files and folders alike.
void copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        throw std::runtime_error("cannot make " + to.toStdString());
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        copyEntry(entry, to + u'/' + entry.fileName());
}

void copyEntry(const QFileInfo& entry, const QString& target) {
    if (entry.isDir())
        copyTree(entry.filePath(), target);
    else if (!QFile::copy(entry.filePath(), target))
        throw std::runtime_error("cannot copy " + entry.filePath().toStdString());
}

// The program directory as a user has it: the built program with everything shipped beside it (its
// data directory, any library it loads itself), and `banks` banks of its own; the built directory's
// sample bank is left out.
void layOutProgramDirectory(const QString& dir, int banks) {
    const QDir built(QStringLiteral(QELBRIN_BENCH_PROGRAM_DIR));
    if (!QFileInfo(built.filePath(u"qelbrin"_s)).isExecutable())
        throw std::runtime_error("the program is not built in " + built.path().toStdString());
    QDir().mkpath(dir);
    for (const QFileInfo& entry : built.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.suffix() == u"stk"_s || (entry.isDir() && entry.fileName() != u"tavrindata"_s))
            continue;
        copyEntry(entry, dir + u'/' + entry.fileName());
    }
    for (int i = 1; i <= banks; ++i) {
        const QString name = u"题库%1"_s.arg(i);
        makeBenchBank((dir + u'/' + name + u".stk"_s).toStdString(), questionsPerBank, name.toStdString());
        QDir(dir).mkdir(name);
    }
}

} // namespace

measure::CaseReport startup(int n) {
    measure::CaseReport report;
    report.name = "startup";
    report.n = n;
    report.target = "ratio<=1.3";
    report.runs = runs;

    QTemporaryDir scratch(QDir::temp().filePath(u"qelbrin-startup-XXXXXX"_s));
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a temporary directory");
    const QString programDir = scratch.filePath(u"Qelbrin"_s);
    layOutProgramDirectory(programDir, n);
    // The session directory a desktop login provides; without it Qt warns on stderr.
    const QString runtimeDir = scratch.filePath(u"runtime"_s);
    QDir().mkdir(runtimeDir);
    QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList environment = {u"XDG_RUNTIME_DIR="_s + runtimeDir};

    XvfbServer server;
    ShownTimer timer(server.display());
    const QString program = programDir + u"/qelbrin"_s;
    const QString floorProgram = QStringLiteral(QELBRIN_BARE_CHOOSER);
    auto startProgram = [&] { return timer.time(program, {}, programDir, environment, showTimeoutMs); };
    auto startFloor = [&] { return timer.time(floorProgram, {}, programDir, environment, showTimeoutMs); };

    // One start of each first, unmeasured: the files are in the page cache from then on, as they are
    // for a user who has started the program before.
    startProgram();
    startFloor();
    std::vector<double> samples;
    std::vector<double> floorSamples;
    std::vector<double> mapped;
    std::vector<double> rss;
    // Alternated, so that a change in the machine's load falls on both alike.
    for (int i = 0; i < runs; ++i) {
        const ShownTimer::Shown shown = startProgram();
        samples.push_back(shown.paintedMs);
        mapped.push_back(shown.mappedMs);
        rss.push_back(shown.rssMb);
        floorSamples.push_back(startFloor().paintedMs);
    }
    report.ms = measure::median(samples);
    report.floorMs = measure::median(floorSamples);
    report.mappedMs = measure::median(mapped);
    report.programRssMb = measure::median(rss);
    report.peakRssMb = measure::peakRssMb();
    return report;
}

} // namespace benchcases
