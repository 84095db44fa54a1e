// The slider read-out rules: Value as text in the unit of its parameter, by ValueTipType.
// Plain C++ so that text without a window (the catalog's read-outs, the command line) is
// worded exactly as the sliders show it. Pure; any thread.
#pragma once

#include <optional>
#include <string>

namespace tonvara {

// Text for value v under the given type; nullopt where the type has no rule and the read-out
// keeps what it shows (types 7, above 9 and negative ones).
std::optional<std::string> valueTipText(int type, int v);

} // namespace tonvara
