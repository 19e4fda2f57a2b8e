// Amounts in Chinese capital numerals, as cheques and vouchers write them.
#pragma once

#include "runtime/variant.h"

namespace velmora::text {

// The amount spelled with the numerals and place words of the message text service (each
// text the amount needs is looked up once per call, nothing is kept between calls); ""
// when money is not numeric, when the language is neither "zh-CN" nor "zh-TW", and when the
// amount rounds to zero cents. A negative amount is spelled as its absolute value.
// On success money holds the absolute amount in whole cents (a decimal: 1234.56 becomes
// 123456); it is unchanged when the result is "" for language or non-numeric reasons and
// when the call fails.
// Guard N: throws rt::Error 6 (Overflow) for an amount that rounds to 10^13 or more (the
// 15-place window holds 13 integer places and two of cents) or leaves the decimal range,
// and the errors of the message text service.
rt::Str LittleToBig(rt::Variant& money);

}  // namespace velmora::text
