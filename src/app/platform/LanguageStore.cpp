// SPDX-License-Identifier: MIT
#include "platform/LanguageStore.h"

#include <QSettings>

namespace rfbind::app {

namespace {
constexpr auto kOrganisation = "HALVORETH";
constexpr auto kApplication = "RF_BIND";
constexpr auto kValue = "LngSection";
} // namespace

std::optional<QString> LanguageStore::load() const {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    const QVariant v = settings.value(kValue);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void LanguageStore::save(const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    settings.setValue(kValue, value);
    settings.sync();
}

} // namespace rfbind::app
