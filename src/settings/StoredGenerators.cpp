// SPDX-License-Identifier: MIT
#include "settings/StoredGenerators.h"

#include "settings/CompStream.h"
#include "settings/IniFile.h"
#include "settings/StationSettings.h"

namespace rfbind {

namespace {

template <class T>
std::unique_ptr<T> load(const IniFile& ini, std::string_view key,
                        std::vector<std::string>& problems) {
    const std::string value = ini.readString(kSettingsSection, key);
    std::string error;
    auto generator = GeneratorFromIniValue<T>(value, &error);
    if (!error.empty()) {
        // The whole text can be long; its start is enough to recognise it.
        const std::string shown = value.size() > 60 ? value.substr(0, 60) + "..." : value;
        problems.push_back(std::string(key) + "=" + shown + " (" + error + ")");
    }
    return generator;
}

// A restart never rewinds a batch: the stored counter stands. A supervisor who raised the
// initial value in the file by hand to start a new batch gets it, though: the counter is the
// larger of the two, so raising starts the new batch and lowering rewinds nothing.
void continueBatch(TProdSN& sn) {
    const std::int64_t beforeInitial =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(sn.IncInitSN()) - 1);
    if (beforeInitial > sn.IncPrevSN())
        sn.SetIncPrevSN(beforeInitial);
}

void storeRadioIds(IniFile& ini, std::string_view key, TProdRFID& generator) {
    generator.SetIncInitRFID(generator.NextRFID());
    ini.writeString(kSettingsSection, key, GeneratorToIniValue(generator));
}

} // namespace

StoredGenerators LoadGenerators(const IniFile& ini) {
    StoredGenerators g;
    g.RxSN = load<TProdSN>(ini, "RXSNINFO", g.problems);
    g.TxSN = load<TProdSN>(ini, "TXSNINFO", g.problems);
    continueBatch(*g.RxSN);
    continueBatch(*g.TxSN);
    g.RxRFID = load<TProdRFID>(ini, "RXRFIDINFO", g.problems);
    g.TxRFID = load<TProdRFID>(ini, "TXRFIDINFO", g.problems);
    return g;
}

void StoreGenerators(IniFile& ini, TProdSN& rxSN, TProdSN& txSN, TProdRFID& rxRFID,
                     TProdRFID& txRFID) {
    // A generator text never holds a line end (they become ";"), so these writes cannot be
    // refused.
    ini.writeString(kSettingsSection, "RXSNINFO", GeneratorToIniValue(rxSN));
    ini.writeString(kSettingsSection, "TXSNINFO", GeneratorToIniValue(txSN));
    storeRadioIds(ini, "RXRFIDINFO", rxRFID);
    storeRadioIds(ini, "TXRFIDINFO", txRFID);
}

} // namespace rfbind
