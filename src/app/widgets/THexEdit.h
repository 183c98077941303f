// SPDX-License-Identifier: MIT
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <optional>

class QValidator;

namespace rfbind::app {

/// An edit field that holds a hexadecimal number: every address, data and identifier field of
/// the station window.
///
/// Its value is its text read as hexadecimal with "$0" in front, so an empty text is 0 and the
/// text must consist of hex digits only (no blanks, no sign, no "0x"). A text that is not such a
/// number is a conversion error, returned as an empty optional; it is never thrown. Assigning a
/// value shows it in upper-case hexadecimal without leading zeros, and 0 or less as empty text.
///
/// Two independent switches, both off by default:
/// - the hex filter lets only 0-9, a-f and A-F in when the operator types or pastes; text set
///   by the program is taken as it is;
/// - upper case turns every letter to upper case, whether typed, pasted or set by the program
///   (except text set by the program that the filter would refuse: that stays as set).
class THexEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(bool hexFilter READ hexFilter WRITE setHexFilter)
    Q_PROPERTY(bool upperCase READ upperCase WRITE setUpperCase)

public:
    explicit THexEdit(QWidget* parent = nullptr);

    /// The value as a 32-bit integer; eight significant digits at most, and 80000000..FFFFFFFF
    /// read as the negative numbers they stand for in two's complement. Nothing when the text
    /// is malformed or too long.
    std::optional<std::int32_t> value() const;
    /// The value as a 64-bit integer, the same rules with sixteen significant digits.
    std::optional<std::int64_t> value64() const;
    /// Shows `v` as upper-case hex without leading zeros; 0 or less empties the field.
    void setValue(std::int64_t v);

    /// The toolkit's standard conversion-error text for the current text, e.g.
    /// "'$0G1' is not a valid integer value".
    QString conversionErrorText() const;

    bool hexFilter() const { return hexFilter_; }
    void setHexFilter(bool on);
    bool upperCase() const { return upperCase_; }
    void setUpperCase(bool on);

    /// Reads `text` as "$0" followed by it, 32 or 64 bits wide (see value()).
    static std::optional<std::int32_t> parse32(const QString& text);
    static std::optional<std::int64_t> parse64(const QString& text);
    /// The text setValue() shows for `v`.
    static QString format(std::int64_t v);

private:
    void updateValidator();

    bool hexFilter_ = false;
    bool upperCase_ = false;
    QValidator* validator_ = nullptr;
};

} // namespace rfbind::app
