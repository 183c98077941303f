// SPDX-License-Identifier: MIT
#pragma once

// What a programmed unit must hold, worked out from the station's settings by the rules of
// the firmware contract alone: none of the station's own encoders, tables or generators is
// used here, so a wrong table in the station cannot agree with itself.

#include "TForm1.h"
#include "numbering/RfidRandomSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

namespace rfbind::test {

/// A serial-number rule as the numbering panel sets it.
struct SerialRule {
    bool on = false;
    bool date = true;
    int fixBytes = 2;
    std::int64_t fix = 0;
    int incBytes = 2;
    std::int64_t next = 0; ///< the incrementing value the next unit gets
};

/// The station's choices for one production batch, set through the window's controls and
/// generators before the run.
struct StationChoice {
    const char* name = "";
    int custKey1 = 7; ///< list index: "WWW HOME"
    int custKey2 = 8; ///< "MAIL"
    bool mouseOnly = true;
    bool switchCpi = false;  ///< "Switch CPI by L+R" enabled
    bool cpiHigh = false;
    int powerSaving = 0;     ///< 0 off, 1 L+R+M wake-up, 2 on
    bool buttonWakeupOnly = false;
    int battery = -1;        ///< list index; -1 nothing selected (no TX.ini)
    QString vid, pid;        ///< field texts
    QString product;         ///< product string field
    bool lrmBinding = false;
    int rfPower = 3;         ///< "-20"
    bool resetRf = true;
    int sleep = 56;
    int wakeupPeriod = 15;
    bool keyboardBinding = false;
    SerialRule rxSerial, txSerial;
    bool sequentialIds = false;
    std::int32_t rxFirstId = 0, txFirstId = 0; ///< sequential: first ID; random: the draw
    double ackLoss = 0.0;
};

/// Random radio IDs that are known in advance: every draw gives the same value.
class FixedDraw : public RfidRandomSource {
public:
    explicit FixedDraw(std::uint32_t value) : value_(value) {}
    void reseed() override {}
    std::uint32_t draw24() override { return value_; }

private:
    std::uint32_t value_;
};

/// Puts the choice into the station window (RunMode 0: each change saves the settings).
inline void applyChoice(app::TForm1& form, const StationChoice& c) {
    const auto radio = [&](const char* name) { form.findChild<QRadioButton*>(name)->setChecked(true); };
    form.findChild<QComboBox*>("cbCustKey1")->setCurrentIndex(c.custKey1);
    form.findChild<QComboBox*>("cbCustKey2")->setCurrentIndex(c.custKey2);
    radio(c.mouseOnly ? "rbMouseOnly" : "rbKbdMse");
    radio(c.switchCpi ? "rbRF_DR_15" : "rbRF_DR_1A");
    radio(c.cpiHigh ? "rbRF_CPI_H" : "rbRF_CPI_L");
    radio(c.powerSaving == 0 ? "rbRF_DR_45" : c.powerSaving == 1 ? "rbRF_DR_4A" : "rbRF_DR_4F");
    radio(c.buttonWakeupOnly ? "rbRF_DR_2A" : "rbRF_DR_25");
    form.findChild<QComboBox*>("cbRF_Set_BTY_Low_Level")->setCurrentIndex(c.battery);
    form.findChild<QLineEdit*>("edtVID_SET")->setText(c.vid);
    form.findChild<QLineEdit*>("edtPID_SET")->setText(c.pid);
    form.findChild<QLineEdit*>("edtEEPROM_20")->setText(c.product);
    form.findChild<QCheckBox*>("LRMBinding")->setChecked(c.lrmBinding);
    form.findChild<QComboBox*>("ComboRFPower")->setCurrentIndex(c.rfPower);
    form.findChild<QCheckBox*>("cbResetRF")->setChecked(c.resetRf);
    form.findChild<QSpinBox*>("suiSpinEdit1")->setValue(c.sleep);
    form.findChild<QSpinBox*>("suiSpinEdit2")->setValue(c.wakeupPeriod);
    form.findChild<QCheckBox*>("cbKeyboardbind")->setChecked(c.keyboardBinding);

    const auto serial = [](TProdSN& g, const SerialRule& r) {
        g.SetIsSN(r.on);
        g.SetIsDate(r.date);
        g.SetFixSNByteCount(r.fixBytes);
        g.SetFixSN(r.fix);
        g.SetIncInitSN(r.next);
    };
    serial(*form.station().rxSN(), c.rxSerial);
    serial(*form.station().txSN(), c.txSerial);
    for (auto [g, first] : {std::pair{form.station().rxRFID().get(), c.rxFirstId}, std::pair{form.station().txRFID().get(), c.txFirstId}}) {
        g->SetIsRandom(!c.sequentialIds);
        if (c.sequentialIds)
            g->SetIncInitRFID(first);
        else
            g->SetRandomSource(std::make_unique<FixedDraw>(static_cast<std::uint32_t>(first)));
    }
}

/// The two EEPROMs of a unit.
struct UnitImage {
    std::array<std::uint16_t, 64> rx{};
    std::array<std::uint8_t, 128> tx{};
};

/// A byte as the receiver keeps it: high half the byte, low half its complement.
constexpr std::uint16_t cw(int byte) {
    return static_cast<std::uint16_t>((byte & 0xFF) * 256 + ((byte & 0xFF) ^ 0xFF));
}

/// The six bytes of a serial number made today.
inline std::array<int, 6> serialBytes(const SerialRule& r, QDate today) {
    std::array<int, 6> b{};
    std::size_t n = 0;
    if (r.date) {
        const int code = (today.year() % 100) * 512 + today.dayOfYear();
        b[n++] = code >> 8;
        b[n++] = code & 0xFF;
    }
    const int incBytes = (r.date ? 4 : 6) - r.fixBytes;
    for (int k = r.fixBytes - 1; k >= 0; --k)
        b[n++] = static_cast<int>((r.fix >> (8 * k)) & 0xFF);
    for (int k = incBytes - 1; k >= 0; --k)
        b[n++] = static_cast<int>((r.next >> (8 * k)) & 0xFF);
    return b;
}

/// "1201-4142-0005": dashes after the date code and after the fixed part.
inline QString serialText(const SerialRule& r, QDate today) {
    if (!r.on)
        return {};
    const auto b = serialBytes(r, today);
    const int d = r.date ? 2 : 0;
    QString s;
    for (int i = 0; i < 6; ++i) {
        s += QStringLiteral("%1").arg(b[static_cast<std::size_t>(i)], 2, 16, QLatin1Char('0')).toUpper();
        if (i > 0 && i < 5 && (i == d - 1 || i == d + r.fixBytes - 1))
            s += '-';
    }
    return s;
}

/// Codes of the hot keys the tests choose (Consumer page usages).
inline int hotKeyCode(int listIndex) {
    static const std::map<int, int> codes = {{0, 0x000}, {7, 0x223}, {8, 0x18A}, {12, 0x0CD}};
    return codes.at(listIndex);
}

/// What the keyboard hands the receiver when it pairs.
struct KeyboardPairing {
    std::array<std::uint8_t, 3> id{};
    std::array<std::uint8_t, 3> channelMap{};
};

/// The unit after a passed run: `before` (as it came from assembly) with everything the run
/// writes for `c`, the receiver radio ID `r` and the transmitter's `t`.
inline UnitImage expectedImage(const StationChoice& c, UnitImage before, std::uint32_t r,
                               std::uint32_t t, QDate today, int sensorId = 0x29,
                               const KeyboardPairing* keyboard = nullptr) {
    UnitImage u = before;
    const int b[6] = {static_cast<int>((r >> 16) & 0xFF) | 0x80, static_cast<int>((r >> 8) & 0xFF),
                      static_cast<int>(r & 0xFF), static_cast<int>((t >> 16) & 0xFF) | 0x80,
                      static_cast<int>((t >> 8) & 0xFF), static_cast<int>(t & 0xFF)};
    const auto txPair = [&](int address, int value) {
        u.tx[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
        u.tx[static_cast<std::size_t>(address + 1)] = static_cast<std::uint8_t>(value ^ 0xFF);
    };
    const auto rxWord = [&](int address, int word) { u.rx[static_cast<std::size_t>(address)] = static_cast<std::uint16_t>(word); };

    // Transmitter: own ID, partner ID, their checksums.
    for (int i = 0; i < 3; ++i) {
        u.tx[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(b[3 + i]);
        u.tx[static_cast<std::size_t>(12 + i)] = static_cast<std::uint8_t>(b[i]);
    }
    u.tx[11] = static_cast<std::uint8_t>(b[3] ^ b[4] ^ b[5] ^ 0xFF);
    u.tx[15] = static_cast<std::uint8_t>(b[0] ^ b[1] ^ b[2] ^ 0xFF);
    // Options as complement pairs.
    txPair(18, c.switchCpi ? 0x33 : 0xCC);
    txPair(20, c.buttonWakeupOnly ? 0xAA : 0x55);
    txPair(22, c.powerSaving == 0 ? 0x3C : c.powerSaving == 1 ? 0xC5 : 0xCA);
    txPair(24, 0x55); // automatic connection after power-on: off
    const int battery = c.battery == 0 ? 0x40 : c.battery == 2 ? 0x00 : 0x20;
    txPair(26, battery);
    txPair(28, c.lrmBinding ? 0x24 : 0x20);
    if (c.txSerial.on) {
        const auto s = serialBytes(c.txSerial, today);
        for (int i = 0; i < 6; ++i)
            u.tx[static_cast<std::size_t>(120 + i)] = static_cast<std::uint8_t>(s[static_cast<std::size_t>(i)]);
        u.tx[126] = 0xFF;
        u.tx[127] = 0xFF;
    }

    // Receiver.
    for (int i = 0; i < 3; ++i) {
        rxWord(i, cw(b[i]));
        rxWord(51 + i, cw(b[3 + i]));
    }
    const int k1 = hotKeyCode(c.custKey1), k2 = hotKeyCode(c.custKey2);
    rxWord(3, cw(k1 & 0xFF));
    rxWord(4, cw(k1 >> 8));
    rxWord(5, cw(k2 & 0xFF));
    rxWord(6, cw(k2 >> 8));
    bool okVid = false, okPid = false;
    const int vid = c.vid.toInt(&okVid, 16), pid = c.pid.toInt(&okPid, 16);
    if (okVid && okPid && vid >= 1 && pid >= 1) {
        rxWord(15, cw(vid >> 8));
        rxWord(16, cw(vid & 0xFF));
        rxWord(17, cw(pid >> 8));
        rxWord(18, cw(pid & 0xFF));
    } else {
        for (int w = 15; w <= 18; ++w)
            rxWord(w, 0);
    }
    if (c.product.trimmed().isEmpty()) {
        rxWord(19, 0);
    } else {
        const QByteArray s = c.product.toLatin1();
        rxWord(19, cw(2 + 2 * static_cast<int>(s.size())));
        for (int k = 0; 2 * k < s.size(); ++k) {
            const int hi = static_cast<unsigned char>(s[2 * k]);
            const int lo = 2 * k + 1 < s.size() ? static_cast<unsigned char>(s[2 * k + 1]) : 0;
            rxWord(20 + k, hi * 256 + lo);
        }
    }
    for (int w : {43, 44, 45, 48, 49, 50})
        rxWord(w, 0);
    if (keyboard)
        for (int i = 0; i < 3; ++i) {
            rxWord(43 + i, cw(keyboard->id[static_cast<std::size_t>(i)]));
            rxWord(48 + i, cw(keyboard->channelMap[static_cast<std::size_t>(i)]));
        }
    rxWord(46, cw(sensorId == 0x29 || sensorId == 0x11 ? 0x91 : 0x9D));
    // Word 47 keeps bits 4..0 of its byte, takes the level in bits 6..5, clears bit 7.
    rxWord(47, cw(((before.rx[47] >> 8) & 0x1F) | battery));
    rxWord(56, c.mouseOnly ? 0x5AA5 : 0xFFFF);
    rxWord(57, cw(c.sleep));
    rxWord(58, cw(c.wakeupPeriod));
    if (c.rxSerial.on) {
        const auto s = serialBytes(c.rxSerial, today);
        rxWord(63, 0);
        for (int k = 0; k < 3; ++k)
            rxWord(60 + k, s[static_cast<std::size_t>(2 * k)] * 256 + s[static_cast<std::size_t>(2 * k + 1)]);
    }
    return u;
}

/// The RF power code for a list index of "0", "-5", "-10", "-20" dBm, and what the radio
/// chips hold after a passed run.
inline int finalRfPower(const StationChoice& c) {
    const int codes[] = {0x1B, 0x13, 0x0B, 0x03};
    const int code = c.rfPower >= 0 && c.rfPower < 4 ? codes[c.rfPower] : 0x03;
    return c.resetRf && c.rfPower != 0 ? 0x1B : code;
}

} // namespace rfbind::test
