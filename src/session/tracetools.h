// SPDX-License-Identifier: MIT
// The presenter's tools on a wire's trace, shared by the window and the
// page: the wheel over the picture, Clear trace and its notice over a full
// trace, and the "Follow (F)" notice once the present has left the view.
// Nothing here changes a rule of the demonstration: every action goes
// through the controls a user could use.
#pragma once

#include <cstdint>

class LinkDemo;
class Wire;

namespace presenter {

// The start-time bar's value after the wheel turned `notches` over the
// trace (positive: away from the user, back in time): one second a notch.
int wheelScrollTarget(const Wire& wire, int notches);

// Starts the wire's trace afresh, the run going on, and shows the present
// (not the old span).
void clearTrace(LinkDemo& demo, Wire& wire);

// Whether "The trace is full" with Clear trace stands over the trace: the
// trace is on screen and its table holds no more records.
bool traceFullShown(const Wire& wire);

// "Follow (F)" over a trace once the present has passed its last second
// shown, Follow the Present off; it goes when the trace is scrolled or
// followed, and comes again only after the present was in view again.
class FollowNotice {
public:
    // Brings the notice up to date with the run at `now` (the run's time);
    // returns whether it shows.
    bool update(const Wire& wire, std::int64_t now, bool following);
    bool shown() const { return m_shown; }

private:
    bool m_shown = false;
    bool m_armed = true;  // the present was in view since it last showed
    int m_shownAt = 0;    // the start-time bar's value when it showed
};

}  // namespace presenter
