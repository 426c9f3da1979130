// SPDX-License-Identifier: MIT
// The Help windows: the colours and their meanings, the keys, and About.
// Each is a separate, non-modal window; the run goes on while it is open.
#pragma once

#include <cstdint>

#include <QWidget>

namespace gui {

// Every colour the demonstration uses, with its meaning, in groups (packets,
// transmitter and receiver slots, router buffer, trace). Each swatch is named
// "swatch:GROUP/NAME/i" (i counting the swatches of one line from 0).
class ColoursWindow : public QWidget {
    Q_OBJECT
public:
    explicit ColoursWindow(QWidget* parent = nullptr);
};

// Opens the window (one per parent, raised if already open) and returns it.
QWidget* showColours(QWidget* parent);
QWidget* showKeyboardHelp(QWidget* parent);
QWidget* showAbout(QWidget* parent);

}  // namespace gui
