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

// The date test on text: year first, "-" or "/" as separators, 4-digit years 100..9999
// (shorter years as the runtime reads them), real calendar days only, optional time of day
// ("10:20", "10:20:30", with optional AM/PM). nullopt when the text is not a date.
std::optional<double> parseDateText(StrView s);

// The system short-date text (the locale's pattern), followed by " " and the time
// ("H:mm:ss") when the time is not midnight.
Str dateText(double serial);
// Pattern formatter for dates: yyyy, yy, MM, M, dd, d, HH, H, hh, h, mm, m (minutes after
// an hour, else month), ss, s, and literal text.
Str formatDate(double serial, StrView pattern);

// Current time of day in seconds since midnight, with fractions.
double timerSeconds();
// Current local date and time as a serial.
double nowSerial();

}  // namespace rt
