#include "bench/BenchCases.h"

#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "bench/QuestionTexts.h"
#include "bench/SqliteFloor.h"
#include "ui_TForm1.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace benchcases {

namespace {

// Small banks open in a few milliseconds, where a busy machine's noise is largest: they get more runs.
int openRuns(int n) {
    return n <= 1000 ? 15 : n <= 10000 ? 9 : 5;
}
constexpr int openRunsWhenSlow = 3;
constexpr double slowOpenMs = 2000;
constexpr int commandRuns = 20;
// Rows the update and delete runs touch lie this far apart, around the middle of the list.
constexpr int rowStride = 37;

void require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error(what);
}

void requireListed(const QuestionListModel* list, int n) {
    require(list->rowCount() == n, "the list holds " + std::to_string(list->rowCount()) +
                                       " rows, not the bank's " + std::to_string(n) + " questions");
}

// Reads the whole file once, so that the measured open and the floor scan both find it in the page
// cache, as a bank the user has just picked usually is.
void warmPageCache(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

std::unique_ptr<TForm1> makeMainWindow(const QString& bank) {
    auto form = std::make_unique<TForm1>();
    Form1 = form.get();
    form->tikuPath = bank;
    return form;
}

void closeMainWindow(std::unique_ptr<TForm1>& form) {
    form->FormClose();
    form.reset();
    Form1 = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct QtQuestion {
    qint32 daanleixing;
    QString ti_neirong;
    quint32 ti_daan;
    QString img;
    QString jiexi;
};

std::vector<QtQuestion> questionsToSave(int count) {
    QuestionTexts texts(0xADD5EED);
    std::vector<QtQuestion> out;
    for (int i = 0; i < count; ++i) {
        const GeneratedQuestion q = texts.next();
        out.push_back({q.daanleixing, QString::fromStdString(q.ti_neirong), q.ti_daan,
                       QString::fromStdString(q.img), QString::fromStdString(q.jiexi)});
    }
    return out;
}

// The list of a shown main window scrolled to its end and back in steps, as a user drags the scroll
// bar: each frame is the scroll and the list's repaint, done at once. Each step is taken in three
// passes and the median kept, so that one busy moment of a shared machine does not count as a slow
// frame; the slowest step's figure is returned.
double slowestScrollFrameMs(TForm1& form) {
    form.show();
    QApplication::processEvents();
    QTableView* list = form.form()->lv1;
    QScrollBar* bar = list->verticalScrollBar();
    require(bar->maximum() > 0, "the list does not scroll");
    constexpr int stepsEachWay = 8;
    constexpr int passes = 3;
    std::vector<std::vector<double>> frames(2 * stepsEachWay);
    for (int pass = 0; pass < passes; ++pass) {
        for (int step = 0; step < 2 * stepsEachWay; ++step) {
            const int towardsEnd = step < stepsEachWay ? step + 1 : 2 * stepsEachWay - step - 1;
            const int value = static_cast<int>(qint64(bar->maximum()) * towardsEnd / stepsEachWay);
            frames[static_cast<size_t>(step)].push_back(measure::millisecondsOf([&] {
                bar->setValue(value);
                list->viewport()->repaint();
            }));
        }
    }
    require(bar->value() == 0, "the list did not scroll back to its start");
    double slowest = 0;
    for (const std::vector<double>& step : frames)
        slowest = std::max(slowest, measure::median(step));
    form.hide();
    return slowest;
}

} // namespace

bool isListCommand(const std::string& name) {
    return name == "add" || name == "update" || name == "delete";
}

measure::CaseReport openList(int n, const QString& bank) {
    measure::CaseReport report;
    report.name = "open_list";
    report.n = n;
    if (n >= 1000000)
        report.target = "ratio<=1.5, peak_rss_mb<600, frame_ms<16";
    else if (n >= 100000)
        report.target = "ratio<=1.5, peak_rss_mb<100";
    warmPageCache(bank);
    report.startRssMb = measure::currentRssMb();

    int runs = openRuns(n);
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        auto form = makeMainWindow(bank);
        samples.push_back(measure::millisecondsOf([&] { form->OpenChosenBank(); }));
        requireListed(form->questionList(), n);
        if (i + 1 == runs)
            report.frameMs = slowestScrollFrameMs(*form);
        closeMainWindow(form);
        if (i == 0 && samples.front() > slowOpenMs)
            runs = openRunsWhenSlow;
    }
    report.ms = measure::median(samples);
    report.peakRssMb = measure::peakRssMb();
    report.runs = runs;

    std::vector<double> floorSamples;
    for (int i = 0; i < runs; ++i) {
        std::size_t rows = 0;
        floorSamples.push_back(
            measure::millisecondsOf([&] { rows = sqlitefloor::scanAll(bank.toStdString()); }));
        require(rows == static_cast<std::size_t>(n), "the floor scan did not read every question");
    }
    report.floorMs = measure::median(floorSamples);
    return report;
}

measure::CaseReport listCommand(const std::string& name, int n, const QString& bank) {
    measure::CaseReport report;
    report.name = name;
    report.n = n;
    report.target = "ms<5";
    report.runs = commandRuns;

    // The commands change the bank: they work on a copy, so that the cached bank stays as generated.
    const QString copy = QString::fromStdString(name) + u"_"_s + QString::number(n) + u".stk"_s;
    QFile::remove(copy);
    require(QFile::copy(bank, copy), "cannot copy the bank");
    warmPageCache(copy);
    const std::vector<QtQuestion> saves = questionsToSave(commandRuns);

    auto form = makeMainWindow(copy);
    form->OpenChosenBank();
    form->show();
    QApplication::processEvents();
    QuestionListModel* list = form->questionList();
    requireListed(list, n);

    // The floor's writes alternate with the measured calls, so that both meet the disk in the same
    // mood: a synced write's cost can change several-fold within seconds on a shared machine. The
    // store holds no lock between statements, so the second connection can write in between.
    QuestionTexts floorTexts(0xF100F);
    sqlitefloor::SyncedInserter inserter(copy.toStdString());
    report.startRssMb = measure::currentRssMb();

    // Paints and layouts that a command leaves queued run between the measured calls, not inside them.
    std::vector<double> samples;
    std::vector<double> floorSamples;
    const int middle = n / 2;
    for (int i = 0; i < commandRuns; ++i) {
        const QtQuestion& q = saves[static_cast<std::size_t>(i)];
        const int row = middle + i * rowStride;
        if (name == "add") {
            samples.push_back(measure::millisecondsOf(
                [&] { form->AddTi(q.daanleixing, q.ti_neirong, q.ti_daan, q.img, q.jiexi); }));
            require(list->rowCount() == n + i + 1 && list->row(list->rowCount() - 1).text == q.ti_neirong,
                    "AddTi did not append the question");
        } else if (name == "update") {
            form->selectedIndex = row;
            const QString id = list->row(row).id;
            samples.push_back(measure::millisecondsOf(
                [&] { form->UpdateTi(id, q.daanleixing, q.ti_neirong, q.ti_daan, q.img, q.jiexi); }));
            require(list->row(row).text == q.ti_neirong, "UpdateTi did not rewrite the row");
        } else {
            form->selectedIndex = row;
            samples.push_back(measure::millisecondsOf([&] { form->dele_buttClick(); }));
            require(list->rowCount() == n - i - 1, "the delete command did not remove the row");
        }
        QApplication::processEvents();

        const GeneratedQuestion f = floorTexts.next();
        floorSamples.push_back(measure::millisecondsOf([&] { inserter.insertOne(f.ti_neirong, f.jiexi); }));
    }
    report.ms = measure::median(samples);
    report.floorMs = measure::median(floorSamples);
    report.peakRssMb = measure::peakRssMb();
    closeMainWindow(form);
    QFile::remove(copy);
    return report;
}

} // namespace benchcases
