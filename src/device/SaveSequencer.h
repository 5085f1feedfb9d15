#pragma once
// The save walk: every parameter whose page value differs from the parameter
// table is written with its own command and confirmed by the device's "OK".
#include "device/ReplyEngine.h"
#include "host/DialogHost.h"
#include "params/DeviceSession.h"
#include "params/ParamValue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CAtCommand;
class CSerial;
class DialogHost;
class PageControls;

// How parameter index is compared with the table (its row's rule).
ECompare CompareKind(int index);
// The value the walk handles for index when the page differs from the table
// value, or nothing when they agree. Never the placeholder "No Exist", and
// nothing for a list without a selection. A page text the user did not edit
// is never a change, whatever bytes the device holds. A value that cannot be
// written (see ValueProblem, or text GBK cannot encode) gives nothing and,
// when problem is given, the reason there.
std::optional<QByteArray> ChangedValue(int index, PageControls &pages, const QByteArray &tableValue,
                                       QString *problem = nullptr);
// The three lines of one parameter: echo (empty: none), success and failure.
QString SaveEchoLine(int index, const QByteArray &value);
QString SaveSuccessLine(int index);
QString SaveFailureLine(int index);

// One value the walk would write.
struct PageChange {
  int index;
  QByteArray value;
};
// What the walk would write, in its order: entries 0 to 45, then the schedule
// and GPS groups where the device listed them. A value that cannot be written
// is left out and its reason added to problems.
std::vector<PageChange> PageChanges(PageControls &pages, const CParamTable &table, QStringList *problems);
// The parameters whose page value differs from the device's: those the walk
// would write and those it would refuse.
std::vector<int> DifferingParams(PageControls &pages, const CParamTable &table);
// What the walk would write, as the user reads it: label, the device's value,
// the new value (a list's item and a schedule's sentence beside the bytes).
QList<WriteRow> WriteRows(const std::vector<PageChange> &changes, PageControls &pages, const CParamTable &table);
// True when a page holds an edit the device does not have yet (one that
// could not be written counts too).
bool HasUnwrittenEdits(PageControls &pages, const CParamTable &table);

struct SaveContext {
  CReplyEngine &engine;
  CSerial &serial;
  const CAtCommand &at;
  DialogHost &host;
  PageControls &pages;
  CDeviceSession &session;        // the table the walk compares with and updates
  std::function<bool(int)> pause; // false when cut short by a shutdown
  std::function<bool()> abort;    // true once the program closes or a stop comes
  bool revertOnCancel = false;    // declined writes put the device's values back on the pages
};

// One parameter the walk tried, with its exchange's outcome.
struct SaveItem {
  int index;
  QByteArray value;
  EOutcome outcome;
};

struct SaveResult {
  int written = 0;                 // parameters the device confirmed
  int failures = 0;                // parameters tried and not confirmed
  bool stopped = false;            // a stop or the closing program ended the walk early
  bool refused = false;            // a value could not be written: nothing was
  bool cancelled = false;          // the list of writes was declined: nothing was written
  std::vector<SaveItem> items;     // every parameter tried, in the walk's order
  std::vector<PageChange> untried; // changes a stop left unwritten
  QStringList problems;            // why values were refused
  bool Succeeded() const { return failures == 0 && !stopped && !refused && !cancelled; }
};

// The whole walk, as the save button runs it on a worker. Every changed value
// is checked first; when one cannot be written, the walk says why (a message
// box) and writes nothing. A stop ends the walk with a failure line.
SaveResult SaveSettingsThread(const SaveContext &ctx);
// One parameter: the exchange's outcome; only Answered stores the value.
EOutcome SaveParam(const SaveContext &ctx, const QByteArray &value, int index);
