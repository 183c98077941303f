// SPDX-License-Identifier: MIT
#include "benchapp/BenchCommandLine.h"

#include "settings/StationSlots.h"

#include <cerrno>

namespace rfbind::app {

namespace {

bool toInt(const QString& text, long long min, long long max, long long& out) {
    bool ok = false;
    const long long v = text.toLongLong(&ok, 0); // decimal or 0x-prefixed
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

namespace {

/// One slot's fault onto `faults`; false for a fault that is none.
bool applySlotFault(const QString& fault, bench::BenchFaults& faults) {
    const qsizetype eq = fault.indexOf('=');
    const QString name = eq < 0 ? fault : fault.left(eq);
    const QString value = eq < 0 ? QString() : fault.mid(eq + 1);
    bool ok = eq < 0;
    if (name == "tx-off" && ok)
        faults.transmitterOff = true;
    else if (name == "never-ack" && ok)
        faults.receiverNeverAcknowledges = true;
    else if (name == "no-move" && ok)
        faults.mouseNeverMoves = true;
    else if (name == "no-keyboard" && ok)
        faults.noKeyboard = true;
    else if (name == "unplug-after" && !ok) {
        const uint ms = value.toUInt(&ok);
        if (ok)
            faults.unplugAfterMs = ms;
    } else if (name == "ack-loss" && !ok) {
        const double p = value.toDouble(&ok);
        ok = ok && p >= 0.0 && p <= 1.0;
        if (ok)
            faults.ackLossProbability = p;
    } else
        return false;
    return ok;
}

} // namespace

bench::BenchOptions BenchCommandLine::slotBench(int slot) const {
    bench::BenchOptions options = bench;
    options.receiverPortPath = "1-1." + std::to_string(slot);
    // Each box loses its own acknowledgements, not the same ones as its neighbours.
    options.faults.ackLossSeed = bench.faults.ackLossSeed + static_cast<std::uint32_t>(slot) * 7919u;
    for (const auto& [k, fault] : slotFaults)
        if (k == slot)
            applySlotFault(fault, options.faults);
    return options;
}

QString BenchCommandLine::usage() {
    return QStringLiteral(
        "usage: rfbind-bench [--headless] [--units N] [--go] [--language eng|cht|chs]\n"
        "                    [--screenshot FILE] [--line-db URI] [--station NAME]\n"
        "                    [bench options]\n"
        "  --go                    interactive: press Go once the station is up\n"
        "  --line-db URI           number from this line's database (overrides Line.ini)\n"
        "  --station NAME          this station's name on the line (overrides Line.ini)\n"
        "bench options:\n"
        "  --seed N                radio IDs of the fresh units, acknowledgement losses and,\n"
        "                          headless, the radio IDs the station hands out\n"
        "  --latency MS            time every USB transfer takes (1 is realistic)\n"
        "  --ack-loss P            probability 0..1 that an answer loses its acknowledgement\n"
        "  --never-ack             the receiver never acknowledges\n"
        "  --tx-off                the mouse stays switched off\n"
        "  --no-move               the mouse is never moved\n"
        "  --no-keyboard           no keyboard on the bench\n"
        "  --stuck-tx-byte ADDR    a mouse EEPROM byte (0..127) that ignores writes\n"
        "  --stuck-rx-word ADDR    a receiver EEPROM word (0..63) that ignores writes\n"
        "  --unplug-after MS       the receiver drops off the bus after MS milliseconds\n"
        "  --short-write N         the receiver's set-feature takes only N bytes (1..7)\n"
        "  --product-id ID         the receiver's USB product ID (default 0x053A)\n"
        "  --version V             the receiver's USB release number (default 0xA012)\n"
        "  --transport direct|hidraw  in process (default), or emulated hidraw nodes and the\n"
        "                          station's real Linux backend\n"
        "  --slots N               a gang bench of N slots (1..8), each box on its own hub port\n"
        "  --slot-fault K:FAULT    one slot's fault: tx-off, never-ack, no-move, no-keyboard,\n"
        "                          unplug-after=MS or ack-loss=P\n"
        "hidraw faults (with --transport hidraw):\n"
        "  --hidraw-permission-denied  the receiver's node may not be opened (no udev rule)\n"
        "  --hidraw-gone-before-open   the receiver's node vanishes after enumeration\n"
        "  --hidraw-ioctl-error E      feature transfers fail with EPIPE, EIO or ENODEV\n"
        "  --hidraw-short-read N       feature reads return only N bytes (1..7)\n"
        "--version alone prints the program's version; --help prints this text.\n");
}

std::optional<BenchCommandLine> BenchCommandLine::parse(const QStringList& args, QString& error) {
    BenchCommandLine c;
    auto& faults = c.bench.faults;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](long long min, long long max, long long& out) {
            QString text;
            if (!value(text))
                return false;
            if (!toInt(text, min, max, out)) {
                error = QString("%1: %2 is not a number from %3 to %4").arg(a, text).arg(min).arg(max);
                return false;
            }
            return true;
        };
        long long n = 0;
        if (a == "--headless") {
            c.headless = true;
        } else if (a == "--units") {
            if (!number(0, 1000000, n))
                return std::nullopt;
            c.units = static_cast<int>(n);
        } else if (a == "--go") {
            c.go = true;
        } else if (a == "--language") {
            if (!value(c.language))
                return std::nullopt;
            c.language = c.language.toLower();
            if (c.language != "eng" && c.language != "cht" && c.language != "chs") {
                error = "--language takes eng, cht or chs";
                return std::nullopt;
            }
        } else if (a == "--line-db") {
            if (!value(c.lineDatabase))
                return std::nullopt;
        } else if (a == "--station") {
            if (!value(c.lineStation))
                return std::nullopt;
            if (c.lineStation.isEmpty()) {
                error = "--station needs a name";
                return std::nullopt;
            }
        } else if (a == "--screenshot") {
            if (!value(c.screenshot))
                return std::nullopt;
        } else if (a == "--seed") {
            if (!number(0, 0xFFFFFFFFLL, n))
                return std::nullopt;
            c.seed = static_cast<std::uint32_t>(n);
            faults.ackLossSeed = c.seed;
        } else if (a == "--latency") {
            if (!number(0, 1000, n))
                return std::nullopt;
            faults.usbLatencyMs = static_cast<int>(n);
        } else if (a == "--ack-loss") {
            QString text;
            if (!value(text))
                return std::nullopt;
            bool ok = false;
            const double p = text.toDouble(&ok);
            if (!ok || p < 0.0 || p > 1.0) {
                error = "--ack-loss takes a probability from 0 to 1";
                return std::nullopt;
            }
            faults.ackLossProbability = p;
        } else if (a == "--never-ack") {
            faults.receiverNeverAcknowledges = true;
        } else if (a == "--tx-off") {
            faults.transmitterOff = true;
        } else if (a == "--no-move") {
            faults.mouseNeverMoves = true;
        } else if (a == "--no-keyboard") {
            faults.noKeyboard = true;
        } else if (a == "--stuck-tx-byte") {
            if (!number(0, 127, n))
                return std::nullopt;
            faults.stuckTransmitterEepromByte = static_cast<int>(n);
        } else if (a == "--stuck-rx-word") {
            if (!number(0, 63, n))
                return std::nullopt;
            faults.stuckReceiverEepromWord = static_cast<int>(n);
        } else if (a == "--unplug-after") {
            if (!number(0, 0xFFFFFFFFLL, n))
                return std::nullopt;
            faults.unplugAfterMs = static_cast<std::uint32_t>(n);
        } else if (a == "--short-write") {
            if (!number(1, 7, n))
                return std::nullopt;
            faults.shortWriteBytes = static_cast<int>(n);
        } else if (a == "--product-id") {
            if (!number(0, 0xFFFF, n))
                return std::nullopt;
            c.bench.receiverProductId = static_cast<std::uint16_t>(n);
        } else if (a == "--version" && (i + 1 >= args.size() || args[i + 1].startsWith("-"))) {
            // Without a number it asks for the program's version, as programs' --version do.
            c.printVersion = true;
        } else if (a == "--version") {
            if (!number(0, 0xFFFF, n))
                return std::nullopt;
            c.bench.receiverVersion = static_cast<std::uint16_t>(n);
        } else if (a == "--transport") {
            QString text;
            if (!value(text))
                return std::nullopt;
            if (text != "direct" && text != "hidraw") {
                error = "--transport takes direct or hidraw";
                return std::nullopt;
            }
            c.transport = text == "hidraw" ? Transport::Hidraw : Transport::Direct;
        } else if (a == "--hidraw-permission-denied") {
            c.hidraw.permissionDenied = true;
        } else if (a == "--hidraw-gone-before-open") {
            c.hidraw.goneBeforeOpen = true;
        } else if (a == "--hidraw-ioctl-error") {
            QString text;
            if (!value(text))
                return std::nullopt;
            const QString e = text.toUpper();
            if (e != "EPIPE" && e != "EIO" && e != "ENODEV") {
                error = "--hidraw-ioctl-error takes EPIPE, EIO or ENODEV";
                return std::nullopt;
            }
            c.hidraw.featureIoctlErrno = e == "EPIPE" ? EPIPE : e == "EIO" ? EIO : ENODEV;
        } else if (a == "--hidraw-short-read") {
            if (!number(1, 7, n))
                return std::nullopt;
            c.hidraw.shortFeatureReadBytes = static_cast<int>(n);
        } else if (a == "--slots") {
            if (!number(1, StationSlots::kMaxSlots, n))
                return std::nullopt;
            c.slotCount = static_cast<int>(n);
        } else if (a == "--slot-fault") {
            QString text;
            if (!value(text))
                return std::nullopt;
            const qsizetype colon = text.indexOf(':');
            long long slot = 0;
            bench::BenchOptions probe;
            if (colon < 0 || !toInt(text.left(colon), 1, StationSlots::kMaxSlots, slot) ||
                !applySlotFault(text.mid(colon + 1), probe.faults)) {
                error = "--slot-fault takes K:FAULT, K a slot from 1 to 8 and FAULT one of tx-off, "
                        "never-ack, no-move, no-keyboard, unplug-after=MS, ack-loss=P";
                return std::nullopt;
            }
            c.slotFaults.emplace_back(static_cast<int>(slot), text.mid(colon + 1));
        } else if (a == "--help" || a == "-h") {
            error = usage();
            return std::nullopt;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    for (const auto& [slot, fault] : c.slotFaults)
        if (slot > c.slotCount) {
            error = QString("--slot-fault %1:%2: the bench has %3 slot(s)").arg(slot).arg(fault).arg(c.slotCount);
            return std::nullopt;
        }
    if (c.go && c.headless) {
        error = "--go is for the interactive bench: a headless run presses Go for each unit";
        return std::nullopt;
    }
    const bool hidrawFaults = c.hidraw.permissionDenied || c.hidraw.goneBeforeOpen ||
                              c.hidraw.featureIoctlErrno != 0 || c.hidraw.shortFeatureReadBytes;
    if (hidrawFaults && c.transport != Transport::Hidraw) {
        error = "the --hidraw-... faults need --transport hidraw";
        return std::nullopt;
    }
    return c;
}

} // namespace rfbind::app
