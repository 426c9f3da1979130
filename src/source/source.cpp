#include "source/source.h"

Source::Source(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
}
Source::~Source() = default;
void Source::TxFree() {}
void Source::Arrive(Packet&) {}
void Source::Pause(bool) {}
void Source::Reset(int) {}
void Source::SetIndex(int i) { m_routingIndex = i; }
int Source::Index() const { return m_routingIndex; }
widgets::Json Source::state() const { return widgets::Json::object(); }
void Source::dumpRecords(std::vector<widgets::Json>&) const {}
