#pragma once

#include "editor/HtmlPanelBrowser.h"

#include <QUrl>
#include <QWidget>
#include <optional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The embedded browser of the editor's HTML panel, showing the helper page. It has a profile of its
// own that keeps nothing on disk and reaches local addresses only, and it answers the editor's
// question for the page's fragment asynchronously: `progressed` says an answer has come.
class HtmlBrowser final : public QWidget, public HtmlPanelBrowser {
    Q_OBJECT

public:
    explicit HtmlBrowser(QWidget* parent);
    ~HtmlBrowser() override;
    Q_DISABLE_COPY_MOVE(HtmlBrowser)

    QWidget* widget() override { return this; }
    QWebEngineView* view() const override { return view_; }
    void open(const QUrl& page) override;
    void askFragment() override;
    std::optional<htmlfragment::Answer> takeAnswer() override;

signals:
    void progressed();

private:
    enum class Load { Loading, Loaded, Failed };

    void loadingChanged(const QWebEngineLoadingInfo& info);
    void answer(const htmlfragment::Answer& answer);

    QWebEngineProfile* profile_;
    QWebEngineView* view_;
    QUrl page_;
    // Counts the loads, so that an answer knows the document it came from.
    quint64 loadNumber_ = 0;
    Load load_ = Load::Loaded;
    bool askWhenLoaded_ = false;
    std::optional<htmlfragment::Answer> answer_;
};
