#include "data/literals.h"

#include <cmath>
#include <limits>

#include "frame/classes.h"
#include "frame/binding.h"
#include "runtime/convert.h"
#include "runtime/date.h"

namespace velmora::data {

using rt::Str;
using rt::StrView;
using rt::Variant;

namespace {

Str quoted(StrView text) {
    Str out;
    out.reserve(text.size() + 2);
    out += u'\'';
    out += text;
    out += u'\'';
    return out;
}

// Day number of the calendar date of t (days since 1899-12-30).
int64_t dayNumber(const rt::CivilTime& t) {
    rt::CivilTime midnight{t.year, t.month, t.day, 0, 0, 0};
    return int64_t(rt::serialFromCivil(midnight));
}

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Day 1 (1899-12-31) was a Sunday: weeks counted from there start on Sundays.
int64_t sundayWeek(int64_t day) { return floorDiv(day - 1, 7); }

int64_t quarterIndex(const rt::CivilTime& t) { return 4 * int64_t(t.year) + (t.month - 1) / 3; }
int64_t monthIndex(const rt::CivilTime& t) { return 12 * int64_t(t.year) + t.month; }
int64_t hourIndex(const rt::CivilTime& t) { return 24 * dayNumber(t) + t.hour; }
int64_t minuteIndex(const rt::CivilTime& t) { return 60 * hourIndex(t) + t.minute; }
int64_t secondIndex(const rt::CivilTime& t) { return 60 * minuteIndex(t) + t.second; }

// Boundaries of the interval kind crossed from a to b.
int64_t intervalsBetween(const rt::CivilTime& a, const rt::CivilTime& b, StrView kind) {
    const Str k = rt::asciiLower(kind);
    if (k == u"yyyy") return int64_t(b.year) - a.year;
    if (k == u"q") return quarterIndex(b) - quarterIndex(a);
    if (k == u"m") return monthIndex(b) - monthIndex(a);
    if (k == u"y" || k == u"d") return dayNumber(b) - dayNumber(a);
    if (k == u"w") return (dayNumber(b) - dayNumber(a)) / 7;
    if (k == u"ww") return sundayWeek(dayNumber(b)) - sundayWeek(dayNumber(a));
    if (k == u"h") return hourIndex(b) - hourIndex(a);
    if (k == u"n") return minuteIndex(b) - minuteIndex(a);
    if (k == u"s") return secondIndex(b) - secondIndex(a);
    rt::raise(rt::kErrInvalidCall);
}

}  // namespace

Str canonicalDateText(const Variant& date) { return rt::formatDate(rt::toDate(date), u"yyyy-MM-dd"); }

bool isInDateRange(StrView canonical) { return canonical >= StrView(u"1753") && canonical <= StrView(u"9999"); }

void NormalizeDateText(Variant& v) {
    try {
        v = Variant(rt::replaceAll(rt::toText(v), u".", u"-"));
    } catch (rt::Error&) {
        // A value without text stays as it is.
    }
}

Str sCheckDateNull(Variant& sDate) {
    if (!rt::isDate(sDate)) return u"null";
    NormalizeDateText(sDate);
    return quoted(canonicalDateText(sDate));
}

Str sCheckDate(Variant& sDate) {
    NormalizeDateText(sDate);
    if (!rt::isDate(sDate)) return {};
    Str canonical = canonicalDateText(sDate);
    return isInDateRange(canonical) ? canonical : Str();
}

Str sCheckNull(const Variant& sParam) {
    if (sParam.deref().isNull()) return u"null";
    // Doubled apostrophes keep the literal one literal: no broken SQL, no way out of it.
    return quoted(rt::replaceAll(rt::toText(sParam), u"'", u"''"));
}

Str sCheckMoney(const Variant& sMon) {
    if (!rt::isNumeric(sMon)) return u"null";
    // No SQL number stands for NaN or an infinity.
    if (const rt::Variant& v = sMon.deref(); v.type() == rt::VT_R8 && !std::isfinite(v.r8())) rt::raise(rt::kErrOverflow);
    return rt::replaceAll(rt::toText(sMon), u",", u"");
}

bool bCheckDate(Str& sDate) {
    Variant v(sDate);
    NormalizeDateText(v);
    if (rt::isDate(v)) {
        sDate = canonicalDateText(v);
        if (isInDateRange(sDate)) return true;
    }
    sDate.clear();
    return false;
}

int32_t iDateDiff(const Variant& date1, const Variant& date2, Str& para) {
    if (!rt::isDate(date1) || !rt::isDate(date2)) {
        para.clear();
        return 0;
    }
    const rt::CivilTime a = rt::civilFromSerial(rt::toDate(date1));
    const rt::CivilTime b = rt::civilFromSerial(rt::toDate(date2));
    const int64_t n = intervalsBetween(a, b, para);
    if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
        rt::raise(rt::kErrOverflow);
    return int32_t(n);
}

}  // namespace velmora::data

namespace velmora {

HRESULT CCommonFunction::sCheckDateNull(Variant* sDate, Str* result) {
    return bind<&_CCommonFunction::sCheckDateNull>(&data::sCheckDateNull, sDate, result);
}

HRESULT CCommonFunction::sCheckDate(Variant* sDate, Str* result) {
    return bind<&_CCommonFunction::sCheckDate>(&data::sCheckDate, sDate, result);
}

HRESULT CCommonFunction::sCheckNull(Variant* sParam, Str* result) {
    return bind<&_CCommonFunction::sCheckNull>(&data::sCheckNull, sParam, result);
}

HRESULT CCommonFunction::sCheckMoney(Variant* sMon, Str* result) {
    return bind<&_CCommonFunction::sCheckMoney>(&data::sCheckMoney, sMon, result);
}

HRESULT CCommonFunction::bCheckDate(Str* sDate, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bCheckDate>(&data::bCheckDate, sDate, result);
}

HRESULT CCommonFunction::iDateDiff(Variant* date1, Variant* date2, Str* para, int32_t* result) {
    return bind<&_CCommonFunction::iDateDiff>(&data::iDateDiff, date1, date2, para, result);
}

}  // namespace velmora
