#include "wire/wire.h"

Wire::Wire(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
}
Wire::~Wire() = default;
void Wire::PacketArrive(Packet&, std::int64_t) {}
void Wire::MovePackets(std::int64_t) {}
bool Wire::DataBusy() const { return false; }
bool Wire::ACKBusy() const { return false; }
int Wire::Length() const { return 0; }
void Wire::SetLength(int) {}
void Wire::Trace(bool) {}
void Wire::DataCancel() {}
void Wire::ACKCancel() {}
void Wire::ReDrawTrace() {}
void Wire::Reset(int) {}
void Wire::SetPicHeight(std::int64_t) {}
void Wire::SetDelay(double) {}
void Wire::SetBitRate(double) {}
void Wire::SetIndex(int i) { m_routingIndex = i; }
int Wire::Index() const { return m_routingIndex; }
widgets::Json Wire::state() const { return widgets::Json::object(); }
void Wire::dumpRecords(std::vector<widgets::Json>&) const {}
