#pragma once

// A user's clicks on the main window's list rows, for the suites of the list.
#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "ui_TForm1.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>

namespace rowclicks {

// The centre of row `row`'s text cell, scrolled into view first.
inline QPoint centreOfRow(const TForm1& form, int row) {
    QTableView* list = form.form()->lv1;
    list->scrollTo(form.questionList()->index(row, 0));
    return list->visualRect(form.questionList()->index(row, QuestionListModel::TextColumn)).center();
}

inline void clickRow(TForm1& form, int row) {
    QTest::mouseClick(form.form()->lv1->viewport(), Qt::LeftButton, {}, centreOfRow(form, row));
}

// A user's double click: press and release, then the second press that the window system reports
// as a double click.
inline void doubleClickRow(TForm1& form, int row) {
    QWidget* viewport = form.form()->lv1->viewport();
    const QPoint at = centreOfRow(form, row);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &doubleClick);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

} // namespace rowclicks
