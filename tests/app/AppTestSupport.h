#pragma once
// Helpers the desktop tests share: a browser that answers from the test, a
// recorder for the addresses the program opens, a catcher for message boxes,
// and GBK literals.
#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/BrowserPage.h"
#include "text/Gbk.h"

// Readable QStrings in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace rongfan::testing {

inline std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

// A browser whose document, completion events and answer times the test decides.
class FakeBrowserPage : public BrowserPage {
public:
    QWidget* View() override { return m_view; }
    void Navigate(const QString& address) override { navigations.push_back(address); }
    void ReadDocument(std::function<void(const Document&)> done) override {
        ++reads;
        if (answerAtOnce)
            done(Document{parsed, document});
        else
            pending.push_back(std::move(done));
    }
    void Complete() { emit Completed(); }
    // Answers every read still waiting, with the current document.
    void AnswerPending() {
        auto waiting = std::move(pending);
        pending.clear();
        for (auto& done : waiting) done(Document{parsed, document});
    }

    QString document;
    bool parsed = true;  // false: the browser is still parsing the markup
    bool answerAtOnce = true;
    int reads = 0;
    std::vector<QString> navigations;
    std::vector<std::function<void(const Document&)>> pending;

private:
    QWidget* m_view = new QWidget;
};

// Every address QDesktopServices is asked to open with http or https.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~OpenedUrls() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    std::vector<QString> urls;

public slots:
    void open(const QUrl& url) { urls.push_back(url.toString(QUrl::FullyEncoded)); }
};

// Answers every message box that opens while it lives and keeps what it showed.
class MessageCatcher {
public:
    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    MessageCatcher() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            shown.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        m_timer.start();
    }
    std::vector<Shown> shown;

private:
    QTimer m_timer;
};

}  // namespace rongfan::testing
