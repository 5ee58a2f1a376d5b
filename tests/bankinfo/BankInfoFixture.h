#pragma once

// A bank, its store and the dialog open on it, for the bank information suites.
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "store/m_sql.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QTest>
#include <QTimer>
#include <functional>

namespace bankinfo {

using namespace Qt::StringLiterals;

// A bank with its picture folder "bankA" (made on disk), an author, an address, a locked-off lock
// with a password kept, and a logo name.
inline const QString filledBank = uR"(
UPDATE jiegou SET str_value='bankA' WHERE str_name='mulu';
UPDATE jiegou SET str_value='张三' WHERE str_name='tikuZuoZhe';
UPDATE jiegou SET str_value='http://example.org/z' WHERE str_name='tikuRUL';
UPDATE jiegou SET str_value='0' WHERE str_name='isJiaMi';
UPDATE jiegou SET str_value='Secret' WHERE str_name='CharMima';
UPDATE jiegou SET str_value='old.jpg' WHERE str_name='tikuLOGO';
)"_s;

inline const QString folderMessage = u"出错,代码298"_s;

// One setting as the bank file holds it, read through a store of its own.
inline QString settingOf(const QString& bankPath, const QString& key) {
    m_sql bank;
    bank.Open(bankPath);
    const QString value = bank.GetJiegou(key);
    bank.Close();
    return value;
}

// A one-colour picture written to `path` (its format from the extension).
inline QImage writePicture(const QString& path, QSize size, QColor colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    if (!picture.save(path))
        qFatal("cannot write the picture %s", qUtf8Printable(path));
    return picture;
}

// The working directory, the platform double, the bank "b.stk" made from `sql` with its store open,
// and the dialog.
struct OpenBank {
    explicit OpenBank(const QString& sql = filledBank, bool withFolder = true) {
        dir.makeBank(u"b.stk"_s, sql);
        if (withFolder)
            QDir().mkdir(u"bankA"_s);
        bank.Open(u"b.stk"_s);
    }
    ~OpenBank() { bank.Close(); }
    OpenBank(const OpenBank&) = delete;
    OpenBank& operator=(const OpenBank&) = delete;

    QString setting(const QString& key) const { return settingOf(u"b.stk"_s, key); }

    // Opens the dialog modally on the bank and runs `whileOpen` inside its loop. When `whileOpen`
    // leaves the dialog open, it is closed as with the window's close button, storing nothing.
    // False when the modal loop never ran `whileOpen`.
    bool show(const std::function<void()>& whileOpen) {
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            ran = true;
            whileOpen();
            if (dialog.isVisible())
                dialog.close();
        });
        dialog.ShowBankInfo(&bank);
        return ran;
    }

    FakePlatformScope os;
    WorkDir dir;
    m_sql bank;
    TFormTikuxinxisezhi dialog;
};

} // namespace bankinfo
