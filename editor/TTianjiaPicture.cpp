// The editor's picture: chosen in the file dialog, dropped onto the window or saved from the
// clipboard by the main window, copied into the bank's folder and shown; and copied text taken as a
// new question's text.
#include "editor/TTianjia.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/PictureFiles.h"
#include "platform/Platform.h"
#include "store/BankFolder.h"
#include "store/m_sql.h"
#include "ui_TTianjia.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMovie>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// Upper-case extensions are offered too: names are compared with their case on this system.
const QString pictureFilter =
    u"图片文件(*.jpg,*.bmp,*.png) (*.jpg *.bmp *.png *.gif *.JPG *.BMP *.PNG *.GIF)"_s;
// The longest dropped path taken; a longer one is cut, and its copy and display then fail.
constexpr qsizetype maxDroppedPathLength = 254;

// The local files a drag carries, in its order; a drag of anything else carries none.
QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

void TTianjia::edtTupian_EditClick() {
    platform::Platform& os = platform::current();
    const QString chosen = os.openFileName(this, pictureFilter);
    if (chosen.isEmpty())
        return;
    // The copy comes first: the name is the first one free from the tick count on.
    const QString folder = bankfolder::checked(store());
    const platform::SavedPicture copy = platform::copyPictureInto(folder, chosen);
    platform::raiseIfDiskFull(copy, folder);
    // A copy that fails otherwise is not reported: the display then shows what it finds under the name.
    imgName = copy.name;
    ui_->edtTupian_Edit->setText(copy.name);
    ShowPicture();
}

void TTianjia::WMDropFiles(const QStringList& paths) {
    for (const QString& dropped : paths) {
        const QString path = dropped.left(maxDroppedPathLength);
        const QString folder = bankfolder::checked(store());
        const platform::SavedPicture copy = platform::copyPictureInto(folder, path);
        // A full disk ends the drop: the files after this one would not fit either.
        platform::raiseIfDiskFull(copy, folder);
        imgName = copy.name;
        ShowPicture();
        btn1Click();
    }
}

void TTianjia::ShowPicture() {
    ui_->Image1->clear();
    animation_.reset();
    if (imgName.isEmpty()) {
        ui_->Image1->hide();
        return;
    }
    try {
        platform::Platform& os = platform::current();
        const QString path = os.programDirectory() + u'/' + bankfolder::checked(store()) + u'/' + imgName;
        ui_->Image1->show();
        // The display shows the picture unscaled from its top-left corner: no more is decoded.
        const QImage picture = os.loadPictureCorner(path, ui_->Image1->size());
        if (picture.isNull())
            throw platform::Error(u"error404"_s);
        ui_->Image1->setPixmap(QPixmap::fromImage(picture));
        ui_->edtTupian_Edit->setText(imgName);
        // Only these two spellings animate; "Gif" shows the first frame.
        if (imgName.endsWith("gif"_L1) || imgName.endsWith("GIF"_L1)) {
            animation_ = os.loadAnimation(path);
            if (!animation_)
                throw platform::Error(u"error404"_s);
            ui_->Image1->setMovie(animation_.get());
            animation_->start();
        }
        RaiseToTop();
    } catch (const platform::ProcessExitRequested&) {
        throw;
    } catch (...) {
        ui_->Image1->clear();
        animation_.reset();
        ui_->Image1->hide();
        platform::current().showMessage(u"error404"_s);
    }
}

void TTianjia::RaiseToTop() {
    platform::current().raiseWithoutActivating(this);
}

void TTianjia::TakeClipboardText(const QString& text) {
    // The editor's controls are left alone: LoadTi puts this text into the question when the editor
    // loads as a new question.
    store().ti_neirong = text;
    RaiseToTop();
}

void TTianjia::acceptFileDrops() {
    setAcceptDrops(true);
    // The text boxes take drops of their own (text, and links as text); a file is the window's.
    for (QWidget* box :
         {static_cast<QWidget*>(ui_->mmo_ti->viewport()), static_cast<QWidget*>(ui_->mmojiexi->viewport()),
          static_cast<QWidget*>(ui_->edtTupian_Edit)})
        box->installEventFilter(this);
}

bool TTianjia::takeFileDrag(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (localFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = localFiles(drop->mimeData());
        if (paths.isEmpty())
            return false;
        drop->acceptProposedAction();
        platform::runGuarded([&] { WMDropFiles(paths); });
        return true;
    }
    default:
        return false;
    }
}

void TTianjia::dragEnterEvent(QDragEnterEvent* event) {
    if (!takeFileDrag(event))
        QDialog::dragEnterEvent(event);
}

void TTianjia::dragMoveEvent(QDragMoveEvent* event) {
    if (!takeFileDrag(event))
        QDialog::dragMoveEvent(event);
}

void TTianjia::dropEvent(QDropEvent* event) {
    if (!takeFileDrag(event))
        QDialog::dropEvent(event);
}

bool TTianjia::eventFilter(QObject* watched, QEvent* event) {
    if (watched != this && takeFileDrag(event))
        return true;
    return QDialog::eventFilter(watched, event);
}
