#include "shell/linkdemo.h"

LinkDemo::LinkDemo(widgets::MessageBox&, widgets::Random*) : widgets::Container(widgets::Kind::Window, nullptr, "LinkDemo") {}
LinkDemo::~LinkDemo() = default;
void LinkDemo::PacketDone(int, int, Packet&) {}
