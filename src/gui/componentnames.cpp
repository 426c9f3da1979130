// SPDX-License-Identifier: MIT
#include "gui/componentnames.h"

#include <algorithm>

#include <QLabel>

#include "gui/demowindow.h"
#include "gui/units.h"

namespace gui {

ComponentNames::ComponentNames(DemoWindow& window) : m_window(window)
{
    LinkDemo& demo = window.demo();
    m_components = {&demo.Transmitter1, &demo.Wire1, &demo.Queue1, &demo.Wire2, &demo.Receiver1};
    m_marks = {&demo.Transmitter1.Shape1, &demo.Wire1.Line1, &demo.Queue1.Shape1, &demo.Wire2.Line1,
               &demo.Receiver1.Shape2};
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
            text = !router             ? QStringLiteral("Wire")
                   : &c == &demo.Wire1 ? QStringLiteral("Wire 1")
                                       : QStringLiteral("Wire 2");
        }
        if (label->text() != text) label->setText(text);
        label->adjustSize();
        // Above the frame's top left corner, or centred above a wire's line;
        // below it where the window has no room above.
        QWidget* mark = m_window.widgetFor(*m_marks[i]);
        if (mark == nullptr || mark->isHidden()) mark = view;
        QRect r(mark->mapTo(&m_window, QPoint(0, 0)), mark->size());
        const bool wire = &c == &demo.Wire1 || &c == &demo.Wire2;
        if (wire) {
            // Above the packets, which ride on the line.
            const Wire& w = static_cast<const Wire&>(c);
            double top = w.cmdPacket[0].top();
            for (int k = 1; k < Wire::kSlots; ++k) top = std::min(top, w.cmdPacket[k].top());
            const int packetsTop =
                view->mapTo(&m_window, QPoint(0, 0)).y() + static_cast<int>(m_window.scale().toPixels(top));
            r.setTop(std::min(r.top(), packetsTop));
        }
        QPoint at(wire ? r.center().x() - label->width() / 2 : r.left(), r.top() - label->height() - 2);
        if (at.y() < 0) at.setY(r.bottom() + 2);
        if (label->pos() != at) label->move(at);
        label->show();
        label->raise();
    }
}

}  // namespace gui
