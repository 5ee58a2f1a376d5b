#pragma once

// Another program's copy for the suites that run on a real X server: clipboard_owner (its path in
// CLIPBOARD_OWNER), running until this object goes.
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

// What this process knows of the clipboard is brought up to date when it hears of a change, as the
// watcher does; so the owner counts as ready once it says so and this process has heard of a change
// since. The waits run this process's event loop: an owner taking over this process's own copy
// (--reown) reads it from this process meanwhile.
class ClipboardOwner {
public:
    explicit ClipboardOwner(const QStringList& args)
        : heard_(QGuiApplication::clipboard(), &QClipboard::changed) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(CLIPBOARD_OWNER), args);
        const bool said = QTest::qWaitFor(
            [this] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; }, 20000);
        ready_ = said && process_.canReadLine() && process_.readLine().trimmed() == "ready" &&
                 QTest::qWaitFor([this] { return !heard_.isEmpty(); }, 10000);
    }
    // An owner killed while it still holds the clipboard leaves it empty, and the X server says so
    // to this process a moment later. That notice belongs to this owner's test: it is taken here, so
    // that it does not reach a watcher installed by the next one.
    ~ClipboardOwner() {
        if (process_.state() == QProcess::NotRunning)
            return;
        const qsizetype heardBefore = heard_.size();
        process_.kill();
        process_.waitForFinished(5000);
        if (!QTest::qWaitFor([&] { return heard_.size() > heardBefore; }, 5000))
            qWarning("clipboard_owner was killed, but no notice of its empty clipboard came");
    }
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    bool ready() const { return ready_; }
    // True when the owner has ended within a few seconds: it ends once another takes its clipboard.
    bool ends() {
        return QTest::qWaitFor([this] { return process_.state() == QProcess::NotRunning; }, 5000);
    }

private:
    QSignalSpy heard_;
    QProcess process_;
    bool ready_ = false;
};
