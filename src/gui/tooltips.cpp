// SPDX-License-Identifier: MIT
#include "gui/tooltips.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QString>
#include <QToolTip>

#include "explain/explain.h"
#include "gui/demowindow.h"
#include "gui/views.h"
#include "session/helptext.h"

namespace gui {

namespace {

void describe(ModelWindow& window, const widgets::Control& control)
{
    QWidget* w = control.kind() == widgets::Kind::Window ? &window : window.widgetFor(control);
    if (w != nullptr) {
        const QString name = QString::fromStdString(help::systemName(control));
        const QString purpose = QString::fromStdString(help::purpose(control));
        const QString about = purpose.isEmpty() ? name : name + QStringLiteral(": ") + purpose;
        // The window's own background would show its tooltip everywhere.
        if (control.kind() != widgets::Kind::Window) w->setToolTip(about);
        // On Linux a combo box reads its current text as its name: the
        // description carries the rest.
        w->setAccessibleDescription(about);
        // Buttons and labels keep their live caption in front of it.
        if (auto* button = qobject_cast<ButtonView*>(w)) {
            button->setAbout(about);
        } else if (auto* label = qobject_cast<LabelView*>(w)) {
            label->setAbout(about);
        } else {
            w->setAccessibleName(about);
        }
    }
    if (control.kind() == widgets::Kind::Window || control.kind() == widgets::Kind::Component) {
        for (const widgets::Control* child : static_cast<const widgets::Container&>(control).children()) {
            describe(window, *child);
        }
    }
}

}  // namespace

void describeControls(ModelWindow& window)
{
    describe(window, window.root());
}

LiveDescriptions::LiveDescriptions(DemoWindow& window) : m_window(window)
{
    LinkDemo& demo = window.demo();
    for (Wire* wire : {&demo.Wire1, &demo.Wire2}) {
        for (int i = 0; i < Wire::kSlots; ++i) {
            add(
                wire->cmdPacket[i], [&demo, wire, i] { return explain::wirePacketText(demo, *wire, i); },
                QStringLiteral("Click to destroy it."));
        }
    }
    const Transmitter& tx = demo.Transmitter1;
    for (int i = 0; i < Transmitter::kSlots; ++i) {
        const auto words = [&tx, i] { return explain::transmitterSlotText(tx, i); };
        add(tx.lblTxPacket[i], words);
        add(tx.lblTxSeq[i], words);
        add(tx.lblRTO[i], words);
    }
    const Receiver& rx = demo.Receiver1;
    for (int i = 0; i < Receiver::kSlots; ++i) {
        const auto words = [&rx, i] { return explain::receiverSlotText(rx, i); };
        add(rx.lblRxPacket[i], words);
        add(rx.lblRxSeq[i], words);
    }
    add(rx.chkRxReady, [&rx] { return explain::readyHoldText(rx); });
    // The settings typed as text: their unit and the value in force.
    for (const widgets::ComboBox* field : explain::settingFields(demo)) {
        add(*field, [field] {
            const auto words = explain::settingWords(*field);
            return words ? words->tooltip : std::string();
        });
    }
    for (const widgets::Control* c :
         {static_cast<const widgets::Control*>(&tx), static_cast<const widgets::Control*>(&rx)}) {
        if (QWidget* w = window.widgetFor(*c)) w->installEventFilter(this);
    }
    refresh();
}

std::string LiveDescriptions::slotWordsAt(QWidget* component, const QPoint& at) const
{
    const LinkDemo& demo = m_window.demo();
    const auto over = [&](const widgets::Control& shape) {
        QWidget* w = m_window.widgetFor(shape);
        return w != nullptr && !w->isHidden() && QRect(w->mapTo(component, QPoint(0, 0)), w->size()).contains(at);
    };
    if (component == m_window.widgetFor(demo.Transmitter1)) {
        for (int i = 0; i < demo.Transmitter1.window(); ++i) {
            if (over(demo.Transmitter1.shpTxQueue[i])) return explain::transmitterSlotText(demo.Transmitter1, i);
        }
    } else {
        for (int i = 0; i < demo.Receiver1.state().rxWindow; ++i) {
            if (over(demo.Receiver1.shpRxQueue[i])) return explain::receiverSlotText(demo.Receiver1, i);
        }
    }
    return {};
}

bool LiveDescriptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return false;
    auto* component = static_cast<QWidget*>(watched);
    auto* help = static_cast<QHelpEvent*>(event);
    const std::string words = slotWordsAt(component, help->pos());
    if (words.empty()) return false;
    QToolTip::showText(help->globalPos(), QString::fromStdString(words), component);
    return true;
}

void LiveDescriptions::add(const widgets::Control& control, std::function<std::string()> words, const QString& click)
{
    QWidget* w = m_window.widgetFor(control);
    if (w == nullptr) return;
    m_items.push_back(Item{w, std::move(words), w->accessibleDescription(), click, {}});
}

void LiveDescriptions::refresh()
{
    for (Item& item : m_items) {
        if (item.widget->isHidden() && !item.shown.isEmpty()) continue;
        QString words = QString::fromStdString(item.words());
        // An empty slot still says what it is.
        if (words.isEmpty()) words = item.about;
        if (words == item.shown) continue;
        item.shown = words;
        const bool own = words != item.about;
        item.widget->setToolTip(own && !item.click.isEmpty() ? words + QStringLiteral(". ") + item.click : words);
        item.widget->setAccessibleDescription(own ? words + QStringLiteral(". ") + item.about : item.about);
        if (auto* button = qobject_cast<ButtonView*>(item.widget)) {
            button->setAbout(words);
        } else if (auto* label = qobject_cast<LabelView*>(item.widget)) {
            label->setAbout(words);
        } else {
            item.widget->setAccessibleName(words);
        }
    }
}

}  // namespace gui
