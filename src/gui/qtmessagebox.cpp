// SPDX-License-Identifier: MIT
#include "gui/qtmessagebox.h"

#include <cstdio>

#include <QMessageBox>

namespace gui {

void QtMessageBox::show(const std::string& text)
{
    ModelWindow* window = m_window.data();
    if (window) window->sync();
    QMessageBox box(QMessageBox::NoIcon, window ? window->windowTitle() : QString(), QString::fromStdString(text),
                    QMessageBox::Ok, window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    if (m_window) m_window->rebaseClock();
}

void UnattendedMessageBox::show(const std::string& text)
{
    std::fprintf(stderr, "message box: %s\n", text.c_str());
}

}  // namespace gui
