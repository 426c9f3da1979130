// SPDX-License-Identifier: MIT
#include "gui/componentnames.h"

#include <QLabel>

#include "gui/demowindow.h"

namespace gui {

ComponentNames::ComponentNames(DemoWindow& window) : m_window(window)
{
    LinkDemo& demo = window.demo();
    m_components = {&demo.Transmitter1, &demo.Wire1, &demo.Queue1, &demo.Wire2, &demo.Receiver1};
    for (std::size_t i = 0; i < m_components.size(); ++i) {
        auto* label = new QLabel(&window);
        label->setObjectName(QStringLiteral("componentName"));
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setStyleSheet(QStringLiteral("color: #202020; background: rgba(255, 255, 255, 170); padding: 0 3px;"));
        label->hide();
        m_labels.push_back(label);
    }
}

void ComponentNames::setShown(bool on)
{
    m_on = on;
    refresh();
}

void ComponentNames::refresh()
{
    const LinkDemo& demo = m_window.demo();
    const bool router = demo.Queue1.reachable();
    for (std::size_t i = 0; i < m_components.size(); ++i) {
        QLabel* label = m_labels[i];
        const widgets::Control& c = *m_components[i];
        QWidget* view = m_window.widgetFor(c);
        const bool show = m_on && view != nullptr && c.reachable() && !view->isHidden();
        if (!show) {
            if (!label->isHidden()) label->hide();
            continue;
        }
        QString text;
        if (&c == &demo.Transmitter1) {
            text = QStringLiteral("Transmitter");
        } else if (&c == &demo.Receiver1) {
            text = QStringLiteral("Receiver");
        } else if (&c == &demo.Queue1) {
            text = QStringLiteral("Router");
        } else {
            text = !router ? QStringLiteral("Wire") : &c == &demo.Wire1 ? QStringLiteral("Wire 1") : QStringLiteral("Wire 2");
        }
        if (label->text() != text) label->setText(text);
        label->adjustSize();
        // Above the component's top left corner; below it where the window
        // has no room above.
        const QRect r(view->mapTo(&m_window, QPoint(0, 0)), view->size());
        QPoint at(r.left(), r.top() - label->height());
        if (at.y() < 0) at.setY(r.bottom() + 1);
        if (label->pos() != at) label->move(at);
        label->show();
        label->raise();
    }
}

}  // namespace gui
