#include "transmitter/transmitter.h"

Transmitter::Transmitter(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
}
Transmitter::~Transmitter() = default;
void Transmitter::TxFree() {}
void Transmitter::Arrive(Packet&) {}
void Transmitter::MeasureRTT() {}
void Transmitter::GoneMoveUp() {}
void Transmitter::set_mode() {}
void Transmitter::fill_combos() {}
void Transmitter::Pause(bool) {}
void Transmitter::Reset(int, int) {}
void Transmitter::SetTxWindow(int) {}
void Transmitter::SetMaxSequence(int) {}
void Transmitter::SetRetransmitMode(int) {}
void Transmitter::SetTimerMode(int) {}
void Transmitter::SetReliable(bool) {}
void Transmitter::SetRTT(std::int64_t) {}
void Transmitter::SetIndex(int i) { m_routingIndex = i; }
int Transmitter::Index() const { return m_routingIndex; }
widgets::Json Transmitter::state() const { return widgets::Json::object(); }
void Transmitter::dumpRecords(std::vector<widgets::Json>&) const {}
