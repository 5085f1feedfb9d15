#pragma once
// Turns the device's settings listing (the reply to at+show) into the parameter table.
#include "params/ParamTable.h"

#include <QByteArrayView>

// Looks up each of the 69 labels at the start of a line of the listing (the
// first such line counts, in any order) and takes the rest of that line, after
// the blanks or dot leader that follow the label, as the value. Every entry is reset first ("No Exist", not found, its
// label stored). False when a value longer than PARAM_VALUE_MAX ended the scan;
// the entries from that one on then keep their reset state.
bool ParseSettings(QByteArrayView text, ParamArray &table);
