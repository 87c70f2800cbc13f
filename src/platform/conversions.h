// The form runtime's numeric conversions, shared by every platform: rounding to integers and
// turning stored text into numbers and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvaro::platform {

// Nearest integer, ties to the even neighbour, as every integer conversion of the forms does.
// Values outside the 64-bit range saturate.
std::int64_t roundHalfEven(double value);

// Decimal text to a signed 32-bit integer: optional blanks around, an optional sign, digits, and an
// optional fractional part rounded half to even ("20.5" gives 20, "21.5" gives 22). Anything else,
// or a value outside the 32-bit range, gives nothing.
std::optional<std::int32_t> parseInt32(std::u16string_view text);

std::u16string decimalText(std::int64_t value);

} // namespace zelvaro::platform
