#pragma once
// A settings listing as the device prints it, for the parser and file tests.
#include "params/ParamTable.h"
#include "text/Gbk.h"

#include <QByteArray>
#include <QString>

namespace fixture {

// The value the sample device lists for each parameter (before trims).
inline QByteArray ListedValue(int index) {
  switch (index) {
  case 0:
    return text::ToGbk(QStringLiteral("中国移动CMNET"));
  case 17:
    return "TRANSPARENT";
  case 18:
    return "AUTO";
  case 19:
    return "8,N,1";
  case 22:
    return "115200";
  case 37:
    return "a=b c"; // an "=" inside a value
  case 48:
    return R"(OW,15,"08:30:00",60)";
  case 49:
    return "D";
  default:
    return "value" + QByteArray::number(index);
  }
}

// The value the table holds after parsing the sample listing.
inline QByteArray ParsedValue(int index) {
  switch (index) {
  case 17:
    return "TRNS";
  case 19:
    return "8N1";
  default:
    return ListedValue(index);
  }
}

// One line: label, a blank, the value, then as many filler characters as the
// parser trims for that index, so the trims show in the result.
inline QByteArray ListingLine(int index, const QByteArray &value) {
  const ParamInfo &info = ParamInfoAt(index);
  return QByteArray(info.label) + ' ' + value + QByteArray(info.trim, '#') + "\r\n";
}

inline QByteArray FullListing() {
  QByteArray listing = "at+show\r\n";
  for (int i = 0; i < PARAM_COUNT; ++i)
    listing += ListingLine(i, ListedValue(i));
  return listing + "OK\r\n";
}

} // namespace fixture
