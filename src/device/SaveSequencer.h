#pragma once
// The save walk: every parameter whose page value differs from the parameter
// table is written with its own command and confirmed by the device's "OK".
#include "params/ParamTable.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class CAtCommand;
class CReplyEngine;
class CSerial;
class DialogHost;
class PageControls;

enum class ECompare { Text, Number, Contained, Selection };

// How parameter index is compared with the table (indices 34, 46, 47: never handled).
ECompare CompareKind(int index);
bool IsSaved(int index);
// The value the walk handles for index when the page differs from the table
// value, or nothing when they agree. Never the placeholder "No Exist", and
// nothing for a list without a selection.
std::optional<QByteArray> ChangedValue(int index, PageControls &pages, const QByteArray &tableValue);
// Writes one parameter with its sender, converting the value as its sender takes it.
bool SendParam(const CAtCommand &at, CSerial &serial, int index, const QByteArray &value);
// The three lines of one parameter: echo (empty: none), success and failure.
QString SaveEchoLine(int index, const QByteArray &value);
QString SaveSuccessLine(int index);
QString SaveFailureLine(int index);

struct SaveContext {
  CReplyEngine &engine;
  CSerial &serial;
  const CAtCommand &at;
  DialogHost &host;
  PageControls &pages;
  std::function<bool(int)> pause; // false when cut short by a shutdown
  std::function<bool()> abort;    // true once the program is closing
};

// The whole walk, as the save button runs it on a worker. Returns the number
// of parameters the device did not accept.
int SaveSettingsThread(const SaveContext &ctx);
// One parameter; 0 when the device accepted it, 1 otherwise.
int SaveParam(const SaveContext &ctx, const QByteArray &value, int index);
