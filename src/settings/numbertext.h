#pragma once

// Reading numbers typed by users or stored in preference files, and the fixed text forms the
// program writes them back in.

#include <optional>
#include <string>
#include <string_view>

namespace tonvela {

// An optional sign and decimal digits, blanks around allowed; nullopt for anything else and
// for values outside the 32-bit range ("007" reads as 7).
std::optional<int> readInteger(std::string_view text);
// The same, but a value beyond the 32-bit range reads as the nearest 32-bit value: it is still a
// number, for a control that clamps to its own range.
std::optional<int> readIntegerClamped(std::string_view text);
// A finite decimal number ("1.5", "-2", "1e3"), blanks around allowed; nullopt otherwise.
std::optional<double> readDecimal(std::string_view text);
// The "%5.2f" form: two decimals, at least five characters, blanks on the left.
std::string formatDecimal(double value);

}  // namespace tonvela
