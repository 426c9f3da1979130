// SPDX-License-Identifier: MIT
// A checkpoint of a lesson: a question asked before the demonstration shows
// the answer, its choices, the right one, and the explanation shown after
// the choice. Written in a script as
//
//     ask QUESTION
//     choice WRONG
//     choice* RIGHT
//     reveal EXPLANATION
#pragma once

#include <string>
#include <vector>

struct Checkpoint {
    // The most choices a checkpoint may offer (the keys 1 to 9).
    static constexpr int kMaxChoices = 9;

    std::string question;
    std::vector<std::string> choices;
    int answer = -1;  // the right choice, from 0
    std::string reveal;
    long line = 0;  // the line of the `ask`
};
