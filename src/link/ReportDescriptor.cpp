// SPDX-License-Identifier: MIT
#include "link/ReportDescriptor.h"

#include <algorithm>
#include <map>

namespace rfbind {

namespace {

// Item prefix: bits 0-1 data size (0, 1, 2 or 4 bytes), bits 2-3 type, bits 4-7 tag.
enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

// A long item is 0xFE, a data size byte, a tag byte and the data. No long item tags are
// defined, so their contents never matter to us.
constexpr std::uint8_t kLongItemPrefix = 0xFE;

constexpr std::uint8_t kMainInput = 0x8;
constexpr std::uint8_t kMainOutput = 0x9;
constexpr std::uint8_t kMainCollection = 0xA;
constexpr std::uint8_t kMainFeature = 0xB;
constexpr std::uint8_t kMainEndCollection = 0xC;

constexpr std::uint8_t kGlobalUsagePage = 0x0;
// 0x1..0x6: logical and physical extents, unit exponent, unit: no bearing on report lengths.
constexpr std::uint8_t kGlobalReportSize = 0x7;
constexpr std::uint8_t kGlobalReportId = 0x8;
constexpr std::uint8_t kGlobalReportCount = 0x9;
constexpr std::uint8_t kGlobalPush = 0xA;
constexpr std::uint8_t kGlobalPop = 0xB;

constexpr std::uint8_t kLocalUsage = 0x0;

// Real devices nest Push a handful of levels at most (the kernel refuses more than 4); the
// bound only keeps a hostile descriptor from growing the stack without end.
constexpr std::size_t kMaxPushDepth = 32;

// The caps report lengths in 16 bits, the report ID byte included.
constexpr std::uint64_t kMaxReportBytes = 0xFFFF - 1;

struct GlobalState {
    std::uint16_t usagePage = 0;
    std::uint32_t reportSize = 0;  // bits per field
    std::uint32_t reportCount = 0; // fields
    std::uint8_t reportId = 0;     // 0 until the descriptor declares one: no report IDs
};

struct Usage {
    std::uint32_t value = 0;
    bool extended = false; // a 4-byte usage carries its own page in the upper 16 bits
};

struct TopLevelCollection {
    HidCaps caps;
    std::map<std::uint8_t, std::uint64_t> featureBits; // per report ID
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    /// Empty string on success.
    std::string run() {
        std::size_t pos = 0;
        while (pos < bytes_.size()) {
            const std::size_t at = pos;
            itemStart_ = at;
            const std::uint8_t prefix = bytes_[pos++];
            const std::size_t remaining = bytes_.size() - pos;

            if (prefix == kLongItemPrefix) {
                if (remaining < 2)
                    return failAt(at, "long item header runs past the end of the descriptor");
                const std::size_t dataSize = bytes_[pos];
                pos += 2;
                if (bytes_.size() - pos < dataSize)
                    return failAt(at, "long item needs " + std::to_string(dataSize) +
                                          " data bytes, only " +
                                          std::to_string(bytes_.size() - pos) + " remain");
                pos += dataSize;
                continue;
            }

            const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
            const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
            const std::uint8_t tag = prefix >> 4;
            if (remaining < size)
                return failAt(at, "item needs " + std::to_string(size) + " data bytes, only " +
                                      std::to_string(remaining) + " remain");
            std::uint32_t data = 0;
            for (std::size_t i = 0; i < size; ++i)
                data |= static_cast<std::uint32_t>(bytes_[pos + i]) << (8 * i);
            pos += size;

            std::string error;
            switch (type) {
            case kMain:
                error = mainItem(tag);
                break;
            case kGlobal:
                error = globalItem(tag, data);
                break;
            case kLocal:
                if (tag == kLocalUsage)
                    usages_.push_back(Usage{data, size == 4});
                // Usage ranges, designators, strings and delimiters do not change the caps.
                break;
            case kReserved:
                // Reserved short items carry no meaning yet; the kernel skips them as well.
                break;
            }
            if (!error.empty())
                return failAt(at, error);
        }

        if (depth_ != 0)
            return failAt(openedAt_, "collection is never closed");
        if (collections_.empty())
            return "descriptor holds no top-level collection";
        return {};
    }

    std::vector<HidCaps> caps() const {
        std::vector<HidCaps> out;
        out.reserve(collections_.size());
        for (const auto& c : collections_) {
            HidCaps caps = c.caps;
            std::uint64_t largest = 0;
            for (const auto& [id, bits] : c.featureBits)
                largest = std::max(largest, (bits + 7) / 8);
            // One byte for the report ID, also when the device sends none: the length is the
            // buffer a feature transfer needs, and byte 0 of that buffer is always the ID.
            caps.featureReportLength = largest == 0 ? 0 : static_cast<std::uint16_t>(largest + 1);
            out.push_back(caps);
        }
        return out;
    }

private:
    static std::string failAt(std::size_t offset, const std::string& what) {
        return "report descriptor byte " + std::to_string(offset) + ": " + what;
    }

    std::string mainItem(std::uint8_t tag) {
        std::string error;
        switch (tag) {
        case kMainCollection:
            if (depth_ == 0) {
                TopLevelCollection c;
                c.caps.usagePage = global_.usagePage;
                if (!usages_.empty()) {
                    const Usage& u = usages_.front();
                    if (u.extended)
                        c.caps.usagePage = static_cast<std::uint16_t>(u.value >> 16);
                    c.caps.usage = static_cast<std::uint16_t>(u.value & 0xFFFF);
                }
                collections_.push_back(c);
                openedAt_ = itemStart_;
            }
            ++depth_;
            break;
        case kMainEndCollection:
            if (depth_ == 0)
                error = "End Collection without an open Collection";
            else
                --depth_;
            break;
        case kMainFeature:
            error = addFeatureBits();
            break;
        case kMainInput:
        case kMainOutput:
        default:
            // Input and output reports do not enter the caps the station reads; unknown main
            // tags are reserved and skipped, as the kernel does.
            break;
        }
        // Local items describe only the next main item.
        usages_.clear();
        return error;
    }

    std::string addFeatureBits() {
        // A feature item outside every collection belongs to no top-level collection, so no
        // caps can report it.
        if (depth_ == 0)
            return {};
        const std::uint64_t bits =
            static_cast<std::uint64_t>(global_.reportSize) * global_.reportCount;
        if (bits == 0)
            return {};
        std::uint64_t& total = collections_.back().featureBits[global_.reportId];
        if (bits > kMaxReportBytes * 8 || total + bits > kMaxReportBytes * 8)
            return "feature report " + std::to_string(global_.reportId) + " is longer than " +
                   std::to_string(kMaxReportBytes) + " bytes";
        total += bits;
        return {};
    }

    std::string globalItem(std::uint8_t tag, std::uint32_t data) {
        switch (tag) {
        case kGlobalUsagePage:
            global_.usagePage = static_cast<std::uint16_t>(data & 0xFFFF);
            break;
        case kGlobalReportSize:
            global_.reportSize = data;
            break;
        case kGlobalReportCount:
            global_.reportCount = data;
            break;
        case kGlobalReportId:
            // Report ID 0 is reserved to mean "no report IDs" and cannot be declared.
            if (data == 0 || data > 0xFF)
                return "Report ID " + std::to_string(data) + " is outside 1..255";
            global_.reportId = static_cast<std::uint8_t>(data);
            break;
        case kGlobalPush:
            if (stack_.size() >= kMaxPushDepth)
                return "Push nested deeper than " + std::to_string(kMaxPushDepth) + " levels";
            stack_.push_back(global_);
            break;
        case kGlobalPop:
            if (stack_.empty())
                return "Pop without a matching Push";
            global_ = stack_.back();
            stack_.pop_back();
            break;
        default:
            if (tag > kGlobalPop)
                return "unknown global item tag " + std::to_string(tag);
            break;
        }
        return {};
    }

    std::span<const std::uint8_t> bytes_;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    std::vector<Usage> usages_;
    std::vector<TopLevelCollection> collections_;
    int depth_ = 0;
    std::size_t itemStart_ = 0; // offset of the item being handled, for messages
    std::size_t openedAt_ = 0;  // offset of the open top-level Collection item
};

} // namespace

ReportDescriptor ReportDescriptor::parse(std::span<const std::uint8_t> bytes) {
    ReportDescriptor result;
    Parser parser(bytes);
    result.error_ = parser.run();
    if (result.error_.empty())
        result.collections_ = parser.caps();
    return result;
}

} // namespace rfbind
