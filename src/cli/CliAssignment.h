#pragma once
// The LABEL=VALUE arguments of "set": which parameter a label names and
// whether its control can take the value, checked before any port is opened.
#include <QString>

#include <optional>

namespace cli {

// One parameter change of "set": the index and what its control gets.
struct Assignment {
  int index = -1;
  QString text;       // edits, the baud combo and schedules
  int selection = -1; // lists
};

// The list position a value names: an item text in the interface language,
// then in the other, then a position number.
std::optional<int> ListPosition(int index, const QString &value);
// Why value is not one the parameter takes, in words; empty when it is.
QString TextProblem(int index, const QString &value);
// Parses LABEL=VALUE; an error message when it is not one.
std::optional<Assignment> ParseAssignment(const QString &arg, QString &error);

} // namespace cli
