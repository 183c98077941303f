// SPDX-License-Identifier: MIT
#pragma once

#include "numbering/PublishedObject.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace rfbind {

/// Creates an instance of a registered class in its all-zero state.
using ComponentFactory = std::function<std::unique_ptr<PublishedObject>()>;

/// Makes `className` known to `TextToComponent`. "TProdSN" and "TProdRFID" are registered from
/// the start. Names compare without letter case. Returns false, and changes nothing, when the
/// name is already registered or the factory is empty.
bool RegisterComponentClass(std::string_view className, ComponentFactory factory);

/// The settings text of `component`: "object <class>", one "  Name = value" line per stored
/// property in property order, then "end"; every line ends with CR LF. Booleans are written
/// True/False, integers in decimal; 64-bit properties only when not 0; read-only properties
/// never (so no `NextRFID` is consumed). The component is not changed.
std::string ComponentToText(PublishedObject& component);

/// Outcome of `TextToComponent`: a new instance, or the reason the text was refused.
struct TextToComponentResult {
    std::unique_ptr<PublishedObject> component; ///< owned by the caller; nullptr on failure
    std::string error;                          ///< why it failed; empty on success

    explicit operator bool() const { return component != nullptr; }
};

/// A new instance of the class the text names, built from its all-zero state by applying the
/// property lines in text order through the property setters (with their side effects);
/// properties the text omits stay 0. Accepts everything `ComponentToText` writes; tokens may
/// be separated by any blanks or line ends, names compare without letter case, integers may
/// also be written as $hex. Fails, without throwing, on malformed text, an unknown class or
/// property, a read-only property, a value of the wrong kind or out of range for its type,
/// and anything but blanks after "end". Safe on arbitrary bytes.
TextToComponentResult TextToComponent(std::string_view text);

/// `TextToComponent` for an expected class: nullptr (and the reason in `error`, if given)
/// also when the text holds another class.
template <class T>
std::unique_ptr<T> TextToComponentOf(std::string_view text, std::string* error = nullptr) {
    TextToComponentResult result = TextToComponent(text);
    if (result.component) {
        if (auto* typed = dynamic_cast<T*>(result.component.get())) {
            result.component.release();
            return std::unique_ptr<T>(typed);
        }
        result.error = "the text holds a " + std::string(result.component->ClassName()) +
                       ", not the expected class";
    }
    if (error)
        *error = result.error;
    return nullptr;
}

/// The one-line INI form of a settings text: every CR LF becomes ";".
std::string LineEndsToSemicolons(std::string_view text);

/// The settings text of an INI value: every ";" becomes CR LF.
std::string SemicolonsToLineEnds(std::string_view value);

/// The INI value that stores `generator` (its text with line ends as ";").
std::string GeneratorToIniValue(PublishedObject& generator);

/// The generator a stored INI value describes. An empty value, or one that is not a valid text
/// of class T, gives a new T with its defaults; `error` (if given) then says why, and is left
/// empty when the value was empty or loaded. Never nullptr.
template <class T>
std::unique_ptr<T> GeneratorFromIniValue(std::string_view value, std::string* error = nullptr) {
    if (error)
        error->clear();
    if (!value.empty())
        if (auto loaded = TextToComponentOf<T>(SemicolonsToLineEnds(value), error))
            return loaded;
    return std::make_unique<T>();
}

} // namespace rfbind
