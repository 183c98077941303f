// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rfbind::test {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

/// Two complete "TX" sections the rewriter alternates between. Every value differs between
/// them and set B is far longer, so a file torn between the two can never pass for either.
inline KeyValues RewriterSettings(char which) {
    const bool a = which == 'A';
    KeyValues kv{
        {"Round", a ? "A" : "B"},
        {"CustKey1", a ? "3" : "7"},
        {"MouseOnly", a ? "1" : "0"},
        {"Sleep", a ? "56" : "120"},
        {"VID", a ? "7511" : "4660"},
        {"PName", a ? "USB 2.4G Wireless Desktop" : std::string(3000, 'B')},
        {"RXSNINFO", a ? "object TProdSN;  IsSN = False;  IsDate = True;end;"
                       : "object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 3;"
                         "  IncSNByteCount = 3;  IncInitSN = 4096;end;"},
        {"RXRFIDINFO", a ? "object TProdRFID;  IsRandom = True;end;"
                         : "object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;"},
    };
    for (int i = 0; i < 40; ++i)
        kv.emplace_back("Pad" + std::to_string(i), std::string(a ? 10 : 200, a ? 'a' : 'b'));
    return kv;
}

} // namespace rfbind::test
