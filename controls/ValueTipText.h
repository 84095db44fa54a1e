// The slider read-out rules: Value as text in the unit of its parameter, by ValueTipType.
// Pure; any thread.
#pragma once

#include <QString>

#include <optional>

namespace tonvara {

// Text for value v under the given type; nullopt where the type has no rule and the read-out
// keeps what it shows (types 7, above 9 and negative ones).
std::optional<QString> valueTipText(int type, int v);

} // namespace tonvara
