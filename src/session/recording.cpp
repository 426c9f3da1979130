// SPDX-License-Identifier: MIT
#include "session/recording.h"

#include "session/startstate.h"

void Recording::start()
{
    if (m_on) return;
    m_on = true;
    mark();
}

void Recording::rewound()
{
    if (m_on && !m_recorder.hasMark()) mark();
}

void Recording::mark()
{
    m_recorder.mark(m_where == Where::Window
                        ? "# Recording starts here; the lines above bring the window to where it was."
                        : "# Recording starts here; the lines above bring the page to where it was.");
}

std::string Recording::file() const
{
    return std::string(m_where == Where::Window
                           ? "# Recorded in the Link Demo window; replay with linkdemo-script or Play script.\n"
                           : "# Recorded on the Link Demo page; replay with linkdemo-script or Play script.\n") +
           m_recorder.script();
}

std::string Recording::replayNote(const LinkDemo& live) const
{
    const std::vector<std::string> differ = startstate::replayDifferences(live, m_recorder.script());
    if (differ.empty()) return {};
    return std::string("Played back, this recording will not end exactly as the ") +
           (m_where == Where::Window ? "window" : "page") + " shows it now (" +
           differ.front().substr(0, differ.front().find(' ')) +
           " differs). Some actions, such as Follow the Present or Clear trace, have no line in a script and are "
           "written as comments.";
}
