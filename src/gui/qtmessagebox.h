// SPDX-License-Identifier: MIT
// The model's modal message box on screen: a QMessageBox with an OK button.
#pragma once

#include <QPointer>
#include <QString>

#include "gui/modelwindow.h"
#include "widgets/messagebox.h"

namespace gui {

class QtMessageBox : public widgets::MessageBox {
public:
    // The box is created before the model (which needs it) and so before the
    // window; attach the window once it exists. The window is synced before
    // the box opens, so that the screen shows the moment that raised it, and
    // its clock skips the time the box stood open.
    void attach(ModelWindow* window) { m_window = window; }
    void show(const std::string& text) override;

private:
    QPointer<ModelWindow> m_window;
};

// For the screenshot tool and other unattended runs: answers OK at once and
// writes the text to standard error.
class UnattendedMessageBox : public widgets::MessageBox {
public:
    void show(const std::string& text) override;
};

}  // namespace gui
