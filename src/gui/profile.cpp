// SPDX-License-Identifier: MIT
#include "gui/profile.h"

#include "gui/units.h"

namespace gui {

namespace {
palette::Profile g_profile = palette::Profile::Standard;
}

palette::Profile profile()
{
    return g_profile;
}

void setProfile(palette::Profile p)
{
    g_profile = p;
}

palette::Look look()
{
    return palette::look(g_profile);
}

QColor drawnColour(std::int64_t model, palette::Role role)
{
    return toQColor(palette::drawn(g_profile, model, role));
}

}  // namespace gui
