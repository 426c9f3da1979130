// SPDX-License-Identifier: MIT
#include "session/bindingrules.h"

#include <algorithm>

namespace rules {

using widgets::Kind;

std::string scriptName(const widgets::Control& control)
{
    const widgets::Container* parent = control.parent();
    if (parent == nullptr || control.kind() == Kind::Component) return control.fullName();
    return scriptName(*parent) + "." + control.fullName();
}

widgets::Component* ownerOf(const widgets::Control& control)
{
    for (const widgets::Control* c = &control; c; c = c->parent()) {
        if (c->kind() == Kind::Component) {
            return const_cast<widgets::Component*>(static_cast<const widgets::Component*>(c));
        }
    }
    return nullptr;
}

int layerOf(const widgets::Control& c)
{
    const bool inComponent = c.parent() && c.parent()->kind() == Kind::Component;
    switch (c.kind()) {
        case Kind::Shape:
        case Kind::Line:
            return 0;
        case Kind::Label:
            return inComponent && static_cast<const widgets::Label&>(c).backColour() >= 0 ? 2 : 0;
        case Kind::Combo:
            return inComponent ? 2 : 1;
        default:
            return 1;
    }
}

std::vector<widgets::Control*> drawingOrder(const widgets::Container& container)
{
    std::vector<widgets::Control*> order = container.stacking();
    std::stable_sort(order.begin(), order.end(),
                     [](const widgets::Control* a, const widgets::Control* b) { return layerOf(*a) < layerOf(*b); });
    return order;
}

bool takesTab(const widgets::Control& c)
{
    switch (c.kind()) {
        case Kind::Button:
        case Kind::Check:
        case Kind::Combo:
            return c.tabStop();
        default:
            return false;
    }
}

bool clickTakesFocus(const widgets::Control& c)
{
    return c.kind() == Kind::Combo && static_cast<const widgets::ComboBox&>(c).editable();
}

namespace {

void collectTabs(const widgets::Container& container, std::vector<widgets::Control*>& out)
{
    for (widgets::Control* c : container.children()) {
        if (takesTab(*c)) out.push_back(c);
        if (c->kind() == Kind::Component || c->kind() == Kind::Window) {
            collectTabs(static_cast<const widgets::Container&>(*c), out);
        }
    }
}

}  // namespace

std::vector<widgets::Control*> tabChain(const widgets::Container& window)
{
    std::vector<const widgets::Container*> components;
    for (const widgets::Control* c : window.children()) {
        if (c->kind() == Kind::Component) components.push_back(static_cast<const widgets::Container*>(c));
    }
    std::stable_sort(components.begin(), components.end(), [](const widgets::Control* a, const widgets::Control* b) {
        if (a->left() != b->left()) return a->left() < b->left();
        return a->top() < b->top();
    });
    std::vector<widgets::Control*> chain;
    for (const widgets::Container* c : components) collectTabs(*c, chain);
    for (widgets::Control* c : window.children()) {
        if (takesTab(*c)) chain.push_back(c);
    }
    return chain;
}

bool seeThrough(const widgets::Container& container)
{
    return container.parent() && container.parent()->backColour() == container.backColour();
}

bool takesPress(const widgets::Control& c)
{
    switch (c.kind()) {
        case Kind::Label:
        case Kind::TextBox:
        case Kind::Shape:
        case Kind::Line:
            return false;
        default:
            return true;
    }
}

const widgets::Control& pressTarget(const widgets::Control& c)
{
    if (takesPress(c) || !c.parent()) return c;
    return *c.parent();
}

}  // namespace rules
