// SPDX-License-Identifier: MIT
#include "widgets/random.h"

namespace widgets {

double DefaultRandom::next()
{
    // 24 random bits give a single-precision value in [0, 1) exactly.
    return static_cast<double>(m_engine() >> 8) / 16777216.0;
}

double SequenceRandom::next()
{
    if (m_values.empty()) return 0.0;
    double v = m_values[m_pos];
    m_pos = (m_pos + 1) % m_values.size();
    return v;
}

}  // namespace widgets
