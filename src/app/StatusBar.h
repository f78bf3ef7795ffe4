#pragma once
// MainWindow's two-part status bar: part 0 (300 pixels) carries every status
// text, part 1 (500 pixels, no border) a welcome line with a tooltip. A press
// of the left button anywhere on it asks for the publisher's page.
#include <QFrame>
#include <QLabel>

namespace rongfan {

class StatusBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int Height = 20;

    explicit StatusBar(QWidget* parent = nullptr);

    QLabel* Part(int index) const;
    QString Text(int part) const;
    void SetText(int part, const QString& text);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_parts[2];
};

// A transparent label that reports a press of the left button. (A plain
// QLabel without text interaction passes presses on to its parent, which is
// how the status bar's parts report theirs.)
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace rongfan
