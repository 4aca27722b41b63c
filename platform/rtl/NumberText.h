// Pieces of number text that the float and the currency formatting of the runtime share.
#pragma once

#include "rtl/SysUtils.h"

#include <string>

namespace rtl_detail {

// The digits in groups of three from the right with sep between the groups ("1234567" with a
// space: "1 234 567").
std::string GroupThousands(const std::string& digits, const std::string& sep);

// An amount without its sign placed with the currency string, as CurrencyFormat (or NegCurrFormat
// for a negative amount) lays it out.
std::string CurrencyLayout(const std::string& amount, bool neg, const TFormatSettings& fs);

}  // namespace rtl_detail
