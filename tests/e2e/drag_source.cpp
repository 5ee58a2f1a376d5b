// A stand-in for a file manager: a window that starts a drag of the files named on its command line
// when the left button is pressed in it, the way a file manager drags files to another program. It
// prints "ready" once shown and "drag ended: <action>" when the drop is over, and quits soon after.
//
// Usage: drag_source X Y FILE...   (the window's top-left corner on the screen)
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource final : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(160, 120);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto* drag = new QDrag(this);
        auto* carried = new QMimeData;
        carried->setUrls(urls_);
        drag->setMimeData(carried);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::printf("drag ended: %d\n", int(action));
        std::fflush(stdout);
        // The target asks for the files only once the drop has arrived, as X's drag protocol lets it:
        // like a file manager, the source stays until it has had the time to.
        QTimer::singleShot(3000, qApp, &QApplication::quit);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: drag_source X Y FILE...\n");
        return 2;
    }
    QList<QUrl> urls;
    for (qsizetype i = 3; i < args.size(); ++i)
        urls << QUrl::fromLocalFile(QFileInfo(args[i]).absoluteFilePath());
    DragSource source(urls);
    source.move(args[1].toInt(), args[2].toInt());
    source.show();
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}
