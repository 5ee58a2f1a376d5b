#include "bench/EditorCase.h"

#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "bench/BenchPlatform.h"
#include "editor/TTianjia.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace benchcases {

namespace {

constexpr int runs = 30;
// The questions opened lie this far apart, so that no run finds its row in a cache the last one warmed.
constexpr int rowStride = 2999;

// Shows `window`, lets it lay itself out and paint once, and closes it: what the user waits for
// between the double click and a usable window.
void showPaintAndClose(QDialog& window) {
    window.show();
    QApplication::processEvents();
    window.close();
    QApplication::processEvents();
}

// The question's picture, where it has one, in the bank's folder: an editor opened on it shows it.
void placePicture(const QString& folder, const QString& name) {
    const QString path = folder + u'/' + name;
    if (name.isEmpty() || QFileInfo::exists(path))
        return;
    QDir().mkpath(folder);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    if (!picture.save(path, "jpeg"))
        throw std::runtime_error("cannot write a question's picture");
}

} // namespace

measure::CaseReport openEditor(int n, const QString& bank) {
    measure::CaseReport report;
    report.name = "open_editor";
    report.n = n;
    report.target = "ms<30";
    report.runs = runs;

    BenchPlatform os;
    platform::ScopedPlatform scope(os);
    TForm1 form;
    Form1 = &form;
    form.tikuPath = bank;
    form.OpenChosenBank();
    form.show();
    QApplication::processEvents();
    QuestionListModel* list = form.questionList();
    if (list->rowCount() != n)
        throw std::runtime_error("the list does not hold the whole bank");
    const QString folder = form.tikuSql->GetMulu();
    for (int i = 0; i < runs; ++i)
        placePicture(folder, list->row((i * rowStride) % n).picture);
    report.startRssMb = measure::currentRssMb();

    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const QuestionListModel::Row& row = list->row((i * rowStride) % n);
        samples.push_back(measure::millisecondsOf([&] {
            TTianjia editor(&form);
            editor.mainForm = &form;
            editor.isXiuGai = 1;
            editor.benTiID = row.id;
            showPaintAndClose(editor);
        }));
        // The store's current question is the one the editor loaded.
        const QString shownText = form.tikuSql->ti_neirong;
        if (shownText != row.text)
            throw std::runtime_error("the editor did not load the question it was opened on");
    }
    report.ms = measure::median(samples);
    report.peakRssMb = measure::peakRssMb();

    std::vector<double> floorSamples;
    for (int i = 0; i < runs; ++i) {
        floorSamples.push_back(measure::millisecondsOf([&] {
            QDialog empty(&form);
            empty.resize(719, 430);
            showPaintAndClose(empty);
        }));
    }
    report.floorMs = measure::median(floorSamples);

    form.FormClose();
    Form1 = nullptr;
    return report;
}

} // namespace benchcases
