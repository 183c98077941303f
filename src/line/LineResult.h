// SPDX-License-Identifier: MIT
#pragma once

#include "line/LineError.h"

#include <utility>
#include <variant>

namespace rfbind {

/// A value, or the `LineError` that kept it from being produced. Every call of the line's
/// ledger returns one; none throws.
template <typename T>
class LineResult {
public:
    LineResult(T value) : state_(std::move(value)) {}
    LineResult(LineError error) : state_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }

    /// The value; only when `ok()`.
    const T& value() const { return std::get<T>(state_); }
    T& value() { return std::get<T>(state_); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    /// The failure; only when not `ok()`.
    const LineError& error() const { return std::get<LineError>(state_); }

private:
    std::variant<T, LineError> state_;
};

/// Nothing to return but success.
struct LineDone {};

} // namespace rfbind
