// SPDX-License-Identifier: MIT
// A combo list whose items a component's rules name: an enum class whose
// values are the item indices, with the items' texts in one place.
//
//     enum class Distribution { Uniform, Poisson };
//     inline constexpr widgets::ItemList<Distribution, 2> kDistributions{{"Uniform", "Poisson"}};
//     kDistributions.fill(cmbDistribution);
//     if (kDistributions.of(cmbDistribution.text()) == Distribution::Poisson) ...
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "widgets/controls.h"

namespace widgets {

template <class E, std::size_t N>
struct ItemList {
    std::array<const char*, N> texts;

    static constexpr int index(E e) { return static_cast<int>(e); }
    constexpr const char* text(E e) const { return texts[static_cast<std::size_t>(e)]; }
    // The item a list text names; nothing for a text that is not an item
    // (typed into an editable list, or a list filled some other way).
    constexpr std::optional<E> of(std::string_view t) const
    {
        for (std::size_t i = 0; i < N; ++i) {
            if (t == texts[i]) return static_cast<E>(i);
        }
        return std::nullopt;
    }
    constexpr bool is(std::string_view t, E e) const { return t == text(e); }
    // Appends every item, in order (a combo's own list is not cleared).
    void fill(ComboBox& c) const
    {
        for (const char* s : texts) c.addItem(s);
    }
};

}  // namespace widgets
