#pragma once

// Editors opened on the main-window fixture's bank, as the main window opens them, and the answer
// controls read back in a form a test can compare.
#include "editor/TTianjia.h"
#include "tests/support/MainWindowFixture.h"
#include "ui_TTianjia.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRadioButton>
#include <QTest>
#include <memory>

namespace fixture {

// An editor of `form` on the stored question `id`, or on a new question when `id` is empty. It is
// shown, not run modally, so that a test drives its controls and handlers directly.
inline std::unique_ptr<TTianjia> openEditor(TForm1& form, const QString& id = {}) {
    auto editor = std::make_unique<TTianjia>(&form);
    editor->mainForm = &form;
    if (!id.isEmpty()) {
        editor->isXiuGai = 1;
        editor->benTiID = id;
    }
    editor->show();
    return editor;
}

// A picture of `size` in one `colour` written at `path` (its folder made), its format chosen by the
// extension of the path; that is how the editor finds it too.
inline void placePicture(const QString& path, QSize size = {40, 30}, QColor colour = Qt::red) {
    QDir().mkpath(QFileInfo(path).path());
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    QVERIFY2(picture.save(path), qPrintable(path));
}

// The selected radio button among rb1 to rb4 ("rb3"); empty when none is.
inline QString selectedChoice(const Ui::TTianjia& ui) {
    for (QRadioButton* button : {ui.rb1, ui.rb2, ui.rb3, ui.rb4})
        if (button->isChecked())
            return button->objectName();
    return {};
}

// The selected one of rb5 ("对") and rb6 ("错"); empty when neither is.
inline QString selectedTrueFalse(const Ui::TTianjia& ui) {
    return ui.rb5->isChecked() ? u"rb5"_s : ui.rb6->isChecked() ? u"rb6"_s : QString();
}

inline QList<QCheckBox*> letterBoxes(const Ui::TTianjia& ui) {
    return {ui.chkA, ui.chkB, ui.chkC, ui.chkD, ui.chkE, ui.chkF, ui.chkG, ui.chkH};
}

// The letters whose boxes are ticked, in order ("ACD").
inline QString tickedLetters(const Ui::TTianjia& ui) {
    QString letters;
    for (QCheckBox* box : letterBoxes(ui))
        if (box->isChecked())
            letters += box->text();
    return letters;
}

// Ticks exactly the boxes of `letters`.
inline void tickLetters(const Ui::TTianjia& ui, const QString& letters) {
    for (QCheckBox* box : letterBoxes(ui))
        box->setChecked(letters.contains(box->text()));
}

// The one answer panel showing: "pnlxuanze", "pnlpnpanduan" or "pnlduoxuan" (joined if several are).
inline QString visiblePanel(const TTianjia& editor) {
    const Ui::TTianjia& ui = *editor.form();
    QStringList shown;
    for (QFrame* panel : {ui.pnlxuanze, ui.pnlpnpanduan, ui.pnlduoxuan})
        if (panel->isVisibleTo(&editor))
            shown << panel->objectName();
    return shown.join(u'+');
}

} // namespace fixture
