#pragma once
// Shows a parameter table in the page controls and decides which of the
// power-schedule and GPS pages are offered.
#include "params/ParamTable.h"

class PageControls;

// Position of the first keyword of a list's keyword table found in value, or
// -1 when none is (entries 17, 18 and 19 have keyword tables; others none).
int KeywordPosition(int index, const QByteArray &value);

// Sets g_serialWork from entries 19 and 22 as well.
void FillPages(const ParamArray &table, PageControls &pages);

// Shows a configuration file's table: only the entries the file holds (bFound)
// change their controls, schedules only when the device listed them; the GPS
// group, the tabs, the page enabling and g_serialWork stay as they are.
void FillPagesFromFile(const ParamArray &file, PageControls &pages);
