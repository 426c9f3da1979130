// SPDX-License-Identifier: MIT
// Every component opens and closes its settings panel with one button whose
// caption is the panel's state: "Edit" while closed, "Done" while open.
#pragma once

#include "widgets/controls.h"

namespace widgets::panel {

inline constexpr const char* kEdit = "Edit";
inline constexpr const char* kDone = "Done";

inline bool isOpen(const Button& edit)
{
    return edit.caption() != kEdit;
}

// A click on the button: flips its caption and returns whether the panel is
// now to be shown open.
inline bool toggle(Button& edit)
{
    const bool open = !isOpen(edit);
    edit.setCaption(open ? kDone : kEdit);
    return open;
}

}  // namespace widgets::panel
