#include "receiver/receiver.h"

Receiver::Receiver(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
}
Receiver::~Receiver() = default;
void Receiver::Arriving(Packet&) {}
void Receiver::Arrive(Packet&) {}
void Receiver::KillArriving(Packet&) {}
void Receiver::TxFree() {}
void Receiver::Pause(bool) {}
void Receiver::Reset(int, int) {}
void Receiver::SetIndex(int i) { m_routingIndex = i; }
int Receiver::Index() const { return m_routingIndex; }
void Receiver::SetRxPolicy(int) {}
void Receiver::SetMaxSequence(int) {}
void Receiver::SetRxWindow(int) {}
void Receiver::SetACKMode(int) {}
void Receiver::set_queue() {}
void Receiver::fill_combos() {}
widgets::Json Receiver::state() const { return widgets::Json::object(); }
void Receiver::dumpRecords(std::vector<widgets::Json>&) const {}
