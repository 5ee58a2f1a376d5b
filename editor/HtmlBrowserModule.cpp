#include "editor/HtmlBrowserModule.h"

#include "editor/HtmlPanelBrowser.h"
#include "platform/Error.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QSurfaceFormat>

using namespace Qt::StringLiterals;

// Qt's global share context, as the browser's library itself reaches it.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

HtmlBrowserFactory* loadedFactory = nullptr;
// Qt's global share context while it is this program's: made empty before the application object,
// created when the module is first loaded.
QOpenGLContext* shareContext = nullptr;

void releaseShareContext() {
    if (qt_gl_global_share_context() == shareContext)
        qt_gl_set_global_share_context(nullptr);
    delete shareContext;
    shareContext = nullptr;
}

} // namespace

void htmlbrowsermodule::prepareBeforeApplication() {
    // Qt wants this said before the application object exists. The application object then makes a
    // share context unless one is in place: the empty one put here spares a start that never shows a
    // page the loading of the system's OpenGL drivers. Nothing draws with OpenGL before the browser.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qt_gl_global_share_context())
        return;
    shareContext = new QOpenGLContext;
    qt_gl_set_global_share_context(shareContext);
    // Released with the application object, while the window system is still there.
    qAddPostRoutine(releaseShareContext);
}

QString htmlbrowsermodule::fileName() {
    return QStringLiteral(QELBRIN_HTML_BROWSER_MODULE);
}

HtmlBrowserFactory& htmlbrowsermodule::factory() {
    if (loadedFactory)
        return *loadedFactory;

    platform::Platform& os = platform::current();
    const QStringList directories = os.moduleDirectories();
    QString path;
    for (const QString& directory : directories) {
        if (os.fileExists(directory + u'/' + fileName())) {
            path = directory + u'/' + fileName();
            break;
        }
    }
    if (path.isEmpty()) {
        QStringList places;
        for (const QString& directory : directories)
            places << QDir::toNativeSeparators(directory);
        throw platform::Error(
            u"找不到HTML助手的浏览器模块%1，查找过：%2"_s.arg(fileName(), places.join(u"；"_s)));
    }

    // Made as the application object would have made it, before the browser's library is loaded: the
    // library looks for it as it loads.
    if (shareContext && !shareContext->isValid()) {
        // Made before there were screens, it has none yet.
        shareContext->setScreen(QGuiApplication::primaryScreen());
        shareContext->setFormat(QSurfaceFormat::defaultFormat());
        shareContext->create();
    }
    QPluginLoader loader(path);
    QObject* instance = loader.instance();
    if (!instance)
        throw platform::Error(u"HTML助手的浏览器模块无法加载：%1（%2）"_s.arg(QDir::toNativeSeparators(path),
                                                                              loader.errorString()));
    auto* factory = qobject_cast<HtmlBrowserFactory*>(instance);
    if (!factory)
        throw platform::Error(u"%1不是本程序的HTML助手浏览器模块"_s.arg(QDir::toNativeSeparators(path)));
    loadedFactory = factory;
    return *factory;
}
