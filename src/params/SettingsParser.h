#pragma once
// Turns the device's settings listing (the reply to at+show) into the parameter table.
#include "params/ParamTable.h"

#include <QByteArrayView>

// Looks up each of the 69 labels anywhere in the listing and takes the rest of
// its line as the value. Every entry is reset first ("No Exist", not found, its
// label stored). False when a value longer than PARAM_VALUE_MAX ended the scan;
// the entries from that one on then keep their reset state.
bool ParseSettings(QByteArrayView text, ParamArray &table);
