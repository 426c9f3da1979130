#include "packet/packet.h"

void Packet::Initialise()
{
    Number = -1;
    SequenceNumber = -1;
    ShowSequenceFlag = false;
    TriggerNumber = -1;
    TimeStarted = 0;
    HopStarted = 0;
    Errored = false;
    ACKFlag = false;
    CumulativeACKFlag = false;
    SelectiveACKFlag = false;
    Active = false;
    Length = 1;
    Flag = 0;
    Colour = pkt::kEmpty;
}

void Packet::CopyPacket(Packet& pktDest) const
{
    if (&pktDest == this) return;
    pktDest = *this;
}

nlohmann::ordered_json packetJson(const Packet& p, const std::string& name)
{
    nlohmann::ordered_json j;
    j["name"] = name;
    j["kind"] = "packet";
    j["Number"] = p.Number;
    j["SequenceNumber"] = p.SequenceNumber;
    j["ShowSequenceFlag"] = p.ShowSequenceFlag;
    j["TriggerNumber"] = p.TriggerNumber;
    j["TimeStarted"] = p.TimeStarted;
    j["HopStarted"] = p.HopStarted;
    j["Errored"] = p.Errored;
    j["ACKFlag"] = p.ACKFlag;
    j["CumulativeACKFlag"] = p.CumulativeACKFlag;
    j["SelectiveACKFlag"] = p.SelectiveACKFlag;
    j["Active"] = p.Active;
    j["Length"] = p.Length;
    j["Flag"] = p.Flag;
    j["Congestion"] = p.Congestion;
    j["Colour"] = p.Colour;
    return j;
}
