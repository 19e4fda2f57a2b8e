#include "text/words.h"

#include <array>
#include <cmath>

#include "frame/classes.h"
#include "frame/binding.h"
#include "frame/text_service.h"
#include "runtime/convert.h"
#include "runtime/decimal.h"

namespace velmora::text {

using rt::Decimal;
using rt::Str;
using rt::StrView;
using rt::Variant;

namespace {

// The digit window: 13 integer places (10^12 down to the unit) and two of cents, position p
// (1-based) holding the place 10^(13 - p) of the unit.
constexpr int kWindowSize = 15;
constexpr int kHundredMillionPlace = 5;  // 10^8

// The message keys of the words, in the order of their numbers.
enum WordKey : uint8_t {
    kTopPlaceWord,        // 00003: the 10^12 place
    kThousandWord,        // 00004
    kHundredWord,         // 00005
    kTenWord,             // 00006
    kHundredMillionWord,  // 00007: also what the pair text is replaced by
    kTenThousandWord,     // 00011
    kUnitWord,            // 00015: the yuan
    kTenthWord,           // 00016
    kHundredthWord,       // 00017
    kZeroNumeral,         // 00018; digit d has kZeroNumeral + d (up to 00027)
    kPairText = kZeroNumeral + 10,  // 00028: hundred-million word then ten-thousand word
    kWholeWord,                     // 00029: ends an amount without hundredths
    kWordKeyCount
};

// The place word of each window position (index 0 unused): the four-digit groups share the
// thousand, hundred and ten words.
constexpr WordKey kPlaceWords[kWindowSize + 1] = {
    kUnitWord,                                                               // unused
    kTopPlaceWord,                                                           // 10^12
    kThousandWord, kHundredWord, kTenWord, kHundredMillionWord,              // 10^11 .. 10^8
    kThousandWord, kHundredWord, kTenWord, kTenThousandWord,                 // 10^7 .. 10^4
    kThousandWord, kHundredWord, kTenWord, kUnitWord,                        // 10^3 .. 10^0
    kTenthWord,    kHundredthWord,                                           // cents
};

const std::array<Str, kWordKeyCount>& messageKeys() {
    static const std::array<Str, kWordKeyCount> keys = [] {
        static constexpr int kNumbers[kWordKeyCount] = {3, 4, 5, 6, 7, 11, 15, 16, 17, 18, 19, 20, 21,
                                                       22, 23, 24, 25, 26, 27, 28, 29};
        std::array<Str, kWordKeyCount> k;
        for (size_t i = 0; i < k.size(); ++i) {
            std::string n = std::to_string(kNumbers[i]);
            k[i] = rt::ascii("Ostrel.FM.Velmora." + std::string(5 - n.size(), '0') + n);
        }
        return k;
    }();
    return keys;
}

// The texts of one call, each fetched from the message text service when the amount first
// needs it. The service gives a key the same text throughout a call, so one lookup per key
// serves every place that shares it; nothing is kept between calls.
class CallTexts {
public:
    const Str& operator[](WordKey key) {
        if (!fetched_[key]) {
            texts_[key] = sGetText(messageKeys()[key]);
            fetched_[key] = true;
        }
        return texts_[key];
    }

private:
    std::array<Str, kWordKeyCount> texts_;
    std::array<bool, kWordKeyCount> fetched_{};
};

bool endsWith(StrView s, StrView tail) { return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail; }

// The absolute amount as a double, as the conversion through an exact decimal gives it: for
// a double that is its absolute value (its 15-digit decimal reads back as the same digits).
double absoluteAmount(const Variant& money) {
    const Variant& v = money.deref();
    if (v.type() == rt::VT_R8) return std::fabs(v.r8());
    return rt::toDecimal(v).abs().toDouble();
}

// The amount rounded to cents as Vround(amount, 2) rounds it (halves away from zero on its
// 15-digit decimal), as a whole number of cents. Error 6 from 10^13 units on: the window
// would lose the high digits, a cheque for the wrong sum.
uint64_t centsOf(const Variant& money) {
    const rt::DecimalDigits rounded = rt::roundAwayFromZero(rt::digitsOfDouble(absoluteAmount(money)), 2);
    const long places = rounded.exp10 + 2;  // zeros after the digits, in cents
    if (rounded.integerDigits() + 2 > kWindowSize)
        rt::raise(rt::kErrOverflow, u"The amount is too large to be written in words");
    uint64_t cents = 0;
    for (char c : rounded.digits) cents = cents * 10 + uint64_t(c - '0');
    for (long k = 0; k < places; ++k) cents *= 10;
    return cents;
}

// The cents right-aligned in kWindowSize blanks.
std::array<char16_t, kWindowSize> digitWindow(uint64_t cents) {
    std::array<char16_t, kWindowSize> window;
    window.fill(u' ');
    size_t i = window.size();
    do {
        window[--i] = char16_t(u'0' + cents % 10);
        cents /= 10;
    } while (cents != 0);
    return window;
}

}  // namespace

Str LittleToBig(Variant& money) {
    if (!rt::isNumeric(money)) return {};
    const Str language = languageCode();
    if (language != u"zh-CN" && language != u"zh-TW") return {};

    const uint64_t cents = centsOf(money);
    const std::array<char16_t, kWindowSize> window = digitWindow(cents);
    CallTexts text;
    Str result;
    result.reserve(64);
    int zeroRun = 0;  // zeros met since the last non-zero digit
    for (int p = 1; p <= kWindowSize; ++p) {
        const char16_t c = window[size_t(p - 1)];
        if (c == u' ') continue;
        const Str& place = text[kPlaceWords[p]];
        if (c != u'0') {
            if (zeroRun != 0) result += text[kZeroNumeral];
            result += text[WordKey(kZeroNumeral + (c - u'0'))];
            result += place;
            zeroRun = 0;
            continue;
        }
        ++zeroRun;
        // The unit word always stands; a group word stands unless its whole group is zero.
        if (place == text[kUnitWord] || (text[kPairText].find(place) != Str::npos && zeroRun % 4 != 0)) {
            result += place;
        } else if (p == kHundredMillionPlace && !endsWith(result, place)) {
            // A zero here always has a non-zero digit at the 10^12 place above it; without
            // the word, 2,000,000,000,000 would read as twenty thousand.
            result += place;
        }
    }

    if (!result.empty()) {
        const StrView last(&result.back(), 1);
        if (last == text[kUnitWord] || last == text[kTenthWord]) result += text[kWholeWord];
        // An all-zero ten-thousand group right after the hundred-million word leaves the
        // pair behind; only the hundred-million word stays.
        const Str& pair = text[kPairText];
        if (result.find(pair) != Str::npos) result = rt::replaceAll(result, pair, text[kHundredMillionWord]);
    }
    money = Variant(Decimal::fromInt64(int64_t(cents)));
    return result;
}

}  // namespace velmora::text

namespace velmora {

HRESULT CCommonFunction::LittleToBig(Variant* money, Str* result) {
    return bind<&_CCommonFunction::LittleToBig>(&text::LittleToBig, money, result);
}

}  // namespace velmora
