#pragma once
// Shows a parameter table in the page controls and decides which of the
// power-schedule and GPS pages are offered.
#include "params/DeviceSession.h"

class PageControls;

// Sets work from entries 19 and 22 as well.
void FillPages(const ParamArray &table, PageControls &pages, CSerialWorkSettings &work);

// Shows a configuration file's table: only the entries the file holds (bFound)
// change their controls, schedules only when the device listed them; the GPS
// group, the tabs, the page enabling and the work settings stay as they are.
void FillPagesFromFile(const ParamArray &file, PageControls &pages, const CParamTable &device);
