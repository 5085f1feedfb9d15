#pragma once
// The fixed items of every list and combo on the setting pages and the main
// window, shared by the Qt pages and the in-memory page model.
#include "params/ParamTable.h"

#include <QByteArray>
#include <QStringList>

namespace pageitems {

// Main window combos (EPage::None).
constexpr int MAIN_BAUD = 1007;
constexpr int MAIN_PARITY = 1008;
// Power-schedule page lists.
constexpr int ALARM_CLOCK_SOURCE = 1069;
constexpr int ALARM_WEEKDAY = 1070;

// Items of the list `controlId` on `page` in the given language; empty when it has none.
QStringList Items(EPage page, int controlId, bool chinese);
// As above, in the language of g_chineseUi.
QStringList Items(EPage page, int controlId);
// Items of the list that shows parameter index (empty for edits).
QStringList ParamItems(int index);

} // namespace pageitems
