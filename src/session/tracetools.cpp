// SPDX-License-Identifier: MIT
#include "session/tracetools.h"

#include "shell/linkdemo.h"

namespace presenter {

int wheelScrollTarget(const Wire& wire, int notches)
{
    return wire.VScroll1.value() - notches;
}

void clearTrace(LinkDemo& demo, Wire& wire)
{
    wire.ClearTrace();
    wire.FollowTime(demo.totalTime);
}

bool traceFullShown(const Wire& wire)
{
    return wire.reachable() && wire.Picture1.reachable() && wire.traceTable().full();
}

bool FollowNotice::update(const Wire& wire, std::int64_t now, bool following)
{
    const bool onScreen = wire.reachable() && wire.Picture1.reachable() && wire.traceTable().traceOn();
    const bool beyond = onScreen && wire.traceTable().yOf(now) > wire.Picture1.height();
    if (!beyond || following) {
        // In view again (or followed): the next pass shows it again.
        m_shown = false;
        m_armed = m_armed || !beyond;
    } else if (m_shown && wire.VScroll1.value() != m_shownAt) {
        // The user scrolled the trace: the notice has been answered.
        m_shown = false;
    } else if (!m_shown && m_armed) {
        m_shown = true;
        m_armed = false;
        m_shownAt = wire.VScroll1.value();
    }
    return m_shown;
}

}  // namespace presenter
