// SPDX-License-Identifier: MIT
#include "line/LinePools.h"

#include "line/LineConfig.h"
#include "line/LineConnection.h"
#include "line/PqxxFailure.h"

#include <pqxx/pqxx>

#include <algorithm>

namespace rfbind {

LineResult<std::vector<std::string>> LinePools::names(const std::string& uri) {
    auto opened = connectOnce(uri);
    if (!opened)
        return opened.error();
    std::unique_ptr<pqxx::connection> c = std::move(opened.value());
    try {
        LineCallDeadline deadline(*c);
        pqxx::read_transaction tx(*c);
        std::vector<std::string> names;
        for (const auto& row : tx.exec("SELECT pool FROM rfbind.pools ORDER BY pool"))
            names.push_back(row[0].as<std::string>());
        return names;
    } catch (const std::exception& e) {
        return lineErrorFromPqxx(e, "listing the pools", uri);
    }
}

std::string LinePools::unknownPool(const std::string& pool, const std::vector<std::string>& names) {
    if (std::find(names.begin(), names.end(), pool) != names.end())
        return {};
    std::string why = "pool \"" + pool + "\" does not exist on this line";
    if (names.empty())
        return why + " (it has no pools yet)";
    why += "; its pools: ";
    for (std::size_t i = 0; i < names.size(); ++i)
        why += (i ? ", " : "") + names[i];
    return why;
}

} // namespace rfbind
