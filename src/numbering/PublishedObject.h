// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace rfbind {

class PublishedObject;

/// Value type of a published property, which decides how its text form is written and which
/// values a loader may hand to its setter.
enum class PropertyType : std::uint8_t {
    Boolean, ///< False/True, passed as 0/1
    Int32,   ///< 32-bit signed
    Int64,   ///< 64-bit signed; the settings text stores it only when it is not 0
};

/// One published property of a generator: its name, type and accessors. The accessors take the
/// object the descriptor was listed by; passing any other class is a programming error.
struct PublishedProperty {
    std::string_view name;
    PropertyType type;
    /// Reads the value (Booleans as 0 or 1). Reading `NextRFID` hands out an ID and may move the
    /// counter; every other read is free of side effects.
    std::int64_t (*get)(PublishedObject&);
    /// Writes through the property's own setter, with all its rules and side effects. nullptr
    /// for read-only properties. The caller passes only values inside the type's range
    /// (0/1 for Booleans).
    void (*set)(PublishedObject&, std::int64_t);

    bool readOnly() const { return set == nullptr; }
};

/// Tag for the constructor that leaves every Boolean False and every number 0: the state a
/// stored generator is loaded into before its property lines are applied.
struct AllZeroState {
    explicit AllZeroState() = default;
};
inline constexpr AllZeroState kAllZeroState{};

/// A generator whose published properties can be listed by name in a fixed order, so that the
/// settings file can store and restore it without knowing its class.
class PublishedObject {
public:
    virtual ~PublishedObject() = default;

    /// The class name under which the settings text stores the object, e.g. "TProdSN".
    virtual std::string_view ClassName() const = 0;

    /// The published properties in their fixed order. The span points into static storage and
    /// stays valid for the life of the program.
    virtual std::span<const PublishedProperty> PublishedProperties() const = 0;
};

} // namespace rfbind
