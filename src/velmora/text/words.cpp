#include "text/words.h"

#include <array>

#include "frame/classes.h"
#include "frame/guards.h"
#include "frame/text_service.h"
#include "runtime/convert.h"
#include "text/money.h"
#include "text/number_format.h"

namespace velmora::text {

using rt::Decimal;
using rt::Str;
using rt::StrView;
using rt::Variant;

namespace {

// The digit window: 13 integer places (10^12 down to the unit) and two of cents. Position
// p (1-based) of the window is the place of units table index p.
constexpr int kWindowSize = 15;
constexpr int kHundredMillionPlace = 5;  // 10^8
constexpr int kUnitPlace = 13;           // 10^0, the yuan
constexpr int kTenthPlace = 14;          // the jiao

// Keys are kept as strings once, so that the lookups of a call allocate nothing for them.
struct WordKeys {
    std::array<Str, kWindowSize + 1> places;  // index 1..15
    std::array<Str, 11> numerals;             // index 1..10: digits 0..9
    Str pair = u"Ostrel.FM.Velmora.00028";    // hundred-million word then ten-thousand word
    Str whole = u"Ostrel.FM.Velmora.00029";   // appended to an amount without hundredths
    Str hundredMillion = u"Ostrel.FM.Velmora.00007";

    WordKeys() {
        static constexpr const char16_t* kPlaceKeys[kWindowSize] = {
            u"Ostrel.FM.Velmora.00003",  // 10^12
            u"Ostrel.FM.Velmora.00004", u"Ostrel.FM.Velmora.00005", u"Ostrel.FM.Velmora.00006",
            u"Ostrel.FM.Velmora.00007",  // 10^8
            u"Ostrel.FM.Velmora.00004", u"Ostrel.FM.Velmora.00005", u"Ostrel.FM.Velmora.00006",
            u"Ostrel.FM.Velmora.00011",  // 10^4
            u"Ostrel.FM.Velmora.00004", u"Ostrel.FM.Velmora.00005", u"Ostrel.FM.Velmora.00006",
            u"Ostrel.FM.Velmora.00015",  // unit
            u"Ostrel.FM.Velmora.00016",  // tenths
            u"Ostrel.FM.Velmora.00017",  // hundredths
        };
        for (int p = 1; p <= kWindowSize; ++p) places[size_t(p)] = kPlaceKeys[p - 1];
        for (int d = 0; d <= 9; ++d) numerals[size_t(d + 1)] = rt::ascii("Ostrel.FM.Velmora.000" + std::to_string(18 + d));
    }
};

const WordKeys& keys() {
    static const WordKeys k;
    return k;
}

bool endsWith(StrView s, StrView tail) { return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail; }

// Steps 4 and 5: the absolute amount rounded to cents (through Vround's decimal rounding),
// as a whole number of cents. Error 6 beyond the window.
Decimal centsOf(const Variant& money) {
    Decimal amount = rt::toDecimal(money);
    if (amount.isNegative()) amount = amount.negated();
    const Variant rounded = Vround(amount.toDouble(), 2);
    const Decimal cents = rt::toDecimal(rounded) * Decimal::fromInt64(100);
    // A larger amount would lose its high digits in the window: a cheque for the wrong sum.
    if (!(cents < Decimal::fromInt64(kWordsCentsLimit)))
        rt::raise(rt::kErrOverflow, u"The amount is too large to be written in words");
    return cents.normalized();
}

// Right-aligned in kWindowSize blanks.
Str digitWindow(const Decimal& cents) {
    const Str digits = decimalText(cents);
    Str window(size_t(kWindowSize) - digits.size(), u' ');
    window += digits;
    return window;
}

}  // namespace

Str LittleToBig(Variant& money) {
    if (!rt::isNumeric(money)) return {};
    const Str language = languageCode();
    if (language != u"zh-CN" && language != u"zh-TW") return {};

    const WordKeys& k = keys();
    std::array<Str, kWindowSize + 1> units;
    for (int p = 1; p <= kWindowSize; ++p) units[size_t(p)] = sGetText(k.places[size_t(p)]);
    std::array<Str, 11> numerals;
    for (size_t i = 1; i <= 10; ++i) numerals[i] = sGetText(k.numerals[i]);

    const Decimal cents = centsOf(money);
    money = Variant(cents);
    const Str window = digitWindow(cents);

    Str result;
    result.reserve(64);
    int zeroRun = 0;
    for (int p = 1; p <= kWindowSize; ++p) {
        const char16_t c = window[size_t(p - 1)];
        const Str& place = units[size_t(p)];
        if (c == u' ') continue;
        if (c != u'0') {
            if (zeroRun != 0) result += numerals[1];
            result += numerals[size_t(c - u'0' + 1)];
            result += place;
            zeroRun = 0;
            continue;
        }
        ++zeroRun;
        const Str pair = sGetText(k.pair);
        if (place == units[kUnitPlace] || (pair.find(place) != Str::npos && zeroRun % 4 != 0)) {
            result += place;
        } else if (p == kHundredMillionPlace && !endsWith(result, place)) {
            // A zero here always has a non-zero digit at the 10^12 place above it; without
            // the word, 2,000,000,000,000 would read as twenty thousand.
            result += place;
        }
    }

    const Str whole = sGetText(k.whole);
    if (!result.empty()) {
        const StrView last(&result.back(), 1);
        if (last == units[kUnitPlace] || last == units[kTenthPlace]) result += whole;
    }
    const Str pair = sGetText(k.pair);
    return rt::replaceAll(result, pair, sGetText(k.hundredMillion));
}

}  // namespace velmora::text

namespace velmora {

HRESULT CCommonFunction::LittleToBig(Variant* money, Str* result) {
    return guardNone(kSourceCommon, [&] { *result = text::LittleToBig(*money); });
}

}  // namespace velmora
