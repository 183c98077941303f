// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberingGenerators.h"
#include "production/PairingWindow.h"
#include "production/RunOutcome.h"
#include "production/SharedNumbering.h"
#include "production/UnitRecipe.h"
#include "settings/StationSlots.h"
#include "station/SlotAssignment.h"
#include "station/Station.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rfbind {
class Clock;
class HidDeviceController;
class RfidRandomSource;
} // namespace rfbind

namespace rfbind::app {

class Dialogs;
class SlotPanel;

/// The slots of a gang station, side by side in the main window: per slot its panel (its
/// StationView) and its own Station working on its own thread, on the receiver its port
/// gives it. The slots share one numbering (the main station's generators), take turns at
/// the pairing window, and otherwise run at once.
///
/// Go (and PageDown) start every idle slot that has a unit; a slot's own Go starts it alone.
/// The window supplies the recipe at each start: the settings pages stay one, shared.
class SlotStrip : public QWidget {
    Q_OBJECT

public:
    /// What one slot works with: its own controller over the bus (its device objects), and
    /// the clock its thread takes its pauses and ticks from. Both outlive the strip.
    struct SlotSource {
        HidDeviceController* devices = nullptr;
        Clock* time = nullptr;
    };
    using RadioIdSource = std::function<std::unique_ptr<RfidRandomSource>()>;

    /// `generators`: the main station's, which must not be replaced while the strip exists.
    /// `line`: the main station's line, which the slots number from, or none; it must
    /// outlive the strip.
    SlotStrip(const StationSlots& stationSlots, std::vector<SlotSource> sources,
              NumberingGenerators generators, NumberSource* line, Dialogs& dialogs,
              std::function<QString(int)> messageText, RadioIdSource radioIdSource,
              QWidget* parent = nullptr);
    ~SlotStrip() override;

    /// Opens every slot's station (settings, production log and journal under the working
    /// folder, as station `stationName`) and takes its devices for the first time.
    void start(const std::string& stationName);

    /// Starts every slot that is idle and has a receiver on `recipe`.
    void goAll(const UnitRecipe& recipe);
    /// Starts slot `slot` (1-based) on `recipe`, when it is idle.
    void go(int slot, const UnitRecipe& recipe);
    /// Connect in slot `slot`: its binding, once the pairing window is its turn.
    void connectTransmitter(int slot, const std::optional<ReceiverFilter>& filter);

    /// Runs `onWindow` on the window's thread once slot `slot`'s station is idle, with the
    /// outcome of its last run.
    void whenSlotIdle(int slot, std::function<void(const std::optional<RunOutcome>&)> onWindow);
    /// Hands `work` to slot `slot`'s thread (its hot-plug events are taken there).
    void toSlot(int slot, std::function<void()> work);
    /// True while any slot works a unit.
    bool anyRunActive() const;
    /// The window is closing: every slot's run ends at its next step.
    void requestClose();

    int count() const { return static_cast<int>(slots_.size()); }
    SlotPanel* panel(int slot) const;
    SharedNumbering& numbering() { return numbering_; }
    const SlotAssignment& assignment() const { return assignment_; }

    void retranslate();

signals:
    /// A slot's own Go was pressed: the window answers with go(slot, its recipe).
    void goRequested(int slot);
    /// A slot's own Connect was pressed: the window answers with connectTransmitter().
    void connectRequested(int slot);

private:
    struct Slot;
    void showPortOf(int slot);
    /// Slot `slot` (1-based), or nullptr outside the strip.
    Slot* slotAt(int slot) const;
    /// Hands `command` to slot `slot`'s station on its own thread (nothing outside the strip).
    void atSlot(int slot, std::function<void(Station&)> command);

    SlotAssignment assignment_;
    PairingWindow pairing_;
    SharedNumbering numbering_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

} // namespace rfbind::app
