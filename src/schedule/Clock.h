#pragma once
// The clock string that sets the device clock: a quoted date and time and the
// weekday digit.
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include <optional>

// Weekday of a calendar date, 0 Sunday ... 6 Saturday; nothing for a date that does not exist.
std::optional<int> WeekdayOf(int year, int month, int day);
// The clock string for a local date and time: "yyyy/MM/dd,hh:mm:ss",w with the quotes.
QByteArray ClockString(const QDateTime &local);
QByteArray ClockStringNow();
// The clock string for date and time texts as the user entered them, with the
// weekday of that date; nothing when the date does not exist.
std::optional<QByteArray> ClockStringFromText(QByteArrayView date, QByteArrayView time);
