#include "date.h"

#include <time.h>

#include <cmath>
#include <cstdio>

#include "error.h"
#include "locale.h"

namespace rt {

namespace {

constexpr long kSecondsPerDay = 86400;
// Day numbers (days since 1899-12-30) of the first and last representable days.
constexpr long kFirstDay = -657434;  // 100-01-01
constexpr long kLastDay = 2958465;   // 9999-12-31

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// Proleptic Gregorian day count relative to 1970-01-01 and back (H. Hinnant's algorithms).
constexpr long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(long(yoe) + era * 400 + (m <= 2));
}

constexpr long kEpochOffset = daysFromCivil(1899, 12, 30);

// Splits a serial into its day number and the second of that day, rounding to the second.
void splitSerial(double serial, long& day, long& second) {
    if (!std::isfinite(serial) || serial < double(kFirstDay) - 1 || serial > double(kLastDay) + 1) raise(kErrOverflow);
    const double whole = std::trunc(serial);
    day = long(whole);
    second = std::lround(std::fabs(serial - whole) * kSecondsPerDay);
    if (second >= kSecondsPerDay) {
        second -= kSecondsPerDay;
        day += serial < 0 ? -1 : 1;
    }
    if (day < kFirstDay || day > kLastDay) raise(kErrOverflow);
}

double serialOf(long day, long secondOfDay) {
    const double fraction = double(secondOfDay) / kSecondsPerDay;
    return day < 0 ? double(day) - fraction : double(day) + fraction;
}

// --- the date test -----------------------------------------------------------------

class Scanner {
public:
    explicit Scanner(StrView s) : s_(s) {}
    bool atEnd() const { return i_ >= s_.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : s_[i_]; }
    bool take(char16_t c) {
        if (peek() != c) return false;
        ++i_;
        return true;
    }
    bool takeNoCase(char16_t lower) {
        if (peek() != lower && peek() != lower - 32) return false;
        ++i_;
        return true;
    }
    size_t skipSpaces() {
        const size_t from = i_;
        while (peek() == u' ') ++i_;
        return i_ - from;
    }
    // Up to maxDigits decimal digits; the count read (0 when none). Longer runs fail.
    int number(int& value, int maxDigits) {
        int count = 0;
        value = 0;
        while (peek() >= u'0' && peek() <= u'9') {
            if (++count > maxDigits) return -1;
            value = value * 10 + (s_[i_++] - u'0');
        }
        return count;
    }
    size_t pos() const { return i_; }
    void rewind(size_t p) { i_ = p; }

private:
    StrView s_;
    size_t i_ = 0;
};

// Two-digit years as the runtime windows them: 00-29 this century, 30-99 the last.
int windowedYear(int value, int digits) {
    if (digits >= 3) return value;
    return value < 30 ? 2000 + value : 1900 + value;
}

struct DateParts {
    int year = 1899, month = 12, day = 30;
};

// True when the locale writes its short dates with the year last (M/d/yyyy, d/M/yyyy).
bool localeYearLast(bool& dayFirst) {
    const Str& p = systemLocale().shortDatePattern;
    const size_t y = p.find(u'y'), m = p.find(u'M'), d = p.find(u'd');
    dayFirst = d < m;
    return y != Str::npos && m != Str::npos && d != Str::npos && y > m && y > d;
}

// "yyyy-M-d" or "yyyy/M/d" (one separator throughout); also the locale's own order when it
// puts the year last and the text writes a 3- or 4-digit year there.
bool scanDate(Scanner& sc, DateParts& out) {
    int a, b, c;
    const int da = sc.number(a, 4);
    if (da <= 0) return false;
    const char16_t sep = sc.peek();
    if (sep != u'-' && sep != u'/') return false;
    sc.take(sep);
    const int db = sc.number(b, 2);
    if (db <= 0 || !sc.take(sep)) return false;
    const int dc = sc.number(c, 4);
    if (dc <= 0) return false;
    bool dayFirst = false;
    if (da <= 2 && dc >= 3 && localeYearLast(dayFirst)) {
        out.year = c;
        out.month = dayFirst ? b : a;
        out.day = dayFirst ? a : b;
    } else {
        if (dc > 2) return false;
        out.year = windowedYear(a, da);
        out.month = b;
        out.day = c;
    }
    return isValidCivilDate(out.year, out.month, out.day);
}

// "H:mm", "H:mm:ss", each optionally followed by AM or PM.
bool scanTime(Scanner& sc, long& secondOfDay) {
    int h, m, s = 0;
    if (sc.number(h, 2) <= 0 || !sc.take(u':') || sc.number(m, 2) <= 0) return false;
    if (sc.take(u':') && sc.number(s, 2) <= 0) return false;
    const size_t afterDigits = sc.pos();
    sc.skipSpaces();
    int marker = 0;  // 0 none, 1 AM, 2 PM
    if (sc.takeNoCase(u'a'))
        marker = 1;
    else if (sc.takeNoCase(u'p'))
        marker = 2;
    if (marker == 0) {
        sc.rewind(afterDigits);
    } else {
        if (!sc.takeNoCase(u'm') || h > 12) return false;
        h = h % 12 + (marker == 2 ? 12 : 0);
    }
    if (h > 23 || m > 59 || s > 59) return false;
    secondOfDay = h * 3600L + m * 60L + s;
    return true;
}

// --- the pattern formatter -----------------------------------------------------------

void appendNumber(Str& out, long value, int width) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*ld", width, value);
    out.append(ascii(buf));
}

size_t runLength(StrView p, size_t i) {
    size_t n = 1;
    while (i + n < p.size() && p[i + n] == p[i]) ++n;
    return n;
}

bool startsWithNoCase(StrView p, size_t i, StrView what) {
    if (p.size() - i < what.size()) return false;
    return equalsAsciiNoCase(p.substr(i, what.size()), what);
}

// The next date-time letter after position i, skipping literal text; 0 when none.
char16_t nextPlaceholder(StrView p, size_t i) {
    for (; i < p.size(); ++i) {
        const char16_t c = p[i];
        if (c == u'"' || c == u'\'') {
            const size_t close = p.find(c, i + 1);
            if (close == StrView::npos) return 0;
            i = close;
        } else if (c == u'\\') {
            ++i;
        } else if (c == u'y' || c == u'M' || c == u'd' || c == u'H' || c == u'h' || c == u'm' || c == u's') {
            return c;
        }
    }
    return 0;
}

bool hasAmPm(StrView p) {
    for (size_t i = 0; i < p.size(); ++i)
        if (startsWithNoCase(p, i, u"AM/PM") || (p[i] == u't' && i + 1 < p.size() && p[i + 1] == u't')) return true;
    return false;
}

}  // namespace

bool isValidCivilDate(int year, int month, int day) {
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

double serialFromCivil(const CivilTime& t) {
    if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > daysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59)
        raise(kErrOverflow);
    const long day = daysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - kEpochOffset;
    return serialOf(day, t.hour * 3600L + t.minute * 60L + t.second);
}

CivilTime civilFromSerial(double serial) {
    long day, second;
    splitSerial(serial, day, second);
    CivilTime t;
    civilFromDays(day + kEpochOffset, t.year, t.month, t.day);
    t.hour = int(second / 3600);
    t.minute = int(second / 60 % 60);
    t.second = int(second % 60);
    return t;
}

int weekday(double serial) {
    long day, second;
    splitSerial(serial, day, second);
    // Day 0 (1899-12-30) was a Saturday.
    return int(((day + 6) % 7 + 7) % 7) + 1;
}

std::optional<double> parseDateText(StrView s) {
    Scanner sc(trimSpaces(s));
    if (sc.atEnd()) return std::nullopt;
    DateParts date;
    long second = 0;
    const size_t start = sc.pos();
    if (scanDate(sc, date)) {
        if (!sc.atEnd()) {
            if (sc.skipSpaces() == 0 || !scanTime(sc, second)) return std::nullopt;
        }
    } else {
        sc.rewind(start);
        if (!scanTime(sc, second)) return std::nullopt;
    }
    if (!sc.atEnd()) return std::nullopt;
    const long day = daysFromCivil(date.year, unsigned(date.month), unsigned(date.day)) - kEpochOffset;
    return serialOf(day, second);
}

Str dateText(double serial) {
    long day, second;
    splitSerial(serial, day, second);
    // The runtime leaves out a zero date part (1899-12-30) and writes the time alone.
    if (day == 0) return formatDate(serial, u"H:mm:ss");
    Str text = formatDate(serial, systemLocale().shortDatePattern);
    if (second != 0) text += u" " + formatDate(serial, u"H:mm:ss");
    return text;
}

Str formatDate(double serial, StrView p) {
    const CivilTime t = civilFromSerial(serial);
    const bool twelveHour = hasAmPm(p);
    Str out;
    char16_t lastPlaceholder = 0;
    for (size_t i = 0; i < p.size();) {
        const char16_t c = p[i];
        const size_t run = runLength(p, i);
        if (c == u'"' || c == u'\'') {
            const size_t close = p.find(c, i + 1);
            const size_t end = close == StrView::npos ? p.size() : close;
            out.append(p.substr(i + 1, end - i - 1));
            i = end == p.size() ? end : end + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < p.size()) out.push_back(p[i + 1]);
            i += 2;
            continue;
        }
        if (startsWithNoCase(p, i, u"AM/PM")) {
            out.append(t.hour < 12 ? u"AM" : u"PM");
            i += 5;
            continue;
        }
        size_t used = std::min<size_t>(run, 2);
        switch (c) {
            case u'y':
                if (run >= 4) {
                    appendNumber(out, t.year, 4);
                    used = 4;
                } else if (run >= 2) {
                    appendNumber(out, t.year % 100, 2);
                } else {
                    const long dayOfYear = daysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) -
                                           daysFromCivil(t.year, 1, 1) + 1;
                    appendNumber(out, dayOfYear, 1);
                }
                break;
            case u'M':
                appendNumber(out, t.month, int(used));
                break;
            case u'd':
                appendNumber(out, t.day, int(used));
                break;
            case u'H':
                appendNumber(out, t.hour, int(used));
                break;
            case u'h': {
                const int hour = twelveHour ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;
                appendNumber(out, hour, int(used));
                break;
            }
            case u'm': {
                // Minutes right after an hour or right before seconds, otherwise the month.
                const bool minutes = lastPlaceholder == u'H' || lastPlaceholder == u'h' ||
                                     nextPlaceholder(p, i + used) == u's';
                appendNumber(out, minutes ? t.minute : t.month, int(used));
                break;
            }
            case u's':
                appendNumber(out, t.second, int(used));
                break;
            case u't':
                if (run >= 2) {
                    out.append(t.hour < 12 ? u"AM" : u"PM");
                } else {
                    out.push_back(c);
                }
                break;
            default:
                out.push_back(c);
                used = 1;
                break;
        }
        if (c == u'y' || c == u'M' || c == u'd' || c == u'H' || c == u'h' || c == u'm' || c == u's')
            lastPlaceholder = c;
        i += used;
    }
    return out;
}

double timerSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
}

double nowSerial() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    CivilTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = std::min(local.tm_sec, 59);  // a leap second reads as :59
    return serialFromCivil(t);
}

}  // namespace rt
