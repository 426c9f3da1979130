// SPDX-License-Identifier: MIT
// The modal message box with an OK button.
#pragma once

#include <string>

namespace widgets {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Shows `text` and returns when the user has answered OK.
    virtual void show(const std::string& text) = 0;
};

}  // namespace widgets
