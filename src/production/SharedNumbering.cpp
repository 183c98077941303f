// SPDX-License-Identifier: MIT
#include "production/SharedNumbering.h"

#include "numbering/OnAirId.h"
#include "text/Hex.h"

#include <utility>

namespace rfbind {

namespace {

/// The counter value after `value` under `generator`'s rules (its width, its wrap), without
/// moving the generator.
std::int64_t serialAfter(TProdSN& generator, std::int64_t value) {
    const std::int64_t prev = generator.IncPrevSN();
    generator.SetIncPrevSN(value);
    const std::int64_t next = generator.IncNextSN();
    generator.SetIncPrevSN(prev);
    return next;
}

bool counts(const TProdSN& generator) {
    return generator.IsSN() && generator.IncSNByteCount() > 0;
}

std::string serialText(const TProdSN& generator, std::int64_t value) {
    return hexText(static_cast<std::uint64_t>(value), 2 * generator.IncSNByteCount());
}

/// The radio ID the next draw would give, without consuming it.
std::uint32_t peekId(TProdRFID& generator) {
    const std::int32_t prev = generator.IncPrevRFID();
    const auto next = static_cast<std::uint32_t>(generator.NextRFID());
    generator.SetIncPrevRFID(prev);
    return next;
}

} // namespace

/// One slot's view of the shared numbering: what its runs call.
class SlotNumberSource final : public NumberSource {
public:
    explicit SlotNumberSource(SharedNumbering& shared) : shared_(shared) {}

    std::optional<std::string> refusal() const override {
        const std::lock_guard lock(shared_.mutex_);
        return shared_.refusal_;
    }

    std::optional<Refused> handOut(const UnitRecipe&, NumberingGenerators&,
                                   UnitNumbers& unit) override {
        const std::lock_guard lock(shared_.mutex_);
        shared_.handOut(unit);
        return std::nullopt;
    }

    void drawRadioIds(UnitNumbers& unit, NumberingGenerators&) override {
        const std::lock_guard lock(shared_.mutex_);
        shared_.drawRadioIds(unit);
    }

    NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit,
                                          NumberingGenerators&) override {
        const std::lock_guard lock(shared_.mutex_);
        return shared_.unitPassed(unit);
    }

    void unitFailed(const UnitNumbers& unit) override {
        const std::lock_guard lock(shared_.mutex_);
        shared_.unitFailed(unit);
    }

    std::unique_lock<std::mutex> unitEnding() override {
        return std::unique_lock<std::mutex>(shared_.ending_);
    }

    void attemptJournalled() override {}
    bool offline() const override { return false; }

private:
    SharedNumbering& shared_;
};

SharedNumbering::SharedNumbering(NumberingGenerators generators, Store store)
    : generators_(generators), store_(std::move(store)) {}

void SharedNumbering::refuseAll(std::string why) {
    const std::lock_guard lock(mutex_);
    refusal_ = std::move(why);
}

std::unique_ptr<NumberSource> SharedNumbering::source(int slot) {
    (void)slot; // every slot numbers alike; the slot is kept for what a line's claims name
    return std::make_unique<SlotNumberSource>(*this);
}

bool SharedNumbering::store(std::string& why) {
    const std::lock_guard lock(mutex_);
    return !store_ || store_(generators_, why);
}

void SharedNumbering::withGenerators(const std::function<void(NumberingGenerators&)>& change) {
    const std::lock_guard lock(mutex_);
    change(generators_);
}

std::size_t SharedNumbering::heldCount() const {
    const std::lock_guard lock(mutex_);
    return rxSerials_.held.size() + txSerials_.held.size() + heldIds_.size();
}

// ---- serial numbers ------------------------------------------------------------------------

std::optional<std::int64_t> SharedNumbering::takeSerial(SerialBook& book, TProdSN& generator) {
    if (!counts(generator))
        return std::nullopt;
    const std::int64_t generatorNext = generator.IncNextSN();
    if (book.generatorNext && *book.generatorNext != generatorNext) {
        // The numbering was changed between units: it goes on from the new value, and the
        // numbers given back belong to the old one.
        book.cursor.reset();
        book.givenBack.clear();
    }
    book.generatorNext = generatorNext;

    if (!book.givenBack.empty()) {
        const auto oldest = book.givenBack.begin();
        const std::int64_t value = oldest->second;
        book.held.emplace(value, oldest->first);
        book.givenBack.erase(oldest);
        return value;
    }
    std::int64_t value = book.cursor.value_or(generatorNext);
    // A change back to a value a running unit still holds skips it; the running units hold
    // few numbers, so this ends after at most that many steps.
    for (std::size_t i = 0; i <= book.held.size() && book.held.contains(value); ++i)
        value = serialAfter(generator, value);
    book.held.emplace(value, book.nextOrder++);
    book.cursor = serialAfter(generator, value);
    return value;
}

std::int64_t SharedNumbering::peekSerial(SerialBook& book, TProdSN& generator) {
    if (!book.givenBack.empty())
        return book.givenBack.begin()->second;
    return book.cursor.value_or(generator.IncNextSN());
}

std::optional<NumberingAdvance::Shown>
SharedNumbering::commitSerial(SerialBook& book, TProdSN& generator, std::int64_t value) {
    const auto it = book.held.find(value);
    if (it == book.held.end() || !counts(generator))
        return std::nullopt;
    const std::uint64_t order = it->second;
    book.held.erase(it);
    // Only a number handed out after every committed one moves the generator: a unit that
    // started earlier and ends later must not take it back behind a number already logged.
    if (order > book.committedOrder) {
        book.committedOrder = order;
        generator.SetIncCurrentSN(value);
        book.generatorNext = generator.IncNextSN();
    }
    return NumberingAdvance::Shown{serialText(generator, generator.IncCurrentSN()),
                                   serialText(generator, peekSerial(book, generator))};
}

void SharedNumbering::giveBackSerial(SerialBook& book, std::int64_t value) {
    const auto it = book.held.find(value);
    if (it == book.held.end())
        return;
    book.givenBack.emplace(it->second, value);
    book.held.erase(it);
}

// ---- radio IDs -----------------------------------------------------------------------------

std::uint32_t SharedNumbering::drawId(TProdRFID& generator) {
    auto id = static_cast<std::uint32_t>(generator.NextRFID());
    // A random draw may meet an ID a running unit holds; a counter only after 2^24 units.
    for (int i = 0; i < 1024 && heldIds_.contains(onAirRadioId(id)); ++i)
        id = static_cast<std::uint32_t>(generator.NextRFID());
    return id;
}

void SharedNumbering::drawRadioIds(UnitNumbers& unit) {
    const std::uint32_t r = drawId(generators_.rxRFID);
    RadioIdPair ids = RadioIdPair::fromNextIds(r, drawId(generators_.txRFID));
    // The transmitter's ID moved off the receiver's may land on one another unit holds.
    for (int i = 0; i < 1024 && heldIds_.contains(onAirRadioId(ids.T)); ++i)
        ids = RadioIdPair::fromNextIds(r, drawId(generators_.txRFID));
    heldIds_.insert(onAirRadioId(ids.R));
    heldIds_.insert(onAirRadioId(ids.T));
    idOrder_[onAirRadioId(ids.R)] = nextIdOrder_++;
    unit.ids = ids;
}

std::optional<NumberingAdvance::Shown>
SharedNumbering::commitId(TProdRFID& generator, std::uint64_t& committed, std::uint64_t order,
                          std::uint32_t id) {
    if (generator.IsRandom())
        return std::nullopt;
    if (order > committed) {
        committed = order;
        // The counter stays where the draws left it: other running units hold the IDs
        // between this one and it, and the next unit must get one after all of them.
        const std::int32_t drawnTo = generator.IncPrevRFID();
        generator.SetIncCurrentRFID(static_cast<std::int32_t>(id));
        if (static_cast<std::int32_t>(static_cast<std::uint32_t>(drawnTo) - id) > 0)
            generator.SetIncPrevRFID(drawnTo);
    }
    const auto current = static_cast<std::uint32_t>(generator.IncCurrentRFID());
    return NumberingAdvance::Shown{radioIdText(current), radioIdText(peekId(generator))};
}

// ---- a unit's numbers ----------------------------------------------------------------------

void SharedNumbering::handOut(UnitNumbers& unit) {
    unit = UnitNumbers{};
    unit.rxSerialValue = takeSerial(rxSerials_, generators_.rxSN);
    unit.txSerialValue = takeSerial(txSerials_, generators_.txSN);
    unit.rxSerial = UnitNumbers::serialOf(generators_.rxSN, unit.rxSerialValue);
    unit.txSerial = UnitNumbers::serialOf(generators_.txSN, unit.txSerialValue);
}

NumberingAdvance::Advanced SharedNumbering::unitPassed(const UnitNumbers& unit) {
    NumberingAdvance::Advanced a;
    if (unit.rxSerialValue)
        a.rxSerial = commitSerial(rxSerials_, generators_.rxSN, *unit.rxSerialValue);
    if (unit.txSerialValue)
        a.txSerial = commitSerial(txSerials_, generators_.txSN, *unit.txSerialValue);
    if (unit.ids) {
        const auto drawn = idOrder_.find(onAirRadioId(unit.ids->R));
        const std::uint64_t order = drawn != idOrder_.end() ? drawn->second : 0;
        a.rxRadioId = commitId(generators_.rxRFID, rxIdCommitted_, order, unit.ids->R);
        a.txRadioId = commitId(generators_.txRFID, txIdCommitted_, order, unit.ids->T);
        heldIds_.erase(onAirRadioId(unit.ids->R));
        heldIds_.erase(onAirRadioId(unit.ids->T));
        idOrder_.erase(onAirRadioId(unit.ids->R));
    }
    return a;
}

void SharedNumbering::unitFailed(const UnitNumbers& unit) {
    if (unit.rxSerialValue)
        giveBackSerial(rxSerials_, *unit.rxSerialValue);
    if (unit.txSerialValue)
        giveBackSerial(txSerials_, *unit.txSerialValue);
    // The radio IDs are not handed out again (the unit may carry them), but no running unit
    // holds them any more.
    if (unit.ids) {
        heldIds_.erase(onAirRadioId(unit.ids->R));
        heldIds_.erase(onAirRadioId(unit.ids->T));
        idOrder_.erase(onAirRadioId(unit.ids->R));
    }
}

} // namespace rfbind
