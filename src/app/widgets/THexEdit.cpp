// SPDX-License-Identifier: MIT
#include "widgets/THexEdit.h"

#include <QValidator>

namespace rfbind::app {

namespace {

/// The digit's value, or -1 for a character that is no hex digit.
int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

/// Reads hex digits into an unsigned value of `bits` bits; leading zeros do not count towards
/// the width, as in the toolkit's own conversion.
std::optional<std::uint64_t> parseUnsigned(const QString& text, int bits) {
    std::uint64_t v = 0;
    int significant = 0;
    for (const QChar c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > bits / 4)
            return std::nullopt;
        v = (v << 4) | static_cast<std::uint64_t>(digit);
    }
    return v;
}

/// Both switches act through one validator: it is consulted for every edit the operator makes
/// (and such an edit is undone when it answers Invalid), while text set by the program is kept
/// even when invalid, so the filter stays a typing filter. Its fix-up of the letter case applies
/// to set text too.
class HexValidator : public QValidator {
public:
    HexValidator(const THexEdit& edit, QObject* parent) : QValidator(parent), edit_(edit) {}

    State validate(QString& input, int&) const override {
        if (edit_.hexFilter()) {
            for (const QChar c : input)
                if (hexDigit(c) < 0)
                    return Invalid;
        }
        if (edit_.upperCase())
            input = input.toUpper();
        return Acceptable;
    }

private:
    const THexEdit& edit_;
};

} // namespace

THexEdit::THexEdit(QWidget* parent) : QLineEdit(parent) {}

std::optional<std::int32_t> THexEdit::parse32(const QString& text) {
    const auto v = parseUnsigned(text, 32);
    if (!v)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*v));
}

std::optional<std::int64_t> THexEdit::parse64(const QString& text) {
    const auto v = parseUnsigned(text, 64);
    if (!v)
        return std::nullopt;
    return static_cast<std::int64_t>(*v);
}

QString THexEdit::format(std::int64_t v) {
    return v <= 0 ? QString() : QString::number(static_cast<qulonglong>(v), 16).toUpper();
}

std::optional<std::int32_t> THexEdit::value() const {
    return parse32(text());
}

std::optional<std::int64_t> THexEdit::value64() const {
    return parse64(text());
}

void THexEdit::setValue(std::int64_t v) {
    setText(format(v));
}

QString THexEdit::conversionErrorText() const {
    return QStringLiteral("'$0%1' is not a valid integer value").arg(text());
}

void THexEdit::setHexFilter(bool on) {
    hexFilter_ = on;
    updateValidator();
}

void THexEdit::setUpperCase(bool on) {
    upperCase_ = on;
    updateValidator();
    if (on && text() != text().toUpper())
        setText(text().toUpper());
}

void THexEdit::updateValidator() {
    if (!hexFilter_ && !upperCase_) {
        setValidator(nullptr);
        return;
    }
    if (validator_ == nullptr)
        validator_ = new HexValidator(*this, this);
    setValidator(validator_);
}

} // namespace rfbind::app
