// SPDX-License-Identifier: MIT
// A gang station's slots and the receivers they work, by the USB port each is plugged into.
#include "station/SlotAssignment.h"
#include "station/SlotDevices.h"

#include "commands/ReceiverSelection.h"

#include "support/FakeHidDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace rfbind;

namespace {

StationSlots slots(std::vector<std::string> ports) {
    StationSlots s;
    s.count = static_cast<int>(ports.size());
    s.ports = std::move(ports);
    return s;
}

} // namespace

TEST(SlotAssignment, SlotsTakeTheirPortsAndKeepThem) {
    struct Case {
        const char* name;
        std::vector<std::string> fixed;              // Station.ini's ports, "" for none
        std::vector<std::vector<std::string>> offers; // receivers present, one set at a time
        std::vector<std::string> ports;              // each slot's port at the end
    };
    const Case cases[] = {
        {"the first receivers in port order, not list order",
         {"", "", ""}, {{"1-1.10", "1-1.3", "1-1.2", "1-1.9"}}, {"1-1.2", "1-1.3", "1-1.9"}},
        {"fixed ports are kept for their receivers",
         {"", "1-1.1", ""}, {{"1-1.1", "1-1.2", "1-1.3"}}, {"1-1.2", "1-1.1", "1-1.3"}},
        {"a fixed port waits for its receiver",
         {"1-1.4", ""}, {{"1-1.1", "1-1.2"}}, {"1-1.4", "1-1.1"}},
        {"slots fill as receivers come",
         {"", "", ""}, {{"1-1.2"}, {"1-1.2", "1-1.1"}}, {"1-1.2", "1-1.1", ""}},
        {"a receiver that leaves keeps its slot; one on another port does not take it",
         {"", ""}, {{"1-1.1", "1-1.2"}, {"1-1.2", "1-1.3"}, {"1-1.1", "1-1.2", "1-1.3"}},
         {"1-1.1", "1-1.2"}},
        {"receivers without a port and repeats are no receivers for a slot",
         {"", ""}, {{"", "1-1.2", "1-1.2"}}, {"1-1.2", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SlotAssignment a(slots(c.fixed));
        for (const auto& offer : c.offers)
            a.offer(offer);
        for (int k = 1; k <= a.count(); ++k) {
            EXPECT_EQ(a.portOf(k), c.ports[k - 1]) << "slot " << k;
            if (!c.ports[k - 1].empty()) {
                EXPECT_EQ(a.slotOf(c.ports[k - 1]), k);
            }
        }
    }
}

namespace {

/// One slot's controller over a bus the test plugs receivers into and out of.
struct FakeBus {
    struct Entry {
        std::string port;
        bool receiver;
        bool present = true;
        int generation = 1;
    };
    std::vector<Entry> entries;
};

class FakeBusController final : public HidDeviceController {
public:
    explicit FakeBusController(FakeBus& bus) : bus_(bus) {}

    std::unique_ptr<HidDevice> checkOut() override {
        for (std::size_t i = 0; i < bus_.entries.size(); ++i) {
            const FakeBus::Entry& e = bus_.entries[i];
            const std::string key = std::to_string(i) + "/" + std::to_string(e.generation);
            if (!e.present || out_.contains(key))
                continue;
            auto d = std::make_unique<Tracked>(out_, key);
            d->port = e.port;
            d->capabilities = e.receiver ? HidCaps{1, 2, 8} : HidCaps{1, 6, 0};
            out_.insert(key);
            return d;
        }
        return nullptr;
    }
    void rescan(bool) override { raiseDeviceChange(); }
    void changed() { raiseDeviceChange(); }

private:
    struct Tracked : test::FakeHidDevice {
        Tracked(std::set<std::string>& out, std::string key) : out_(out), key_(std::move(key)) {}
        ~Tracked() override { out_.erase(key_); }
        std::set<std::string>& out_;
        std::string key_;
    };
    FakeBus& bus_;
    std::set<std::string> out_;
};

/// The ports of what one round of hand-outs gives the slot ("kbd" for the wired keyboard).
std::vector<std::string> round(HidDeviceController& c,
                               std::vector<std::unique_ptr<HidDevice>>& held) {
    held.clear();
    std::vector<std::string> ports;
    for (auto d = c.checkOut(); d; d = c.checkOut()) {
        ports.push_back(selection::capabilitiesFit(d->caps()) ? d->portPath() : "kbd");
        held.push_back(std::move(d));
    }
    return ports;
}

} // namespace

TEST(SlotDevices, EachSlotsStationSeesItsOwnReceiverAndTheOtherDevices) {
    FakeBus bus;
    bus.entries = {{"1-2", false}, {"1-1.3", true}, {"1-1.1", true}, {"1-1.2", true}};
    SlotAssignment assignment(slots({"", ""}));
    FakeBusController c1(bus), c2(bus);
    SlotDevices slot1(c1, assignment, 1), slot2(c2, assignment, 2);
    int changes = 0;
    slot1.setDeviceChangeHandler([&] { ++changes; });
    std::vector<std::unique_ptr<HidDevice>> held1, held2;

    EXPECT_EQ(round(slot2, held2), (std::vector<std::string>{"kbd", "1-1.2"}));
    EXPECT_EQ(round(slot1, held1), (std::vector<std::string>{"kbd", "1-1.1"}));
    // A second round, while the station still holds the first round's devices, gives nothing
    // new; once it lets them go, the same again.
    EXPECT_EQ(slot1.checkOut(), nullptr);
    EXPECT_EQ(round(slot1, held1), (std::vector<std::string>{"kbd", "1-1.1"}));

    // Slot 1's receiver is pulled: the device change reaches its station, which finds no
    // receiver, and not the one on 1-1.3 either.
    bus.entries[2].present = false;
    c1.changed();
    EXPECT_EQ(changes, 1);
    held1.clear();
    EXPECT_EQ(round(slot1, held1), (std::vector<std::string>{"kbd"}));
    // Plugged into the same port again, it is slot 1's again.
    bus.entries[2].present = true;
    ++bus.entries[2].generation;
    c1.changed();
    held1.clear();
    EXPECT_EQ(round(slot1, held1), (std::vector<std::string>{"kbd", "1-1.1"}));
}
