#pragma once

// The shipped helper page tavrindata/h.html in the editor's panel, driven as an author drives it:
// keys typed into the page, text selected in the editing area, tools pressed from the keyboard, and
// the fragment read back as the editor reads it (gettext(), then cun1).
#include "tests/editor/EditorFixture.h"
#include "tests/editor/html/HtmlTestSupport.h"

#include <QTest>
#include <QWebEngineView>

namespace helperpage {

using namespace Qt::StringLiterals;

// A JavaScript string literal of `text`.
inline QString literal(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'')
            escaped += u'\\';
        if (c == u'\n')
            escaped += u"\\n"_s;
        else if (c == u'\r')
            escaped += u"\\r"_s;
        else
            escaped += c;
    }
    return u"'"_s + escaped + u"'"_s;
}

// Put into the page after every load; the page knows nothing of it. It counts the keys the page has
// taken, selects text of the editing area by what it reads (a caret holder is not read), and lays a
// fragment out in the page as a browser shows it.
inline const QString probeScript = uR"((function () {
    if (window.probe) return 'ok';
    var keys = 0;
    window.addEventListener('keyup', function () { keys++; }, true);
    function letters() {
        var area = document.getElementById('visual');
        var walker = document.createTreeWalker(area, NodeFilter.SHOW_TEXT);
        var map = [], text = '';
        for (var node = walker.nextNode(); node; node = walker.nextNode())
            for (var i = 0; i < node.data.length; i++)
                if (node.data[i] !== '\u200B') { map.push({node: node, offset: i}); text += node.data[i]; }
        return {text: text, map: map};
    }
    function place(point) {
        var area = document.getElementById('visual');
        area.focus();
        return point;
    }
    window.probe = {
        keys: function () { return keys; },
        select: function (needle, occurrence) {
            var l = letters(), at = -1;
            for (var n = 0; n <= occurrence; n++) { at = l.text.indexOf(needle, at + 1); if (at < 0) return false; }
            var first = l.map[at], last = l.map[at + needle.length - 1];
            place();
            getSelection().setBaseAndExtent(first.node, first.offset, last.node, last.offset + 1);
            return getSelection().toString().replace(/\u200B/g, '') === needle;
        },
        letterCount: function () { return letters().text.length; },
        selectLetters: function (from, to) {
            var l = letters();
            if (!l.map.length) { place(); return true; }
            var point = function (n) {
                return n < l.map.length ? l.map[n] : {node: l.map[n - 1].node, offset: l.map[n - 1].offset + 1};
            };
            var a = point(Math.min(from, l.map.length)), b = point(Math.min(to, l.map.length));
            place();
            getSelection().setBaseAndExtent(a.node, a.offset, b.node, b.offset);
            return true;
        },
        paste: function (html, plain) {
            var data = new DataTransfer();
            if (html) data.setData('text/html', html);
            data.setData('text/plain', plain || '');
            var event = new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true});
            document.getElementById('visual').dispatchEvent(event);
            return event.defaultPrevented;
        },
        caretAfter: function (needle) {
            var l = letters(), at = l.text.indexOf(needle);
            if (at < 0) return false;
            var last = l.map[at + needle.length - 1];
            place();
            getSelection().setBaseAndExtent(last.node, last.offset + 1, last.node, last.offset + 1);
            return true;
        },
        caretAtEnd: function () {
            var area = document.getElementById('visual');
            place();
            getSelection().setBaseAndExtent(area, area.childNodes.length, area, area.childNodes.length);
            return true;
        },
        caretIn: function (selector, index) {
            var cell = document.getElementById('visual').querySelectorAll(selector)[index];
            if (!cell) return false;
            place();
            getSelection().setBaseAndExtent(cell, cell.childNodes.length, cell, cell.childNodes.length);
            return true;
        },
        selectElement: function (selector, index) {
            var element = document.getElementById('visual').querySelectorAll(selector)[index];
            if (!element) return false;
            place();
            var range = document.createRange();
            range.selectNode(element);
            getSelection().removeAllRanges();
            getSelection().addRange(range);
            return true;
        },
        layout: function (html, needles) {
            var box = document.getElementById('probe-layout');
            if (!box) {
                box = document.createElement('div');
                box.id = 'probe-layout';
                box.style.cssText = 'position:absolute; left:0; top:0; width:600px; visibility:hidden; font-size:16px';
                document.body.appendChild(box);
            }
            box.innerHTML = html;
            var walker = document.createTreeWalker(box, NodeFilter.SHOW_TEXT);
            var map = [], text = '';
            for (var node = walker.nextNode(); node; node = walker.nextNode())
                for (var i = 0; i < node.data.length; i++) { map.push({node: node, offset: i}); text += node.data[i]; }
            var boxes = needles.map(function (needle) {
                var at = text.indexOf(needle);
                if (at < 0) return null;
                var range = document.createRange();
                range.setStart(map[at].node, map[at].offset);
                var last = map[at + needle.length - 1];
                range.setEnd(last.node, last.offset + 1);
                var r = range.getBoundingClientRect();
                return [r.left, r.top, r.right, r.bottom];
            });
            box.innerHTML = '';
            return boxes;
        },
    };
    return 'ok';
})())"_s;

// A page opened afresh in a new editor's panel. One per suite: the browser's start is the slow part;
// open() gives every test a fresh page.
class HelperPage {
public:
    HelperPage() {
        window_.os.programDir = QStringLiteral(QELBRIN_PROGRAM_DIR);
        editor_ = fixture::openEditor(window_.form);
    }
    ~HelperPage() { editor_.reset(); }
    Q_DISABLE_COPY_MOVE(HelperPage)

    TTianjia& editor() { return *editor_; }
    Ui::TTianjia& ui() { return *editor_->form(); }
    fixture::OpenWindow& window() { return window_; }
    QWebEngineView* view() { return editor_->WebBrowser1(); }
    QWebEnginePage* page() { return view()->page(); }

    // Closes the panel and opens it again on a fresh page, focused as the editor leaves it.
    bool open() {
        ui().Button2->click();
        if (!htmltest::openPanel(*editor_))
            return false;
        return view()->url() ==
                   QUrl::fromLocalFile(QStringLiteral(QELBRIN_PROGRAM_DIR "/tavrindata/h.html")) &&
               run(probeScript).toString() == u"ok"_s;
    }

    QVariant run(const QString& script) { return htmltest::runScript(page(), script); }
    bool ok(const QString& script) { return run(script).toBool(); }

    // What the editor would read: gettext() run, then cun1's value.
    QString fragment() { return run(u"gettext(); document.all['cun1'].value"_s).toString(); }
    QString source() { return run(u"document.getElementById('source').value"_s).toString(); }
    QString notice() { return run(u"document.getElementById('notice').textContent"_s).toString(); }
    QString focused() { return run(u"document.activeElement.id"_s).toString(); }

    // Key presses into the page, returning once the page has taken every one of them.
    bool type(const QString& text) {
        return keys([&] { QTest::keyClicks(view()->focusProxy(), text); }, text.size());
    }
    bool key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return keys([&] { QTest::keyClick(view()->focusProxy(), key, modifiers); }, 1);
    }

    bool focus(const QString& id) {
        return ok(u"var e = document.getElementById(%1); e.focus(); document.activeElement === e"_s.arg(
            literal(id)));
    }
    bool focusEditingArea() { return focus(u"visual"_s); }

    // The tool `id` pressed from the keyboard: focused, then Enter (or Space).
    bool press(const QString& id, Qt::Key key = Qt::Key_Return) { return focus(id) && this->key(key); }
    // The first element that `selector` finds, pressed so.
    bool pressWhere(const QString& selector, Qt::Key key = Qt::Key_Return) {
        return ok(u"var e = document.querySelector(%1); e.focus(); document.activeElement === e"_s.arg(
                   literal(selector))) &&
               this->key(key);
    }
    // A symbol of the table: its group chosen, then the symbol pressed.
    bool pressSymbol(const QString& group, const QString& symbol, Qt::Key key = Qt::Key_Return) {
        return pressWhere(u"#symbol-groups button[data-group=\"%1\"]"_s.arg(group), key) &&
               pressWhere(u"#symbols button[data-symbol=\"%1\"]"_s.arg(symbol), key);
    }

    bool select(const QString& needle, int occurrence = 0) {
        return ok(u"probe.select(%1, %2)"_s.arg(literal(needle)).arg(occurrence));
    }
    bool caretAfter(const QString& needle) { return ok(u"probe.caretAfter(%1)"_s.arg(literal(needle))); }
    bool caretAtEnd() { return ok(u"probe.caretAtEnd()"_s); }

    // The source box given `markup` at once, as if pasted into it.
    bool setSource(const QString& markup) {
        return ok(
            u"var s = document.getElementById('source'); s.value = %1; s.dispatchEvent(new Event('input'));"
            "true"_s.arg(literal(markup)));
    }

    bool setField(const QString& id, const QString& value) {
        return ok(u"var e = document.getElementById(%1); e.value = %2; e.value === %2"_s.arg(literal(id),
                                                                                             literal(value)));
    }

    // Replaces what the source box holds by typing: all of it selected, then `text` typed over it.
    bool typeSource(const QString& text) {
        return focus(u"source"_s) && ok(u"document.getElementById('source').select(); true"_s) &&
               (text.isEmpty() ? key(Qt::Key_Delete) : type(text));
    }

    // Boxes (left, top, right, bottom) of `needles` in `html` laid out by the page's browser.
    QList<QRectF> browserBoxes(const QString& html, const QStringList& needles) {
        QStringList quoted;
        for (const QString& needle : needles)
            quoted << literal(needle);
        QList<QRectF> boxes;
        const QVariantList answer =
            run(u"probe.layout(%1, [%2])"_s.arg(literal(html), quoted.join(u','))).toList();
        for (const QVariant& box : answer) {
            const QVariantList edges = box.toList();
            boxes << (edges.size() == 4 ? QRectF(QPointF(edges[0].toReal(), edges[1].toReal()),
                                                 QPointF(edges[2].toReal(), edges[3].toReal()))
                                        : QRectF());
        }
        return boxes;
    }

private:
    template <typename Send> bool keys(Send send, int count) {
        const int before = run(u"probe.keys()"_s).toInt();
        send();
        return QTest::qWaitFor([&] { return run(u"probe.keys()"_s).toInt() >= before + count; },
                               htmltest::waitMs);
    }

    fixture::OpenWindow window_;
    std::unique_ptr<TTianjia> editor_;
};

} // namespace helperpage
