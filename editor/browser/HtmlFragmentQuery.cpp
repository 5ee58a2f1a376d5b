#include "editor/browser/HtmlFragmentQuery.h"

#include <QDir>
#include <QUrl>
#include <QVariantMap>

using namespace Qt::StringLiterals;

QString htmlfragment::askScript() {
    // document.all['cun1'] finds the element by id or by name, as the page's contract says; it yields
    // a collection, without a text value, when several elements carry the name.
    return uR"((function () {
    if (typeof gettext !== 'function')
        return {state: 'no-gettext'};
    try {
        gettext();
    } catch (e) {
        return {state: 'gettext-failed', message: String(e)};
    }
    var cun1 = document.all['cun1'];
    if (cun1 === undefined || cun1 === null)
        return {state: 'no-cun1'};
    var value = cun1.value;
    if (typeof value !== 'string')
        return {state: 'not-text'};
    return {state: 'ok', value: value};
})())"_s;
}

htmlfragment::Answer htmlfragment::fromScriptResult(const QVariant& result) {
    const QVariantMap answer = result.toMap();
    const QString state = answer.value(u"state"_s).toString();
    if (state == u"ok"_s)
        return {answer.value(u"value"_s).toString(), {}};
    if (state == u"no-gettext"_s)
        return {{}, u"HTML助手页面中没有gettext()函数"_s};
    if (state == u"gettext-failed"_s)
        return {{}, u"HTML助手页面的gettext()函数出错：%1"_s.arg(answer.value(u"message"_s).toString())};
    if (state == u"no-cun1"_s)
        return {{}, u"HTML助手页面中没有cun1元素"_s};
    if (state == u"not-text"_s)
        return {{}, u"HTML助手页面中cun1元素的value不是文本"_s};
    // The script itself could not run: the page replaced the functions it relies on, or it went away.
    return {{}, u"HTML助手页面没有给出要插入的内容"_s};
}

htmlfragment::Answer htmlfragment::pageNotLoaded(const QUrl& address) {
    return {{}, u"无法打开HTML助手页面：%1"_s.arg(QDir::toNativeSeparators(address.toLocalFile()))};
}
