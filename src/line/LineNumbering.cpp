// SPDX-License-Identifier: MIT
#include "line/LineNumbering.h"

#include "numbering/OnAirId.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

namespace rfbind {

namespace {

/// Sequential radio IDs on a line are on-air IDs: bit 23 is set in both EEPROMs anyway.
constexpr std::int64_t kRadioIdEnd = 0x800000;

/// The first counter value in [from, last] that the generator hands out unchanged.
std::optional<std::int64_t> usableRadioId(std::int64_t from, std::int64_t last) {
    for (std::int64_t c = std::max<std::int64_t>(from, 0); c <= last && c < kRadioIdEnd; ++c) {
        const auto id = static_cast<std::uint32_t>(c);
        if (TProdRFID::IsAcceptable(id) && TProdRFID::MoveHighByte(id) == id)
            return c;
    }
    return std::nullopt;
}

std::optional<std::int64_t> usableSerial(std::int64_t from, std::int64_t last) {
    if (from < 0 || from > last)
        return std::nullopt;
    return from;
}

bool sequentialSerial(const TProdSN& generator) {
    return generator.IsSN() && generator.IncSNByteCount() > 0;
}

std::size_t index(NumberKind kind) {
    return static_cast<std::size_t>(kind);
}

} // namespace

LineNumbering::LineNumbering(LineConfig config, std::filesystem::path folder)
    : config_(std::move(config)), folder_(std::move(folder)) {
    leaseFile_.emplace(folder_ / "Line-leases.ini");
    const auto kept = leaseFile_->load();
    if (!kept) {
        refusal_ = kept.error().message;
        return;
    }
    for (const Lease& lease : *kept) {
        held(lease.kind).lease = lease;
        held(lease.kind).ledgerBehind = true; // it may hold uses made while offline
    }

    auto connected = LineLedger::connect(config_, LineLedger::WhenUnreachable::StartOffline);
    if (!connected) {
        // The ledger's errors say what failed themselves ("the line's database refused the
        // login: ..."), with no password in them.
        refusal_ = connected.error().message;
        return;
    }
    worker_ = std::make_unique<LineWorker>(std::move(connected.value()));
    // A station killed between an attempt's journal line and its sending sends it now.
    attemptJournalled();
}

LineNumbering::LineNumbering(std::string why) : refusal_(std::move(why)) {}

LineNumbering::~LineNumbering() = default;

bool LineNumbering::offline() const {
    return worker_ != nullptr && !worker_->online();
}

void LineNumbering::setReconnectInterval(std::chrono::milliseconds interval) {
    if (worker_)
        worker_->post([interval](LineLedger& ledger) { ledger.setReconnectInterval(interval); });
}

void LineNumbering::settle() {
    if (worker_)
        worker_->settle();
}

template <typename T>
LineResult<T> LineNumbering::ledgerCall(const std::function<LineResult<T>(LineLedger&)>& call) {
    std::optional<LineResult<T>> result;
    if (!worker_->call([&](LineLedger& ledger) { result.emplace(call(ledger)); }) || !result)
        return LineError{LineErrorKind::Unreachable, "the station is closing"};
    return std::move(*result);
}

template <typename T> std::shared_future<T> LineNumbering::ask(std::function<T(LineLedger&)> job) {
    auto promise = std::make_shared<std::promise<T>>();
    std::shared_future<T> answer = promise->get_future().share();
    // Only the job holds the promise: a job the worker drops unrun breaks it.
    worker_->post([job = std::move(job), promise = std::move(promise)](LineLedger& ledger) {
        promise->set_value(job(ledger));
    });
    return answer;
}

template <typename T> T LineNumbering::await(const std::shared_future<T>& future, T ifAbandoned) {
    if (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        worker_->waited();
    try {
        return future.get();
    } catch (const std::future_error&) {
        return ifAbandoned;
    }
}

LineNumbering::Held& LineNumbering::held(NumberKind kind) {
    return held_[index(kind)];
}

const std::optional<Lease>& LineNumbering::lease(NumberKind kind) const {
    return held_[index(kind)].lease;
}

std::string LineNumbering::poolFor(const UnitRecipe& recipe,
                                   const NumberingGenerators& generators) const {
    if (!config_.product.empty())
        return config_.product;
    const auto fixedPart = [](const TProdSN& sn) {
        return sn.IsSN() ? sn.GetFixSNText() : std::string();
    };
    std::string pool =
        LineConfig::derivedProduct(static_cast<std::uint16_t>(recipe.settings.VID),
                                   static_cast<std::uint16_t>(recipe.settings.PID),
                                   fixedPart(generators.rxSN), fixedPart(generators.txSN));
    // An ASCII fixed part with fewer characters than bytes holds zero bytes, and a zero byte
    // ends a text. The ledger has always named such a pool by its text up to that byte, so the
    // station names it so too: its held leases match the ledger's, and its journal lines name
    // a pool the ledger knows (a zero byte would make the line unreadable).
    pool.resize(std::min(pool.size(), pool.find('\0')));
    return pool;
}

std::string LineNumbering::unitPool(const UnitRecipe& recipe,
                                    const NumberingGenerators& generators) const {
    // A line that cannot be used numbers nothing: its refused attempts belong to no pool.
    return refusal_ ? std::string() : poolFor(recipe, generators);
}

NumberSource::Refused LineNumbering::refusedBy(const LineError& error,
                                               const std::string& what) const {
    // The server's messages come in lines, indented with tabs; the reason is one line under
    // the result, in the journal and in the report's table.
    std::string message;
    for (const char c : error.message) {
        const bool blank = c == ' ' || (static_cast<unsigned char>(c) < 0x20);
        if (blank && (message.empty() || message.back() == ' '))
            continue;
        message += blank ? ' ' : c;
    }
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    const FailReason reason = error.kind == LineErrorKind::Unreachable ? FailReason::LineOffline
                                                                       : FailReason::LineUnusable;
    return {reason, what + ": " + message};
}

std::optional<NumberSource::Refused> LineNumbering::saveLeases() {
    std::vector<Lease> leases;
    for (const Held& h : held_)
        if (h.lease)
            leases.push_back(*h.lease);
    const auto saved = leaseFile_->save(leases);
    if (!saved)
        return Refused{FailReason::LineUnusable, saved.error().message};
    return std::nullopt;
}

std::optional<NumberSource::Refused> LineNumbering::record(Held& h, std::int64_t value) {
    Lease& lease = *h.lease;
    // A value recorded for this run's earlier, failed unit is recorded already, unless the
    // ledger was offline then.
    const bool recorded = h.markedHere && lease.lastUsed && *lease.lastUsed >= value;
    if (recorded && !h.ledgerBehind)
        return std::nullopt;
    const Lease before = lease;
    if (!recorded) {
        // The station's own copy first, before the unit is touched: it is what a restart goes
        // on from, whatever the ledger has heard by then.
        lease.lastUsed = value;
        if (auto refused = saveLeases()) {
            lease = before;
            return refused;
        }
        h.markedHere = true;
    }
    if (worker_ == nullptr)
        return std::nullopt;
    // The ledger hears of it while the unit is programmed; the unit passes only on its answer.
    const std::int64_t upTo = *lease.lastUsed;
    h.marks.push_back(Mark{lease.id, upTo,
                           ask<MarkAnswer>([copy = before, upTo](LineLedger& ledger) mutable {
                               const auto marked = ledger.markUsed(copy, upTo);
                               return marked ? MarkAnswer{} : MarkAnswer{marked.error()};
                           })});
    const auto known = std::find_if(h.heard.begin(), h.heard.end(),
                                    [&](const Heard& e) { return e.lease.id == lease.id; });
    if (known == h.heard.end()) {
        h.heard.push_back(Heard{lease, {}, {}, {}});
        // Only the units still out need the oldest leases' answers, and they are few.
        constexpr std::size_t kLeasesHeard = 32;
        if (h.heard.size() > kLeasesHeard)
            h.heard.pop_front();
    }
    h.ledgerBehind = false; // until its answer says otherwise
    return std::nullopt;
}

void LineNumbering::hear(Held& h, bool wait) {
    const MarkAnswer abandoned{LineError{LineErrorKind::Unreachable, "the station is closing"}};
    while (!h.marks.empty()) {
        const Mark mark = h.marks.front();
        if (!wait && mark.answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        wait = false;
        h.marks.pop_front();
        heard(h, mark, await(mark.answer, abandoned));
    }
}

void LineNumbering::heard(Held& h, const Mark& mark, const MarkAnswer& answer) {
    const auto e = std::find_if(h.heard.begin(), h.heard.end(),
                                [&](const Heard& x) { return x.lease.id == mark.lease; });
    if (e == h.heard.end())
        return; // a lease so old no unit out can carry its values
    const auto confirmedTo = [&] {
        e->confirmedUpTo = std::max(e->confirmedUpTo.value_or(mark.upTo), mark.upTo);
    };
    if (!answer) {
        confirmedTo();
        return;
    }
    if (answer->kind == LineErrorKind::Unreachable) {
        // The ledger learns of it with the next record that reaches it; the unit passes
        // offline.
        h.ledgerBehind = true;
        confirmedTo();
        return;
    }
    if (answer->kind == LineErrorKind::Refused) {
        // A supervisor reclaimed the lease: its values are retired, and no unit numbered from
        // it may pass. The next unit is numbered from a block above it.
        e->reclaimed = Refused{FailReason::LeaseReclaimed, answer->message};
        if (h.lease && h.lease->id == mark.lease) {
            h.lease.reset();
            h.markedHere = false;
            h.givenBack.clear();
        }
        return;
    }
    h.ledgerBehind = true;
    e->failedUpTo.emplace(mark.upTo, refusedBy(*answer, "recording a number as used"));
}

std::optional<std::optional<NumberSource::Refused>>
LineNumbering::verdict(const Held& h, const std::string& pool, std::int64_t value) const {
    for (const Heard& e : h.heard) {
        if (e.lease.pool != pool || !e.lease.contains(value))
            continue;
        if (e.reclaimed)
            return std::optional<Refused>(*e.reclaimed);
        if (e.confirmedUpTo && *e.confirmedUpTo >= value)
            return std::optional<Refused>();
        // A later record covering the value may still confirm it.
        if (e.failedUpTo && e.failedUpTo->first >= value &&
            std::none_of(h.marks.begin(), h.marks.end(), [&](const Mark& m) {
                return m.lease == e.lease.id && m.upTo >= value;
            }))
            return std::optional<Refused>(e.failedUpTo->second);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<NumberSource::Refused>
LineNumbering::confirmValue(NumberKind kind, const std::string& pool, std::int64_t value) {
    Held& h = held(kind);
    for (;;) {
        hear(h, false);
        if (const auto said = verdict(h, pool, value))
            return *said;
        // Not answered yet: wait for the records up to the first one covering the value. A
        // value no record covers was recorded before this run, or never reached the worker:
        // nothing more will be heard of it, and the unit passes as the station's own.
        const auto covering = std::find_if(h.marks.begin(), h.marks.end(), [&](const Mark& m) {
            return std::any_of(h.heard.begin(), h.heard.end(), [&](const Heard& e) {
                return e.lease.id == m.lease && e.lease.pool == pool &&
                       e.lease.contains(value) && m.upTo >= value;
            });
        });
        if (covering == h.marks.end())
            return std::nullopt;
        hear(h, true);
    }
}

void LineNumbering::giveBack(NumberKind kind, const std::string& pool, std::int64_t value) {
    Held& h = held(kind);
    if (h.lease && h.markedHere && h.lease->pool == pool && h.lease->contains(value) &&
        h.lease->lastUsed && *h.lease->lastUsed >= value)
        h.givenBack.insert(value);
}

void LineNumbering::adopt(Held& h, const Lease& lease) {
    h.lease = lease;
    h.markedHere = false;
    h.ledgerBehind = false;
    h.givenBack.clear();
    h.resumeChecked = true;
}

void LineNumbering::leaseAhead(NumberKind kind, const std::string& pool, Held& h,
                               std::int64_t used) {
    if (worker_ == nullptr || h.ahead || !h.lease)
        return;
    // Half a block before the end the next one is asked for, so that it has long arrived
    // when this one runs out, however far away the line is.
    const std::int64_t left = h.lease->last - used;
    if (left >= std::max<std::int64_t>(1, config_.blockSize / 2))
        return;
    h.ahead = ask<LineResult<Lease>>([pool, kind, size = config_.blockSize](LineLedger& ledger) {
        return ledger.leaseBlock(pool, kind, size);
    });
}

void LineNumbering::resumeOnce(NumberKind kind, const std::string& pool, Held& h) {
    if (worker_ == nullptr || h.resumeChecked)
        return;
    const auto current = ledgerCall<std::optional<Lease>>(
        [&](LineLedger& ledger) { return ledger.currentLease(pool, kind, config_.station); });
    if (!current)
        return; // asked again at the next unit
    h.resumeChecked = true;
    if (!*current)
        return;
    const Lease& ledger = **current;
    if (h.lease && h.lease->id == ledger.id) {
        h.lease = LeaseFile::resumed(*h.lease, ledger);
    } else if (!h.lease || h.lease->usedUp()) {
        h.lease = ledger;
        h.ledgerBehind = false;
    }
}

std::optional<NumberSource::Refused> LineNumbering::secure(NumberKind kind, const std::string& pool,
                                                           std::int64_t candidate, std::int64_t end,
                                                           UsableFrom usable,
                                                           std::int64_t& chosen) {
    Held& h = held(kind);
    if (h.lease && h.lease->pool != pool) {
        // Units out may still carry the old pool's values: what the ledger says of them stays.
        Held fresh;
        fresh.marks = std::move(h.marks);
        fresh.heard = std::move(h.heard);
        h = std::move(fresh);
    }
    // An answer that arrived for an earlier unit (one that failed) may tell of a reclaimed
    // lease; one still on its way is looked at when the unit is to pass.
    hear(h, false);
    resumeOnce(kind, pool, h);
    // Leasing twice in a row and finding nothing usable can only be a pool whose values the
    // generator would all skip; give up then rather than lease forever.
    for (int round = 0; round < 3; ++round) {
        if (h.lease) {
            const Lease& lease = *h.lease;
            std::optional<std::int64_t> value;
            if (slots_ ? lease.contains(candidate) && h.givenBack.erase(candidate) > 0
                       : h.markedHere && lease.lastUsed && candidate == *lease.lastUsed)
                value = candidate;
            else
                value = usable(std::max(candidate, lease.nextUnused()), lease.last);
            if (value) {
                if (auto refused = record(h, *value))
                    return refused;
                chosen = *value;
                leaseAhead(kind, pool, h, *value);
                return std::nullopt;
            }
        }
        // Used up: go on in the block leased ahead, when it came.
        if (h.ahead) {
            const auto ahead = await(
                *h.ahead,
                LineResult<Lease>(LineError{LineErrorKind::Unreachable, "the station is closing"}));
            h.ahead.reset();
            if (ahead) {
                adopt(h, *ahead);
                // A new block is numbered from its start, wherever the local counter stood.
                candidate = h.lease->first;
                continue;
            }
        }
        if (worker_ == nullptr)
            return Refused{FailReason::LineOffline, "no lease"};
        if (h.openedPool != pool) {
            const std::int64_t first = std::clamp<std::int64_t>(candidate, 0, end - 1);
            const auto opened = ledgerCall<LineLedger::Counter>(
                [&](LineLedger& ledger) { return ledger.openPool(pool, kind, first, end); });
            if (!opened)
                return refusedBy(opened.error(), std::string("opening the pool's ") +
                                                     std::string(numberKindName(kind)));
            h.openedPool = pool;
        }
        const auto leased = ledgerCall<Lease>(
            [&](LineLedger& ledger) { return ledger.leaseBlock(pool, kind, config_.blockSize); });
        if (!leased)
            return refusedBy(leased.error(), std::string("the lease of ") +
                                                 std::string(numberKindName(kind)) + " is used up");
        adopt(h, *leased);
        // A new block is numbered from its start, wherever the local counter stood: a counter
        // set ahead by hand lies in no block of this station's.
        candidate = h.lease->first;
    }
    return Refused{FailReason::LineUnusable, std::string("no usable ") +
                                                 std::string(numberKindName(kind)) +
                                                 " in the blocks leased"};
}

std::function<LineNumbering::ClaimAnswer(LineLedger&)>
LineNumbering::claimBatch(const std::string& pool, NumberingGenerators& g) {
    // Drawn here, where the generators live; claimed on the worker.
    std::array<std::vector<std::uint32_t>, 2> drawn;
    TProdRFID* generators[2] = {&g.rxRFID, &g.txRFID};
    for (int role = 0; role < 2; ++role)
        if (generators[role]->IsRandom())
            for (std::size_t i = 0; i < kClaimBatch; ++i)
                drawn[role].push_back(static_cast<std::uint32_t>(generators[role]->NextRFID()));
    return [pool, drawn](LineLedger& ledger) {
        ClaimAnswer answer;
        answer.pool = pool;
        std::vector<std::uint32_t> onAir;
        for (const auto& ids : drawn)
            for (const std::uint32_t id : ids)
                onAir.push_back(LineLedger::onAirRadioId(id));
        const auto claimed = ledger.claimRadioIds(pool, onAir);
        if (!claimed) {
            answer.error = claimed.error();
            return answer;
        }
        // Each on-air ID claimed goes to the first draw that asked for it; a draw the same
        // on air as another (bit 23 apart) or taken already is dropped.
        std::multiset<std::uint32_t> got(claimed->begin(), claimed->end());
        for (int role = 0; role < 2; ++role)
            for (const std::uint32_t id : drawn[role])
                if (const auto at = got.find(LineLedger::onAirRadioId(id)); at != got.end()) {
                    got.erase(at);
                    answer.ids[role].push_back(id);
                }
        return answer;
    };
}

std::optional<LineError> LineNumbering::stockUp(const ClaimAnswer& answer) {
    if (answer.pool == stockPool_)
        for (int role = 0; role < 2; ++role)
            stock_[role].insert(stock_[role].end(), answer.ids[role].begin(),
                                answer.ids[role].end());
    return answer.error;
}

std::optional<NumberSource::Refused> LineNumbering::takeRandom(const std::string& pool,
                                                               NumberingGenerators& g, int role,
                                                               std::optional<std::uint32_t> avoid,
                                                               std::uint32_t& id) {
    const ClaimAnswer abandoned{
        pool, {}, LineError{LineErrorKind::Unreachable, "the station is closing"}};
    for (std::size_t tries = 0; tries < kClaimTries / kClaimBatch; ++tries) {
        while (!stock_[role].empty()) {
            const std::uint32_t next = stock_[role].front();
            stock_[role].pop_front();
            // The receiver and the transmitter of a unit are never one address on air.
            if (avoid && sameOnAir(next, *avoid))
                continue;
            id = next;
            return std::nullopt;
        }
        if (refill_) {
            const ClaimAnswer answer = await(*refill_, abandoned);
            refill_.reset();
            (void)stockUp(answer); // a refill that failed is tried again below, while waiting
            continue;
        }
        const auto claim = claimBatch(pool, g);
        std::optional<ClaimAnswer> answer;
        if (!worker_->call([&](LineLedger& ledger) { answer = claim(ledger); }) || !answer)
            answer = abandoned;
        if (const auto error = stockUp(*answer))
            return refusedBy(*error, "claiming a random radio ID");
    }
    return Refused{FailReason::LineUnusable, "every random radio ID drawn was taken"};
}

std::int64_t LineNumbering::candidate(NumberKind kind, std::int64_t fromGenerator) const {
    if (slots_)
        return fromGenerator; // the gang's numbering says which value each unit is to get
    const auto& kept = kept_[index(kind)];
    return kept && kept->fromGenerator == fromGenerator ? kept->next : fromGenerator;
}

void LineNumbering::keep(NumberKind kind, std::int64_t fromGenerator, std::int64_t next) {
    if (!slots_)
        kept_[index(kind)] = Kept{fromGenerator, next};
}

std::optional<NumberSource::Refused>
LineNumbering::handOutRandom(const std::string& pool, NumberingGenerators& g,
                             const std::array<std::optional<std::uint32_t>, 2>& sequential) {
    // Random radio IDs come from the stock claimed ahead; the ledger keeps one holder per
    // on-air ID, so every ID of the stock is this station's alone.
    if (worker_ == nullptr)
        return Refused{FailReason::LineOffline, "random radio IDs need the line"};
    if (stockPool_ != pool) {
        // IDs claimed for another pool are left unused (a gap).
        stock_ = {};
        refill_.reset();
        stockPool_ = pool;
    }
    if (refill_ && refill_->wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        (void)stockUp(await(*refill_, ClaimAnswer{}));
        refill_.reset();
    }
    if (g.rxRFID.IsRandom()) {
        std::uint32_t id = 0;
        if (auto refused = takeRandom(pool, g, 0, sequential[1], id))
            return refused;
        pendingRx_ = id;
    }
    if (g.txRFID.IsRandom()) {
        std::uint32_t id = 0;
        if (auto refused = takeRandom(pool, g, 1, pendingRx_ ? pendingRx_ : sequential[0], id))
            return refused;
        pendingTx_ = id;
    }
    // The next units' IDs are claimed while this one is programmed.
    const bool low = (g.rxRFID.IsRandom() && stock_[0].size() < kClaimLowWater) ||
                     (g.txRFID.IsRandom() && stock_[1].size() < kClaimLowWater);
    if (low && !refill_)
        refill_ = ask<ClaimAnswer>(claimBatch(pool, g));
    return std::nullopt;
}

std::optional<NumberSource::Refused>
LineNumbering::handOut(const UnitRecipe& recipe, NumberingGenerators& g, UnitNumbers& unit) {
    auto refused = handOutUnit(recipe, g, unit);
    // A serial number already taken for a unit then refused goes to the next unit.
    if (refused && slots_)
        unitFailed(unit);
    return refused;
}

std::optional<NumberSource::Refused>
LineNumbering::handOutUnit(const UnitRecipe& recipe, NumberingGenerators& g, UnitNumbers& unit) {
    unit = UnitNumbers{};
    if (refusal_)
        return Refused{FailReason::LineUnusable, *refusal_};
    pendingRx_.reset();
    pendingTx_.reset();
    const std::string pool = poolFor(recipe, g);
    unit.pool = pool;

    for (auto [kind, sn, value] : {std::tuple<NumberKind, TProdSN*, std::optional<std::int64_t>*>{
                                       NumberKind::RxSerial, &g.rxSN, &unit.rxSerialValue},
                                   std::tuple<NumberKind, TProdSN*, std::optional<std::int64_t>*>{
                                       NumberKind::TxSerial, &g.txSN, &unit.txSerialValue}}) {
        if (!sequentialSerial(*sn))
            continue;
        const std::int64_t end = std::int64_t{1} << (8 * sn->IncSNByteCount());
        const std::int64_t fromGenerator = sn->IncNextSN();
        std::int64_t chosen = 0;
        if (auto refused =
                secure(kind, pool, candidate(kind, fromGenerator), end, usableSerial, chosen))
            return refused;
        // Until a unit passes with it, the value is the one the next unit gets.
        keep(kind, fromGenerator, chosen);
        *value = chosen;
    }
    unit.rxSerial = UnitNumbers::serialOf(g.rxSN, unit.rxSerialValue);
    unit.txSerial = UnitNumbers::serialOf(g.txSN, unit.txSerialValue);

    // Sequential radio IDs: the value after the generator's counter, read without drawing it.
    std::array<std::optional<std::uint32_t>, 2> sequential; // receiver, transmitter
    for (auto [kind, gen] : {std::pair<NumberKind, TProdRFID*>{NumberKind::RxRadioId, &g.rxRFID},
                             std::pair<NumberKind, TProdRFID*>{NumberKind::TxRadioId, &g.txRFID}}) {
        if (gen->IsRandom())
            continue;
        const bool tx = kind == NumberKind::TxRadioId;
        const std::int64_t fromGenerator =
            (static_cast<std::int64_t>(static_cast<std::uint32_t>(gen->IncPrevRFID())) + 1) &
            (kRadioIdEnd - 1);
        std::int64_t chosen = 0;
        if (auto refused = secure(kind, pool, candidate(kind, fromGenerator), kRadioIdEnd,
                                  usableRadioId, chosen))
            return refused;
        // The receiver's and the transmitter's IDs come from blocks the ledger put on air
        // apart, so a unit never gets the same ID twice. A value the generator hands out
        // unchanged is the ID itself.
        keep(kind, fromGenerator, chosen);
        sequential[tx ? 1 : 0] = static_cast<std::uint32_t>(chosen);
    }
    pendingRx_ = sequential[0];
    pendingTx_ = sequential[1];

    // Random radio IDs come from the stock claimed ahead.
    if (g.rxRFID.IsRandom() || g.txRFID.IsRandom())
        return handOutRandom(pool, g, sequential);
    return std::nullopt;
}

void LineNumbering::drawRadioIds(UnitNumbers& unit, NumberingGenerators& g) {
    const auto r = pendingRx_ ? *pendingRx_ : static_cast<std::uint32_t>(g.rxRFID.NextRFID());
    const auto t = pendingTx_ ? *pendingTx_ : static_cast<std::uint32_t>(g.txRFID.NextRFID());
    // A drawn sequential ID is spent even when the unit then fails, which may carry it: the
    // next unit goes on after it.
    for (auto [kind, gen, id] :
         {std::tuple<NumberKind, TProdRFID*, std::uint32_t>{NumberKind::RxRadioId, &g.rxRFID, r},
          std::tuple<NumberKind, TProdRFID*, std::uint32_t>{NumberKind::TxRadioId, &g.txRFID, t}}) {
        auto& kept = kept_[index(kind)];
        if (!gen->IsRandom() && kept)
            kept->next = (static_cast<std::int64_t>(id) + 1) & (kRadioIdEnd - 1);
    }
    pendingRx_.reset();
    pendingTx_.reset();
    unit.ids = RadioIdPair::fromNextIds(r, t);
}

std::optional<NumberSource::Refused> LineNumbering::confirm(const UnitNumbers& unit) {
    // Each value this unit carries on its own: with several units out, another unit's answer
    // says nothing of this one's values. A random radio ID was claimed before the unit was
    // touched, and lies in no lease.
    std::optional<Refused> refused;
    const auto check = [&](NumberKind kind, std::optional<std::int64_t> value) {
        if (!value)
            return;
        if (auto r = confirmValue(kind, unit.pool, *value); r && !refused)
            refused = r;
    };
    check(NumberKind::RxSerial, unit.rxSerialValue);
    check(NumberKind::TxSerial, unit.txSerialValue);
    if (unit.ids) {
        check(NumberKind::RxRadioId, std::int64_t{unit.ids->R});
        check(NumberKind::TxRadioId, std::int64_t{unit.ids->T});
    }
    return refused;
}

void LineNumbering::unitFailed(const UnitNumbers& unit) {
    // On a station on its own the failed unit's value is kept for the next one (`Kept`).
    if (!slots_)
        return;
    if (unit.rxSerialValue)
        giveBack(NumberKind::RxSerial, unit.pool, *unit.rxSerialValue);
    if (unit.txSerialValue)
        giveBack(NumberKind::TxSerial, unit.pool, *unit.txSerialValue);
}

NumberingAdvance::Advanced LineNumbering::unitPassed(const UnitNumbers& unit,
                                                     NumberingGenerators& generators) {
    // The generators now stand after the unit's numbers, and the next unit goes on from them.
    for (auto& kept : kept_)
        kept.reset();
    return NumberSource::unitPassed(unit, generators);
}

void LineNumbering::attemptJournalled() {
    if (worker_ == nullptr || syncQueued_->exchange(true))
        return; // a sync still to start sends this line too
    // A backlog that cannot be sent now goes with a later attempt; it never fails a unit.
    worker_->post([folder = folder_, queued = syncQueued_](LineLedger& ledger) {
        queued->store(false);
        (void)AttemptsOutbox(folder).sync(ledger);
    });
}

} // namespace rfbind
