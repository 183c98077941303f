// SPDX-License-Identifier: MIT
#pragma once

#include "line/AttemptsOutbox.h"
#include "line/Lease.h"
#include "line/LeaseFile.h"
#include "line/LineConfig.h"
#include "line/LineLedger.h"
#include "production/NumberSource.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace rfbind {

/// A station numbering from its line: the generators' counters are kept inside blocks leased
/// from the line's ledger, random radio IDs are claimed there, and every attempt the journal
/// holds is sent there.
///
/// Per unit, before anything is written to it (`handOut`):
/// 1. the pool is the configured product, or the one derived from the recipe;
/// 2. for each sequential generator (serial numbers with an incrementing part, sequential
///    radio IDs) the value after the generator's counter is the unit's when it lies in the
///    station's lease for that kind; when it does not, the unit gets the lease's next unused
///    value, and when the lease is used up a new block is leased. The generator's counter is
///    not moved: it goes on after the unit's value when the unit passes. A station restarted
///    resumes its own lease (its `Line-leases.ini` and the ledger's, the higher use of the two);
/// 3. the value is recorded as possibly used, first in `Line-leases.ini`, then in the ledger
///    (`markUsed`; offline this waits for the next call that reaches it);
/// 4. random radio IDs are drawn and claimed in the ledger, drawing again on a repeat.
///
/// A sequential radio ID is used on the line only when the generator hands out its counter
/// value unchanged (no moved high byte) and below bit 23, so that a lease of counter values is
/// a lease of on-air IDs: the moved high bytes would otherwise hand out IDs of another
/// station's block. The ledger claims a block's IDs on air with its lease, so random draws,
/// the other counter and other pools keep out of it.
///
/// A serial number handed to a unit that then failed goes to the next unit, as on a station
/// on its own, but only within the same run of the program: after a restart the station goes
/// on after the last value it recorded. A sequential radio ID a failed unit drew does not.
///
/// Offline (the ledger unreachable) the station keeps numbering inside its lease; when the
/// lease is used up, or a random radio ID is to be claimed, the unit is refused with
/// `FailReason::LineOffline`. The journal's backlog is sent after every attempt (`sync`); a
/// failure there never fails a unit.
class LineNumbering final : public NumberSource {
public:
    /// Connects to the line of `config` for the station whose working folder is `folder`.
    /// Never fails: a line that cannot be used (a login refused, a bad URI, a station name
    /// already connected, an unreadable `Line-leases.ini`) makes `refusal()` say why. A server
    /// that does not answer is no refusal: the station starts offline with its own leases.
    /// Online, the journal's backlog is sent at once.
    LineNumbering(LineConfig config, std::filesystem::path folder);

    /// A line that cannot be used at all, e.g. a Line.ini that cannot be parsed: every Go is
    /// refused with `why`.
    explicit LineNumbering(std::string why);

    ~LineNumbering() override;

    std::optional<std::string> refusal() const override { return refusal_; }
    std::optional<Refused> handOut(const UnitRecipe& recipe, NumberingGenerators& generators,
                                   UnitNumbers& unit) override;
    void drawRadioIds(UnitNumbers& unit, NumberingGenerators& generators) override;
    NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit,
                                          NumberingGenerators& generators) override;
    void attemptJournalled() override;
    bool offline() const override;
    std::string unitPool(const UnitRecipe& recipe,
                         const NumberingGenerators& generators) const override;

    /// The pool numbers come from for `recipe`: the configured product, or the derived one as
    /// the ledger names it (up to a zero byte of an ASCII fixed part).
    std::string poolFor(const UnitRecipe& recipe, const NumberingGenerators& generators) const;

    /// The connection to the ledger; null when the line cannot be used.
    LineLedger* ledger() { return ledger_.get(); }

    /// The lease held for `kind`, if any (for display and tests).
    const std::optional<Lease>& lease(NumberKind kind) const;

    /// Tries of drawing a random radio ID that the ledger reports taken before giving up.
    static constexpr int kClaimTries = 64;

private:
    struct Held {
        std::optional<Lease> lease;
        bool resumeChecked = false; ///< the ledger was asked for this station's lease once
        bool markedHere = false;    ///< lastUsed was recorded by this run of the program
        bool ledgerBehind = false;  ///< lastUsed may be higher than the ledger's (offline use)
        std::string openedPool;     ///< the pool whose counter this run has opened
    };

    using UsableFrom = std::optional<std::int64_t> (*)(std::int64_t from, std::int64_t last);

    std::optional<Refused> secure(NumberKind kind, const std::string& pool,
                                  std::int64_t candidate, std::int64_t end, UsableFrom usable,
                                  std::int64_t& chosen);
    std::optional<Refused> record(Held& held, std::int64_t value, bool& reclaimed);
    std::optional<Refused> saveLeases();
    std::optional<Refused> claimRandom(const std::string& pool, TProdRFID& generator,
                                       std::optional<std::uint32_t> avoid, std::uint32_t& id);
    Refused refusedBy(const LineError& error, const std::string& what) const;
    Held& held(NumberKind kind);

    /// Where this station goes on for a sequential kind while no unit has passed since: the
    /// value a failed unit was given (or after the radio ID it drew), as long as the
    /// generator still stands where it stood then (an operator who sets it anew is obeyed).
    struct Kept {
        std::int64_t fromGenerator = 0;
        std::int64_t next = 0;
    };
    std::int64_t candidate(NumberKind kind, std::int64_t fromGenerator) const;
    void keep(NumberKind kind, std::int64_t fromGenerator, std::int64_t next);

    LineConfig config_;
    std::filesystem::path folder_;
    std::unique_ptr<LineLedger> ledger_;
    std::optional<LeaseFile> leaseFile_;
    std::optional<std::string> refusal_;
    std::array<Held, 4> held_{};
    std::array<std::optional<Kept>, 4> kept_{};
    std::optional<std::uint32_t> pendingRx_;
    std::optional<std::uint32_t> pendingTx_;
};

} // namespace rfbind
