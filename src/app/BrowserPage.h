#pragma once
// What the capture needs of an embedded browser: navigate to an address, give
// the document's markup, and say when a navigation or download completed.
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace rongfan {

class BrowserPage : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The widget that shows the page; the login window lays it out and owns it.
    virtual QWidget* View() = 0;
    // A plain request: no extra headers, no post data.
    virtual void Navigate(const QString& address) = 0;
    // What a read of the document gives.
    struct Document {
        // False while the browser is still parsing the markup: reading then would
        // give a page cut off somewhere in the middle.
        bool parsed = true;
        // The outer markup of the document's root element; empty when there is
        // no document or no body.
        QString markup;
    };
    // `done` may be called later, on the GUI thread; it is not called once the
    // page is destroyed.
    virtual void ReadDocument(std::function<void(const Document&)> done) = 0;

signals:
    // A navigation (of the page or a frame in it) or a download activity ended.
    void Completed();
};

}  // namespace rongfan
