#include "queue/queue.h"

Queue::Queue(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
}
Queue::~Queue() = default;
void Queue::Arriving(Packet&) {}
void Queue::Arrive(Packet&) {}
void Queue::KillArriving(Packet&) {}
void Queue::Departing(bool) {}
void Queue::Departed(bool) {}
void Queue::Initialise(int) {}
void Queue::queue_size(int) {}
void Queue::Reset(int, int) {}
void Queue::SetIndex(int i) { m_routingIndex = i; }
int Queue::Index() const { return m_routingIndex; }
int Queue::Size() const { return 3; }
void Queue::SetSize(int) {}
widgets::Json Queue::state() const { return widgets::Json::object(); }
void Queue::dumpRecords(std::vector<widgets::Json>&) const {}
