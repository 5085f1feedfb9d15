#pragma once
// A parameter's value as the device takes it: the checks before anything is
// written, and the exact command that writes it. All of it follows the
// parameter's row.
#include "params/ParamTable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// True for the parameters the device takes as a number (the command carries
// the value converted to an integer, or the walk compares it as one).
bool TakesNumber(int index);
// The decimal prefix of value as the C library reads it (blanks, a sign,
// digits; "abc" is 0), or nothing when it does not fit the device's 32-bit integer.
std::optional<std::int32_t> DeviceNumber(const QByteArray &value);
// Why value cannot be written as parameter index (too long, a number the
// device cannot hold), in words; empty when it can.
QString ValueProblem(int index, const QByteArray &value);
// The command that writes value as parameter index, CR included; empty for a
// parameter that is never written.
QByteArray ParamCommand(int index, const QByteArray &value);
