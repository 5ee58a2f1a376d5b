// The panel's browser comes from its module, as in the program: this suite links nothing of Qt
// WebEngine. Until the panel first opens nothing of the browser is mapped; a missing, damaged or
// foreign module is a clear message and the editor goes on; the module found then serves the panel,
// the first of the module folders that holds one, with Qt's OpenGL sharing set up as a program
// linking the browser would have it and without a complaint from the browser's library.
#include "editor/HtmlBrowserModule.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Files.h"

#include <QFile>
#include <QLibraryInfo>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

constexpr int waitMs = 30000;

// The libraries of the browser that this process has mapped, by the names they share.
QStringList browserLibrariesMapped() {
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        return {u"(cannot read /proc/self/maps)"_s};
    const QString text = QString::fromLocal8Bit(maps.readAll());
    QStringList mapped;
    for (const QString& library :
         {u"libQt6WebEngineCore"_s, u"libQt6WebEngineWidgets"_s, u"libQt6Quick"_s, u"libQt6Qml"_s})
        if (text.contains(library))
            mapped << library;
    return mapped;
}

// What Qt and its libraries said while a test ran.
QStringList qtMessages;
QtMessageHandler previousHandler = nullptr;
void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        qtMessages << text;
    previousHandler(type, context, text);
}

} // namespace

class HtmlModuleTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    std::unique_ptr<OpenWindow> window_;

    // A folder under the scratch directory, made on first use.
    QString folder(const QString& name) {
        const QString path = scratch_.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(scratch_.isValid());
        previousHandler = qInstallMessageHandler(recordMessage);
        window_ = std::make_unique<OpenWindow>();
        window_->os.programDir = QStringLiteral(QELBRIN_HTML_PAGES "/fixed");
        QCOMPARE(browserLibrariesMapped(), QStringList());
    }

    void cleanupTestCase() {
        window_.reset();
        qInstallMessageHandler(previousHandler);
    }

    void init() {
        window_->os.errors.clear();
        qtMessages.clear();
    }

    // First, while no module has been loaded.
    // The error's start: %1 the module's place in the first folder, %2 and %3 the two folders.
    void unusableModuleIsReported_data() {
        QTest::addColumn<QString>("content"); // "" for no file; a path to copy; or the bytes to write
        QTest::addColumn<QString>("error");
        QTest::newRow("none in any folder")
            << u""_s
            << u"找不到HTML助手的浏览器模块"_s + htmlbrowsermodule::fileName() + u"，查找过：%2；%3"_s;
        QTest::newRow("damaged") << u"bytes:not a library"_s << u"HTML助手的浏览器模块无法加载：%1（"_s;
        // A Qt plugin, but of something else: the GIF reader.
        QTest::newRow("another plugin")
            << QLibraryInfo::path(QLibraryInfo::PluginsPath) + u"/imageformats/libqgif.so"_s
            << u"%1不是本程序的HTML助手浏览器模块"_s;
    }
    void unusableModuleIsReported() {
        QFETCH(QString, content);
        QFETCH(QString, error);
        const QString tag = QString::fromUtf8(QTest::currentDataTag());
        const QString first = folder(tag + u"/a"_s);
        const QString module = first + u'/' + htmlbrowsermodule::fileName();
        if (content.startsWith(u"bytes:"_s))
            testfiles::writeFile(module, content.mid(6).toUtf8());
        else if (!content.isEmpty())
            QVERIFY(QFile::copy(content, module));
        const QString second = folder(tag + u"/b"_s);
        window_->os.moduleDirs = {first, second};
        error.replace(u"%1"_s, module).replace(u"%2"_s, first).replace(u"%3"_s, second);

        auto editor = openEditor(window_->form);
        editor->form()->mmo_ti->setPlainText(u"H"_s);
        QTest::mouseClick(editor->form()->BitBtn1, Qt::LeftButton);
        QCOMPARE(window_->os.errors.size(), 1);
        QVERIFY2(window_->os.errors.first().startsWith(error), qPrintable(window_->os.errors.first()));
        // The editor goes on as it was: no panel over it, nothing inserted, nothing of the browser.
        QVERIFY(!editor->form()->Panel1->isVisible());
        QVERIFY(!editor->WebBrowser1());
        QCOMPARE(TTianjia::memoText(*editor->form()->mmo_ti), u"H"_s);
        QCOMPARE(browserLibrariesMapped(), QStringList());
        // "确定" without a page is reported too, and harms nothing.
        window_->os.errors.clear();
        QTest::mouseClick(editor->form()->Button1, Qt::LeftButton);
        QCOMPARE(window_->os.errors, QStringList{u"HTML助手页面还没有打开"_s});
    }

    void foundModuleServesThePanel() {
        // The first folder holds none: the second one's is used.
        window_->os.moduleDirs = {folder(u"empty"_s), QStringLiteral(QELBRIN_PROGRAM_DIR)};
        auto editor = openEditor(window_->form);
        editor->form()->mmo_ti->setPlainText(u"H"_s);

        QTest::mouseClick(editor->form()->BitBtn1, Qt::LeftButton);
        QVERIFY(window_->os.errors.isEmpty());
        QVERIFY(editor->form()->Panel1->isVisible());
        // The view is reached by its name and its signal by its signature: nothing here links it.
        QWidget* view = editor->findChild<QWidget*>(u"WebBrowser1"_s);
        QVERIFY(view);
        QSignalSpy loaded(view, SIGNAL(loadFinished(bool)));
        QVERIFY(loaded.wait(waitMs));
        QVERIFY(loaded.first().first().toBool());

        QTest::mouseClick(editor->form()->Button1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(TTianjia::memoText(*editor->form()->mmo_ti), u"H2<sup>+</sup>"_s, waitMs);
        QVERIFY(!editor->form()->Panel1->isVisible());
        QVERIFY(window_->os.errors.isEmpty());
        QVERIFY(browserLibrariesMapped().contains(u"libQt6WebEngineCore"_s));

        // OpenGL sharing as a program linking the browser gets it from its application object.
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
        QVERIFY(QOpenGLContext::globalShareContext());
        for (const QString& message : std::as_const(qtMessages))
            QVERIFY2(!message.contains(u"WebEngine"_s), qPrintable(message));

        // A second editor takes the module already loaded.
        auto second = openEditor(window_->form);
        QTest::mouseClick(second->form()->BitBtn1, Qt::LeftButton);
        QVERIFY(second->WebBrowser1());
        QVERIFY(window_->os.errors.isEmpty());
    }
};

// As the program's main: the browser's needs of the application object are said before it exists.
int main(int argc, char** argv) {
    htmlbrowsermodule::prepareBeforeApplication();
    QApplication app(argc, argv);
    HtmlModuleTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_html_module.moc"
