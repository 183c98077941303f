// SPDX-License-Identifier: MIT
#pragma once

#include "bench/BenchIdentity.h"
#include "bench/BenchOptions.h"
#include "bench/BenchReceiver.h"
#include "bench/BenchTransmitter.h"
#include "link/Clock.h"
#include "link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

namespace rfbind::bench {

/// The simulated bench: one receiver, the mouse, an optional keyboard (the radio side), and an
/// unrelated wired keyboard that is always on the bus. It carries the feature transfers of the
/// bench's HID devices (BenchHidDevice) to the receiver firmware and back, and lets an
/// operator or a test plug, switch, move and press, and inspect every device's state.
///
/// Time: the pairing window, the mouse's pairing period and the unplug fault read the tick of
/// the Clock given at construction. The per-transfer USB latency is spent through the sleep
/// function given at construction; without one it goes to Clock::sleepMs. The program passes
/// a real sleep that the station's pause accounting does not see; tests leave it out, so that
/// a recording clock moves with every transfer.
///
/// Ownership: the clock must outlive the bench; the bench must outlive every controller and
/// device object that refers to it.
///
/// Threads: the station transfers from its own thread while the operator (the bench panel, a
/// headless run) plugs, switches and looks from the window's; every operation holds the bench
/// for its duration, and whoever reads its state through the references below holds it with
/// hold() meanwhile. Plug listeners are called with the bench held.
///
/// Failure contract: nothing throws. A transfer on a device that is gone, or with a length
/// other than the feature report length, or with a report ID other than 1, returns false;
/// transfers on the unrelated keyboard always fail (the system holds it, as it holds every
/// keyboard).
class Bench {
public:
    using SleepFunction = std::function<void(int ms)>;
    using Listener = std::function<void()>;

    /// Starts with a blank receiver (all words 0) plugged in, a blank mouse switched off and a
    /// keyboard switched off; call freshUnit() for a unit as it comes from assembly.
    explicit Bench(Clock& clock, BenchOptions options = {}, SleepFunction transferSleep = {});
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // --- What an operator does ----------------------------------------------------------

    /// Plugging in powers the receiver up (see BenchReceiver::powerOn). Both notify the plug
    /// listeners at once; plugging a plugged receiver, or unplugging an unplugged one, does
    /// nothing.
    void plugReceiver();
    void unplugReceiver();
    bool receiverPlugged() const { return plugged_; }

    /// Ignored for the mouse while the transmitter-off fault is set.
    void switchMouse(bool on);
    /// Ignored while there is no keyboard.
    void switchKeyboard(bool on);
    /// Ignored (the mouse stays still) while the never-moved fault is set.
    void setMouseMoving(bool moving);
    /// The keyboard's counterpart of moving: keys being typed.
    void setKeyboardTyping(bool typing);
    void pressKeyboardBindButton();

    /// A unit fresh from assembly: receiver and mouse carry matching random radio IDs drawn
    /// from `seed` (receiver words 0..2 and 51..53 as complement words, mouse EEPROM 8..10 and
    /// 12..14), everything else blank, so they are linked but unprogrammed. A new keyboard,
    /// unpaired, with a radio ID and channel map of non-zero bytes. The old receiver is
    /// unplugged and the new one plugged in; mouse and keyboard end up switched on (subject to
    /// the faults).
    void freshUnit(std::uint32_t seed);

    /// Lets bench time act: the unplug fault, the end of the pairing window, pairing. Called
    /// by every transfer and operation; a window's timer calls it to notice them while idle.
    void checkTime();

    // --- Configuration ------------------------------------------------------------------

    const BenchOptions& options() const { return options_; }
    const BenchFaults& faults() const { return options_.faults; }
    /// Takes effect at once; restarts the acknowledgement-loss sequence from its seed, and the
    /// unplug countdown when its time changed.
    void setFaults(const BenchFaults& faults);

    // --- State, for tests and the bench panel -------------------------------------------

    const BenchReceiver& receiver() const { return receiver_; }
    const BenchTransmitter& mouse() const { return mouse_; }
    /// nullptr while the no-keyboard fault is set.
    const BenchTransmitter* keyboard() const;

    /// Feature transfers the station made on bench devices, whether they succeeded or not.
    std::uint64_t featureTransfers() const { return setFeatures_ + getFeatures_; }
    std::uint64_t setFeatures() const { return setFeatures_; }
    std::uint64_t getFeatures() const { return getFeatures_; }

    // --- The HID side, for BenchHidDevice and BenchController ---------------------------

    /// Counts plug-ins: a device object belongs to the receiver of one generation and fails
    /// once that one is unplugged, even if another is plugged in later.
    std::uint64_t receiverGeneration() const { return generation_; }
    BenchIdentity identity(BenchEndpoint endpoint) const;
    /// Checks time first; the unrelated keyboard is always present.
    bool present(BenchEndpoint endpoint, std::uint64_t generation);
    /// The firmware takes the request at the set-feature and hands the answer over at the next
    /// get-feature, in the same 8 bytes; a second get-feature hands over the same answer.
    /// Returns the bytes the receiver took: `length`, fewer under the short-write fault (the
    /// firmware then drops the incomplete request), or 0 for a report it refused.
    std::size_t setFeature(BenchEndpoint endpoint, std::uint64_t generation,
                           const std::uint8_t* buffer, std::size_t length);
    bool getFeature(BenchEndpoint endpoint, std::uint64_t generation, std::uint8_t* buffer,
                    std::size_t length);

    /// Keeps every other thread's operations and transfers out while the returned lock lives.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> hold() const {
        return std::unique_lock(mutex_);
    }

    /// Called at once, on the caller's thread (possibly inside a transfer), whenever the
    /// receiver is plugged in or out. Returns an id for removePlugListener.
    int addPlugListener(Listener listener);
    void removePlugListener(int id);

private:
    bool acceptable(const std::uint8_t* buffer, std::size_t length) const;
    void spendLatency(BenchEndpoint endpoint, std::uint64_t generation);
    void connectRadio();
    void notifyPlugListeners();

    mutable std::recursive_mutex mutex_;
    Clock& clock_;
    SleepFunction transferSleep_;
    BenchOptions options_;
    BenchReceiver receiver_;
    BenchTransmitter mouse_;
    BenchTransmitter keyboard_;
    bool plugged_ = true;
    std::uint64_t generation_ = 1;
    std::uint32_t unplugCountdownStart_ = 0;
    Frame answer_{};
    /// answer_ answers the pairing-status query (for the fault that leaves it unanswered).
    bool answersPairingStatus_ = false;
    std::mt19937 ackLoss_;
    std::uint64_t setFeatures_ = 0;
    std::uint64_t getFeatures_ = 0;
    int nextListenerId_ = 1;
    std::vector<std::pair<int, Listener>> listeners_;
};

} // namespace rfbind::bench
