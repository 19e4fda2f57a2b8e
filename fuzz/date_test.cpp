// The date test and the SQL date literals: calendar dates written in every accepted and
// refused form, checked against a day count of their own; any text for robustness.
#include <cstdio>

#include "data/literals.h"
#include "fuzz_support.h"
#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/error.h"

using rt::Str;
using rt::Variant;

namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int monthDays(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

// Days from 0001-01-01 (day 1, a Monday) in the proleptic Gregorian calendar.
long dayCount(int y, int m, int d) {
    const long py = y - 1;
    long days = 365 * py + py / 4 - py / 100 + py / 400;
    for (int k = 1; k < m; ++k) days += monthDays(y, k);
    return days + d;
}

long floorDiv(long a, long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

struct Written {
    Str text;
    int year, month, day;  // as the reader should understand them
    bool valid;            // a real calendar date of years 100..9999
    char16_t separator;
};

Written writeDate(const uint8_t* p) {
    const int rawYear = (p[0] | (p[1] << 8)) % 11000;
    const int month = p[2] % 14, day = p[3] % 33;
    const char16_t seps[3] = {u'-', u'/', u'.'};
    const char16_t sep = seps[p[4] % 3];
    char buf[64];
    const char* yf = (p[5] & 1) ? "%04d" : "%d";
    const char* mf = (p[5] & 2) ? "%02d" : "%d";
    const char* df = (p[5] & 4) ? "%02d" : "%d";
    std::string fmt = std::string(yf) + "%c" + mf + "%c" + df;
    std::snprintf(buf, sizeof buf, fmt.c_str(), rawYear, char(sep), month, char(sep), day);
    std::string s = buf;
    if (p[5] & 8) s += " " + std::to_string(p[6] % 24) + ":" + std::to_string(p[7] % 60) + ":" + std::to_string(p[6] % 60);
    const int yearDigits = int(std::to_string(rawYear).size()) > 2 || (p[5] & 1) ? 3 : 2;
    const int year = yearDigits >= 3 ? rawYear : rawYear < 30 ? 2000 + rawYear : 1900 + rawYear;
    const bool valid = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= monthDays(year, month);
    return {rt::ascii(s), year, month, day, valid, sep};
}

Str canonical(int y, int m, int d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return rt::ascii(buf);
}

void checkWritten(const Written& w) {
    const bool readable = w.valid && w.separator != u'.';
    if (rt::isDate(Variant(w.text)) != readable) fuzz::mismatch("date test", w.text, u"", readable ? u"a date" : u"no date");

    const Str want = w.valid ? canonical(w.year, w.month, w.day) : Str();
    const bool inRange = w.valid && w.year >= 1753 && w.year <= 9998;
    Variant v(w.text);
    fuzz::expectEqual("sCheckDate", w.text, velmora::data::sCheckDate(v), inRange ? want : Str());
    Variant n(w.text);
    fuzz::expectEqual("sCheckDateNull", w.text, velmora::data::sCheckDateNull(n), readable ? u"'" + want + u"'" : u"null");
    Str b = w.text;
    const bool ok = velmora::data::bCheckDate(b);
    if (ok != inRange) fuzz::mismatch("bCheckDate", w.text, ok ? u"true" : u"false", inRange ? u"true" : u"false");
    fuzz::expectEqual("bCheckDate text", w.text, b, inRange ? want : Str());
}

void checkDifferences(const Written& a, const Written& b) {
    if (!a.valid || !b.valid || a.separator == u'.' || b.separator == u'.') return;
    const Variant x(a.text), y(b.text);
    auto diff = [&](const char16_t* kind) {
        Str para = kind;
        return velmora::data::iDateDiff(x, y, para);
    };
    const long da = dayCount(a.year, a.month, a.day), db = dayCount(b.year, b.month, b.day);
    const long want[] = {b.year - a.year, (b.year * 12 + b.month) - (a.year * 12 + a.month), db - da, (db - da) / 7,
                         floorDiv(db, 7) - floorDiv(da, 7),
                         (4L * b.year + (b.month - 1) / 3) - (4L * a.year + (a.month - 1) / 3)};
    const char16_t* kinds[] = {u"yyyy", u"M", u"d", u"w", u"WW", u"q"};
    for (int i = 0; i < 6; ++i) {
        const long got = diff(kinds[i]);
        if (got != want[i])
            fuzz::mismatch("iDateDiff", a.text + u" .. " + b.text + u" in " + kinds[i], rt::ascii(std::to_string(got)),
                           rt::ascii(std::to_string(want[i])));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 17 && data[0] == 'W') {
        const Written a = writeDate(data + 1), b = writeDate(data + 9);
        checkWritten(a);
        checkWritten(b);
        checkDifferences(a, b);
        return 0;
    }
    // Any text: every date method gives an answer or a clean error, and they agree.
    const Str text = fuzz::latin1(data, size);
    Variant v(text), n(text);
    const Str checked = velmora::data::sCheckDate(v);
    Str b = text;
    const bool ok = velmora::data::bCheckDate(b);
    if (ok != !checked.empty() || b != checked) fuzz::mismatch("bCheckDate against sCheckDate", text, b, checked);
    const Str quoted = velmora::data::sCheckDateNull(n);
    if (rt::parseDateText(text)) {
        const Str c = velmora::data::canonicalDateText(Variant(text));
        fuzz::expectEqual("canonical of canonical", text, velmora::data::canonicalDateText(Variant(c)), c);
        fuzz::expectEqual("sCheckDateNull", text, quoted, u"'" + c + u"'");
        for (const char16_t* kind : {u"yyyy", u"q", u"m", u"y", u"d", u"w", u"ww", u"h", u"n", u"s"}) {
            Str p1 = kind, p2 = kind;
            try {
                const int32_t forth = velmora::data::iDateDiff(Variant(text), Variant(c), p1);
                const int32_t back = velmora::data::iDateDiff(Variant(c), Variant(text), p2);
                if (forth != -back) fuzz::mismatch("iDateDiff symmetry", text + u" " + kind, u"", u"");
            } catch (rt::Error&) {
            }
        }
    } else if (quoted != u"null") {
        fuzz::mismatch("sCheckDateNull of a non-date", text, quoted, u"null");
    }
    Str para = text;
    try {
        velmora::data::iDateDiff(Variant(text), Variant(u"2007-03-05"), para);
    } catch (rt::Error&) {
    }
    try {
        (void)velmora::data::sCheckNull(Variant(text));
        (void)velmora::data::sCheckMoney(Variant(text));
    } catch (rt::Error&) {
    }
    return 0;
}
