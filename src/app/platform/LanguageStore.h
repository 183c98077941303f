// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

namespace rfbind::app {

/// The operator's language choice, kept per user: organisation "HALVORETH", application
/// "RF_BIND", value "LngSection" (on Windows the registry key of that name under
/// HKEY_CURRENT_USER\Software; on Linux a file under the user's configuration folder).
class LanguageStore {
public:
    virtual ~LanguageStore() = default;
    /// The stored text, or nothing when no choice was ever stored.
    virtual std::optional<QString> load() const;
    /// Stores the choice; failures are not reported (the dialog simply asks again next time).
    virtual void save(const QString& value);
};

} // namespace rfbind::app
