// SPDX-License-Identifier: MIT
#pragma once

#include "production/NumberSource.h"
#include "production/NumberingAdvance.h"
#include "production/NumberingGenerators.h"
#include "production/UnitNumbers.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace rfbind {

/// One numbering for every slot of a gang station: the station's four generators, and the
/// numbers the units running in its slots hold.
///
/// A unit takes its numbers when it draws them and holds them until it ends. A passed unit
/// commits them: the generators move past them, but never back behind a number another unit
/// committed first, so TX.ini always holds the highest committed value. A failed unit gives
/// its serial numbers back, and the next unit of any slot gets them first, oldest first; the
/// radio IDs it drew are not handed out again, as on a station on its own (it may carry them).
/// No two running units ever hold the same serial number or the same radio ID on air.
///
/// Numbers are handed out in the order units ask for them; a change of the numbering made
/// between units (a new first serial number or radio ID) applies to the next number drawn and
/// drops the serial numbers given back under the old numbering.
///
/// On a line the numbers come from the station's leases (an upstream number source): the
/// numbering decides which serial value each unit is to get, as above, and the line hands out
/// the value it can vouch for, which may be another (a value given back that the lease no
/// longer covers, a new block). The unit holds what the line handed out. The line is called
/// by one slot at a time, under this object's lock.
///
/// Thread-safe: each slot's station calls its own source() from its own thread. The generators
/// must outlive this object and must be changed only through withGenerators() while any slot
/// may run. Nothing throws.
class SharedNumbering {
public:
    /// Writes the generators into TX.ini; false with the reason when the file could not be
    /// written. Called with the numbering locked, so the file never goes back behind a commit.
    using Store = std::function<bool(const NumberingGenerators& generators, std::string& why)>;

    /// `upstream`: where the numbers come from when not from the generators alone (the
    /// station's line), or none; it must outlive this object.
    SharedNumbering(NumberingGenerators generators, Store store, NumberSource* upstream = nullptr);
    SharedNumbering(const SharedNumbering&) = delete;
    SharedNumbering& operator=(const SharedNumbering&) = delete;

    /// The number source slot `slot` (1-based) hands its runs. Any generators a run passes to
    /// it are ignored: every slot numbers from the shared ones. Must not outlive this object.
    std::unique_ptr<NumberSource> source(int slot);

    /// Stores the generators as they are now (after a unit passed); see Store.
    bool store(std::string& why);

    /// Runs `change` on the generators with the numbering locked (a settings load, a panel
    /// change between units, a read for the panels).
    void withGenerators(const std::function<void(NumberingGenerators&)>& change);

    /// How many serial numbers and radio IDs running units hold now.
    std::size_t heldCount() const;

private:
    friend class SlotNumberSource;

    /// The serial numbers of one generator: who holds which, which were given back, and how
    /// far the handing-out has gone.
    struct SerialBook {
        /// Held value -> the order it was first handed out in.
        std::map<std::int64_t, std::uint64_t> held;
        /// Given back, by the order they were first handed out in: the oldest goes first.
        std::map<std::uint64_t, std::int64_t> givenBack;
        /// The value the next fresh hand-out gets, once anything was handed out.
        std::optional<std::int64_t> cursor;
        /// What the generator's next value was after this book last moved it: any other value
        /// means the numbering was changed between units.
        std::optional<std::int64_t> generatorNext;
        std::uint64_t nextOrder = 1;
        std::uint64_t committedOrder = 0;
    };

    std::optional<std::int64_t> takeSerial(SerialBook& book, TProdSN& generator);
    std::optional<NumberingAdvance::Shown> commitSerial(SerialBook& book, TProdSN& generator,
                                                        std::int64_t value);
    void giveBackSerial(SerialBook& book, std::int64_t value);
    std::int64_t peekSerial(SerialBook& book, TProdSN& generator);

    /// The serial value the next unit is to get: the oldest given back, else the next fresh
    /// one; the order it was given back under, if it was.
    struct Wanted {
        std::int64_t value = 0;
        std::optional<std::uint64_t> givenBackOrder;
    };
    std::optional<Wanted> wantSerial(SerialBook& book, TProdSN& generator);
    /// The unit holds `chosen`, which the line handed out for `wanted`.
    void holdSerial(SerialBook& book, TProdSN& generator, const std::optional<Wanted>& wanted,
                    std::optional<std::int64_t> chosen);
    void holdIds(const RadioIdPair& ids);
    void releaseIds(const RadioIdPair& ids);

    std::uint32_t drawId(TProdRFID& generator);
    std::optional<NumberingAdvance::Shown> commitId(TProdRFID& generator, std::uint64_t& committed,
                                                    std::uint64_t order, std::uint32_t id);

    // What the slots' sources call, each with the numbering locked.
    void handOut(UnitNumbers& unit);
    /// The unit's numbers from the line, its radio IDs into `ids`.
    std::optional<NumberSource::Refused> handOutFromLine(const UnitRecipe& recipe,
                                                         UnitNumbers& unit,
                                                         std::optional<RadioIdPair>& ids);
    void drawRadioIds(UnitNumbers& unit);
    NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit);
    void unitFailed(const UnitNumbers& unit);

    mutable std::mutex mutex_;
    /// Held by a unit from its commit to its log and journal lines (NumberSource::unitEnding).
    std::mutex ending_;
    NumberingGenerators generators_;
    Store store_;
    NumberSource* upstream_ = nullptr;
    SerialBook rxSerials_;
    SerialBook txSerials_;
    /// Radio IDs running units hold, as they are on air (either generator's).
    std::set<std::uint32_t> heldIds_;
    /// The order each held ID pair was drawn in, by the receiver's ID on air.
    std::map<std::uint32_t, std::uint64_t> idOrder_;
    std::uint64_t nextIdOrder_ = 1;
    std::uint64_t rxIdCommitted_ = 0;
    std::uint64_t txIdCommitted_ = 0;
};

} // namespace rfbind
