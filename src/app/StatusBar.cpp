#include "app/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include "app/DesktopTexts.h"

namespace rongfan {

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    const int widths[2] = {300, 500};
    for (int i = 0; i < 2; ++i) {
        auto* part = new QLabel(this);
        part->setObjectName(QStringLiteral("StatusPart%1").arg(i));
        part->setFixedWidth(widths[i]);
        part->setTextFormat(Qt::PlainText);
        part->setContentsMargins(3, 0, 3, 0);
        layout->addWidget(part);
        m_parts[i] = part;
    }
    layout->addStretch(1);
    m_parts[0]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_parts[1]->setFrameStyle(QFrame::NoFrame);
    m_parts[1]->setText(desktop::WelcomeLine());
    m_parts[1]->setToolTip(desktop::WelcomeTooltip());
}

QLabel* StatusBar::Part(int index) const { return (index == 0 || index == 1) ? m_parts[index] : nullptr; }

QString StatusBar::Text(int part) const { return Part(part) ? Part(part)->text() : QString(); }

void StatusBar::SetText(int part, const QString& text) {
    if (QLabel* label = Part(part)) label->setText(text);
}

void StatusBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Clicked();
    QFrame::mousePressEvent(event);
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Clicked();
    QLabel::mousePressEvent(event);
}

}  // namespace rongfan
