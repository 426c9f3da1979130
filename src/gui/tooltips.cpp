// SPDX-License-Identifier: MIT
#include "gui/tooltips.h"

#include <QString>

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

}  // namespace gui
