#pragma once

// Drops onto a window as a file manager makes them: drag enter, then drop, with the dragged data.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QList>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace filedrop {

// Sends a drop of `urls` onto the middle of `target`.
inline void dropUrls(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

// Sends a drop of the local files `paths` (relative ones taken against the working directory).
inline void dropFiles(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    dropUrls(target, urls);
}

} // namespace filedrop
