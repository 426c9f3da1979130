// SPDX-License-Identifier: MIT
// Help → Getting started: the core's guide laid out in one window, with
// small pictures the program draws of itself at the moment it opens (a
// demonstration of its own, run for a few simulated seconds off screen), so
// they always match what the window shows.
#pragma once

#include <QWidget>

namespace gui {

class GettingStartedWindow : public QWidget {
    Q_OBJECT
public:
    explicit GettingStartedWindow(QWidget* parent = nullptr);
};

// Opens the window (one per parent, raised if already open) and returns it.
QWidget* showGettingStarted(QWidget* parent);

}  // namespace gui
