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
        if (shared_.upstream_ == nullptr)
            return std::nullopt;
        return shared_.upstream_->refusal();
    }

    std::optional<Refused> handOut(const UnitRecipe& recipe, NumberingGenerators&,
                                   UnitNumbers& unit) override {
        const std::lock_guard lock(shared_.mutex_);
        ids_.reset();
        if (shared_.upstream_ != nullptr)
            return shared_.handOutFromLine(recipe, unit, ids_);
        shared_.handOut(unit);
        return std::nullopt;
    }

    void drawRadioIds(UnitNumbers& unit, NumberingGenerators&) override {
        const std::lock_guard lock(shared_.mutex_);
        if (shared_.upstream_ == nullptr) {
            shared_.drawRadioIds(unit);
            return;
        }
        // Drawn on the line with the unit's other numbers, so that no other slot's unit can
        // come in between.
        unit.ids = ids_;
        ids_.reset();
    }

    std::optional<Refused> confirm(const UnitNumbers& unit) override {
        const std::lock_guard lock(shared_.mutex_);
        if (shared_.upstream_ == nullptr)
            return std::nullopt;
        return shared_.upstream_->confirm(unit);
    }

    NumberingAdvance::Advanced unitPassed(const UnitNumbers& unit,
                                          NumberingGenerators&) override {
        const std::lock_guard lock(shared_.mutex_);
        return shared_.unitPassed(unit);
    }

    void unitFailed(const UnitNumbers& unit) override {
        const std::lock_guard lock(shared_.mutex_);
        // A unit that failed before its radio IDs no longer holds the ones drawn for it.
        UnitNumbers ended = unit;
        if (!ended.ids)
            ended.ids = ids_;
        ids_.reset();
        shared_.unitFailed(ended);
        if (shared_.upstream_ != nullptr)
            shared_.upstream_->unitFailed(unit);
    }

    std::string unitPool(const UnitRecipe& recipe, const NumberingGenerators&) const override {
        const std::lock_guard lock(shared_.mutex_);
        if (shared_.upstream_ == nullptr)
            return {};
        return shared_.upstream_->unitPool(recipe, shared_.generators_);
    }

    std::unique_lock<std::mutex> unitEnding() override {
        return std::unique_lock<std::mutex>(shared_.ending_);
    }

    void attemptJournalled() override {
        const std::lock_guard lock(shared_.mutex_);
        if (shared_.upstream_ != nullptr)
            shared_.upstream_->attemptJournalled();
    }

    bool offline() const override {
        const std::lock_guard lock(shared_.mutex_);
        return shared_.upstream_ != nullptr && shared_.upstream_->offline();
    }

private:
    SharedNumbering& shared_;
    /// The radio IDs the line drew for this slot's unit, until the run reaches them.
    std::optional<RadioIdPair> ids_;
};

SharedNumbering::SharedNumbering(NumberingGenerators generators, Store store,
                                 NumberSource* upstream)
    : generators_(generators), store_(std::move(store)), upstream_(upstream) {
    if (upstream_ != nullptr)
        upstream_->handOutForSlots();
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

std::optional<SharedNumbering::Wanted> SharedNumbering::wantSerial(SerialBook& book,
                                                                   TProdSN& generator) {
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
        return Wanted{oldest->second, oldest->first};
    }
    std::int64_t value = book.cursor.value_or(generatorNext);
    // A change back to a value a running unit still holds skips it; the running units hold
    // few numbers, so this ends after at most that many steps.
    for (std::size_t i = 0; i <= book.held.size() && book.held.contains(value); ++i)
        value = serialAfter(generator, value);
    return Wanted{value, std::nullopt};
}

std::optional<std::int64_t> SharedNumbering::takeSerial(SerialBook& book, TProdSN& generator) {
    const auto wanted = wantSerial(book, generator);
    if (!wanted)
        return std::nullopt;
    holdSerial(book, generator, wanted, wanted->value);
    if (!wanted->givenBackOrder)
        book.cursor = serialAfter(generator, wanted->value);
    return wanted->value;
}

void SharedNumbering::holdSerial(SerialBook& book, TProdSN& generator,
                                 const std::optional<Wanted>& wanted,
                                 std::optional<std::int64_t> chosen) {
    if (wanted && wanted->givenBackOrder) {
        // Taken, or passed over by the line (its lease no longer covers it): given back no
        // more either way.
        book.givenBack.erase(*wanted->givenBackOrder);
        if (chosen == wanted->value) {
            book.held.emplace(*chosen, *wanted->givenBackOrder);
            return;
        }
    }
    if (!chosen)
        return;
    book.held.emplace(*chosen, book.nextOrder++);
    // The next fresh value is the one after it. A line never hands out a fresh value below
    // one it handed out before; the cursor never goes back either way.
    if (!book.cursor || *chosen >= *book.cursor)
        book.cursor = serialAfter(generator, *chosen);
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

void SharedNumbering::holdIds(const RadioIdPair& ids) {
    heldIds_.insert(onAirRadioId(ids.R));
    heldIds_.insert(onAirRadioId(ids.T));
    idOrder_[onAirRadioId(ids.R)] = nextIdOrder_++;
}

void SharedNumbering::releaseIds(const RadioIdPair& ids) {
    heldIds_.erase(onAirRadioId(ids.R));
    heldIds_.erase(onAirRadioId(ids.T));
    idOrder_.erase(onAirRadioId(ids.R));
}

void SharedNumbering::drawRadioIds(UnitNumbers& unit) {
    const std::uint32_t r = drawId(generators_.rxRFID);
    RadioIdPair ids = RadioIdPair::fromNextIds(r, drawId(generators_.txRFID));
    // The transmitter's ID moved off the receiver's may land on one another unit holds.
    for (int i = 0; i < 1024 && heldIds_.contains(onAirRadioId(ids.T)); ++i)
        ids = RadioIdPair::fromNextIds(r, drawId(generators_.txRFID));
    holdIds(ids);
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
        releaseIds(*unit.ids);
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
    if (unit.ids)
        releaseIds(*unit.ids);
}

namespace {

/// A sequential generator's counters alone, for the line to read and draw from.
TProdRFID counterCopy(const TProdRFID& generator) {
    TProdRFID copy(kAllZeroState);
    copy.SetIncInitRFID(generator.IncInitRFID());
    copy.SetIncCurrentRFID(generator.IncCurrentRFID());
    copy.SetIncPrevRFID(generator.IncPrevRFID());
    return copy;
}

/// The generator's counter moved up to `id`, drawn on the line, never back.
void drawnTo(TProdRFID& generator, std::uint32_t id) {
    if (!generator.IsRandom() &&
        static_cast<std::int32_t>(id - static_cast<std::uint32_t>(generator.IncPrevRFID())) > 0)
        generator.SetIncPrevRFID(static_cast<std::int32_t>(id));
}

} // namespace

std::optional<NumberSource::Refused>
SharedNumbering::handOutFromLine(const UnitRecipe& recipe, UnitNumbers& unit,
                                 std::optional<RadioIdPair>& ids) {
    const auto wantRx = wantSerial(rxSerials_, generators_.rxSN);
    const auto wantTx = wantSerial(txSerials_, generators_.txSN);
    // The line hands out "the value after the generator's counter" when its lease covers it:
    // it is given copies whose counters stand just before the values wanted. Its sequential
    // radio IDs go on after the highest one this gang drew; random ones come from its stock.
    TProdSN rxSN = generators_.rxSN;
    TProdSN txSN = generators_.txSN;
    if (wantRx)
        rxSN.SetIncPrevSN(wantRx->value - 1);
    if (wantTx)
        txSN.SetIncPrevSN(wantTx->value - 1);
    TProdRFID rxCounter = counterCopy(generators_.rxRFID);
    TProdRFID txCounter = counterCopy(generators_.txRFID);
    NumberingGenerators copy{rxSN, txSN,
                             generators_.rxRFID.IsRandom() ? generators_.rxRFID : rxCounter,
                             generators_.txRFID.IsRandom() ? generators_.txRFID : txCounter};
    if (auto refused = upstream_->handOut(recipe, copy, unit))
        return refused;
    // Drawn at once: the line keeps one unit's radio IDs between the two calls.
    upstream_->drawRadioIds(unit, copy);
    ids = unit.ids;
    unit.ids.reset();

    holdSerial(rxSerials_, generators_.rxSN, wantRx, unit.rxSerialValue);
    holdSerial(txSerials_, generators_.txSN, wantTx, unit.txSerialValue);
    if (ids) {
        holdIds(*ids);
        drawnTo(generators_.rxRFID, ids->R);
        drawnTo(generators_.txRFID, ids->T);
    }
    return std::nullopt;
}

} // namespace rfbind
