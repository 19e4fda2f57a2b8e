#include "text/money.h"

#include <cmath>
#include <optional>

#include "frame/classes.h"
#include "frame/binding.h"
#include "runtime/convert.h"
#include "runtime/number_format.h"
#include "text/strings.h"

namespace velmora::text {

using rt::Decimal;
using rt::NumberPattern;
using rt::Str;
using rt::Variant;

namespace {

// The amount with spaces trimmed, as text (null stays null: it has no text to trim).
Variant trimmedAmount(const Variant& v) {
    if (v.isNull()) return v;
    return Variant(Str(rt::trimSpaces(rt::toText(v))));
}

// Whether the value converts to a decimal zero. Error 6 beyond the decimal range.
bool isDecimalZero(const Variant& v) {
    if (v.type() == rt::VT_R8) {
        // Within these bounds a double is a non-zero decimal; outside, ask the conversion.
        const double a = std::fabs(v.r8());
        if (a >= 1e-13 && a < 1e15) return false;
        return Decimal::fromDouble(v.r8()).isZero();
    }
    return rt::toDecimal(v).isZero();
}

NumberPattern moneyPattern(int16_t hasdot, int16_t count, bool percent) {
    NumberPattern p = hasdot == 1   ? NumberPattern::fixedDecimals(count)
                      : hasdot == 0 ? NumberPattern::upToFourDecimals()
                                    : NumberPattern::wholeNumber();
    p.percent = percent;
    return p;
}

}  // namespace

Str sMoneyFormat(const Variant& vMny, int16_t hasdot, int16_t count, int16_t& mode) {
    Variant modeValue(mode);
    // Every digit of 0 reads as 0 and leaves it 0: the common mode needs no digit reading.
    auto flagOn = [&](int32_t digit) { return mode != 0 && iBitVal(modeValue, digit) != 0; };

    const bool trim = flagOn(kTrimDigit);
    if (mode != 0) mode = modeValue.i2();  // iBitVal has replaced it by its absolute value
    Variant trimmed;
    const Variant* working = &vMny.deref();
    if (trim) {
        trimmed = trimmedAmount(*working);
        working = &trimmed;
    }
    const bool numeric = working->type() == rt::VT_R8 || rt::isNumeric(*working);  // doubles always are
    if (!numeric) return rt::toText(*working);
    if (flagOn(kPlainTextDigit)) return rt::toDecimal(*working).toText();
    if (isDecimalZero(*working) && !flagOn(kShowZeroDigit)) return {};

    Str out;
    rt::appendFormatted(rt::digitsOfValue(*working), moneyPattern(hasdot, count, flagOn(kPercentDigit)), out);
    if (hasdot == 0 && !out.empty() && out.back() == u'.') out.pop_back();
    return out;
}

namespace {

// strVal(v, true) leaves a non-empty text without surrounding spaces as it is; only other
// operands need the normaliser (and its copies).
void normalizeOperand(Variant& v) {
    if (v.isString()) {
        const Str& s = v.str();
        if (!s.empty() && s.front() != u' ' && s.back() != u' ') return;
    }
    v = strVal(v, true);
}

// The exact sum or difference as plain decimal text. Throws error 13 for an operand that is not
// a number, 6 for a result beyond the decimal range.
Str sumText(Variant& vFore, Variant& vBack, bool bMode) {
    normalizeOperand(vFore);
    normalizeOperand(vBack);
    const Decimal fore = rt::toDecimal(vFore);
    const Decimal back = rt::toDecimal(vBack);
    if (fore.isZero() && back.isZero()) return u"0";
    // A zero operand leaves the other one as its caller wrote it (12.50 stays 12.50).
    if (fore.isZero()) return rt::toText(vBack);
    if (back.isZero()) return rt::toText(vFore);
    return (bMode ? fore + back : fore - back).toText();
}

}  // namespace

void strAdd(GuardScope& guard, Variant& vFore, Variant& vBack, bool bMode, int16_t /*iDotCount*/, Str& result) {
    guard.onError([&result] { result = u"0"; });
    result = sumText(vFore, vBack, bMode);
}

Variant roundToDecimals(double val1, int16_t dec) {
    const NumberPattern pattern = NumberPattern::optionalDecimals(dec);
    Str text = rt::formatNumber(rt::digitsOfDouble(val1), pattern);
    if (text.back() != u'.') return Variant(std::move(text));
    // Rounding up the largest doubles gives a whole number no double holds.
    const std::optional<double> whole = rt::parseNumberText(text);
    if (!whole) rt::raise(rt::kErrOverflow);
    return Variant(*whole);
}

Variant Vround(GuardScope& guard, double val1, int16_t dec) {
    Variant result;
    guard.step([&] { result = roundToDecimals(val1, dec); });
    return result;
}

}  // namespace velmora::text

namespace velmora {

HRESULT CCommonFunction::sMoneyFormat(Variant* vMny, int16_t* hasdot, int16_t* count, int16_t* mode, Str* result) {
    return bind<&_CCommonFunction::sMoneyFormat>(&text::sMoneyFormat, vMny, hasdot, count, mode, result);
}

HRESULT CCommonFunction::strAdd(Variant* vFore, Variant* vBack, VARIANT_BOOL* bMode, int16_t* iDotCount,
                                Str* result) {
    return bind<&_CCommonFunction::strAdd>(&text::strAdd, vFore, vBack, bMode, iDotCount, result);
}

HRESULT CCommonFunction::Vround(double* val1, int16_t* dec, Variant* result) {
    return bind<&_CCommonFunction::Vround>(&text::Vround, val1, dec, result);
}

}  // namespace velmora
