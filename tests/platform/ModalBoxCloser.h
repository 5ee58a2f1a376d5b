#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

// What a test saw of the message box that a blocking call showed, taken while the box was up.
struct SeenBox {
    bool found = false;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat textFormat = Qt::AutoText;
    bool modal = false;
    bool isActiveModal = false;
    QList<QMessageBox::StandardButton> buttons;
    QPointer<QWidget> parent;
};

// Waits, from inside the event loop of the box that a blocking call shows, for the next visible message
// box; records it in `seen` and presses its OK button (or closes it) so that the call returns. Polling
// stops when the closer goes out of scope, so that a box that never came cannot catch a later one.
class ModalBoxCloser {
public:
    explicit ModalBoxCloser(SeenBox& seen) {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, &seen] {
            QMessageBox* box = visibleMessageBox();
            if (!box)
                return;
            poll_.stop();
            seen.found = true;
            seen.text = box->text();
            seen.title = box->windowTitle();
            seen.icon = box->icon();
            seen.textFormat = box->textFormat();
            seen.modal = box->isModal() && box->windowModality() == Qt::ApplicationModal;
            seen.isActiveModal = QApplication::activeModalWidget() == box;
            seen.parent = box->parentWidget();
            for (QAbstractButton* b : box->buttons())
                seen.buttons << box->standardButton(b);
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->close();
        });
        poll_.start();
    }

private:
    static QMessageBox* visibleMessageBox() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            return box;
        for (QWidget* w : QApplication::allWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                return box;
        }
        return nullptr;
    }

    QTimer poll_;
};
