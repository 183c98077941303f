// SPDX-License-Identifier: MIT
// The station on a line: Line.ini at start-up, and what the operator is told about it.
#include "Dialogs.h"
#include "TForm1.h"
#include "line/LineConfig.h"
#include "line/LineNumbering.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

namespace rfbind::app {

namespace {
constexpr auto kLineFile = "Line.ini";
} // namespace

void TForm1::openLine() {
    stationName_ = QSysInfo::machineHostName().toStdString();
    line_.reset();
    const std::filesystem::path folder = QFile::encodeName(QDir::currentPath()).toStdString();
    records_ = std::make_unique<UnitRecords>(folder.string(), stationName_);

    auto loaded = LineConfig::load(folder / kLineFile);
    std::optional<std::string> problem;
    std::optional<LineConfig> config;
    if (!loaded)
        problem = loaded.error().message;
    else
        config = *loaded;
    if (!problem && !services_.lineDatabase.isEmpty()) {
        // The command line names the line: Line.ini, when there is one, gives the rest.
        if (!config) {
            config = LineConfig{};
            config->station = LineConfig::hostName();
        }
        config->database = services_.lineDatabase.toStdString();
        if (const auto bad = LineConfig::checkDatabaseUri(config->database))
            problem = "--line-db: " + *bad;
    }
    if (config && !services_.lineStation.isEmpty())
        config->station = services_.lineStation.toStdString();
    if (config || (problem && !services_.lineStation.isEmpty())) {
        // Named as configured even when the line cannot be used: the units it refuses are
        // journalled, and reported, under the name the supervisor knows it by.
        stationName_ = config ? config->station : services_.lineStation.toStdString();
        records_ = std::make_unique<UnitRecords>(folder.string(), stationName_);
    }

    if (problem) {
        line_ = std::make_unique<LineNumbering>(*problem);
    } else if (config) {
        line_ = std::make_unique<LineNumbering>(*config, folder);
    } else {
        return; // no line: the station numbers on its own, as always
    }
    if (const auto refusal = line_->refusal()) {
        services_.dialogs.message(this, "Line",
                                  QString::fromStdString("This station cannot use its line; Go is "
                                                         "refused until this is mended and the "
                                                         "station restarted.\n\n" + *refusal),
                                  Dialogs::Icon::Error);
        return;
    }
    if (!config->warnings.empty()) {
        std::string text = "This station uses its line, but:";
        for (const std::string& warning : config->warnings)
            text += "\n\n" + warning;
        services_.dialogs.message(this, "Line", QString::fromStdString(text),
                                  Dialogs::Icon::Warning);
    }
    showLineOffline(line_->offline());
}

} // namespace rfbind::app
