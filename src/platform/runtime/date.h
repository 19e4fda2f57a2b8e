// The automation date: days since 1899-12-30 as a double, the time of day as the fraction
// (negative serials count whole days backwards, the fraction still forwards in the day).
#pragma once

#include <optional>

#include "ustring.h"

namespace rt {

struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

bool isValidCivilDate(int year, int month, int day);
// Years 100..9999; error 6 (Overflow) outside.
double serialFromCivil(const CivilTime& t);
// Rounds to the nearest second. Error 6 for serials outside years 100..9999.
CivilTime civilFromSerial(double serial);
// 1 = Sunday ... 7 = Saturday.
int weekday(double serial);

// The date test on text: year first, "-" or "/" as separators (one of them throughout),
// 3- or 4-digit years 100..9999 (1- and 2-digit years windowed as the runtime does: 00-29
// are 20xx, 30-99 19xx), real calendar days only, optional time of day after spaces
// ("10:20", "10:20:30", with optional AM/PM). Also read: the locale's own day order when
// its short date puts the year last (3/5/2007 under en-US), and a time of day alone (the
// serial's fraction). Surrounding spaces are ignored. nullopt when the text is not a date.
std::optional<double> parseDateText(StrView s);

// The system short-date text (the locale's pattern), followed by " " and the time
// ("H:mm:ss") when the time is not midnight. As the runtime does, a serial without a date
// part (day 1899-12-30) gives the time alone ("10:20:30", "0:00:00"). Error 6 out of range.
Str dateText(double serial);
// Pattern formatter for dates: yyyy, yy, y (day of the year), MM, M, dd, d, HH, H, hh, h
// (12-hour only when the pattern has AM/PM or tt), mm, m (minutes right after an hour or
// right before seconds, else month), ss, s, AM/PM, tt; "..." or '...' and \x are literal,
// any other character is itself. Error 6 for serials out of range.
Str formatDate(double serial, StrView pattern);

// Current time of day in seconds since midnight, with fractions.
double timerSeconds();
// Current local date and time as a serial.
double nowSerial();

}  // namespace rt
