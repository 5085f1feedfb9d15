#pragma once
// What a write would change on a loaded device, as the save walk sees it:
// the list behind "diff", "verify", "--dry-run" and each device of
// "provision"; and the JSON text of the machine-readable outputs.
#include "cli/CliCommands.h"
#include "params/ParamTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CParamTable;
class PageControls;

namespace cli {

// The checks a configuration file passes before any port is opened: it reads,
// holds a parameter, and (with checkValues) every value is one the device can
// take. Nothing, with the reason on stderr, when it fails one.
std::optional<ParamArray> CheckedFile(CCliContext &ctx, const QString &path, bool checkValues = true);

// One parameter the walk would write: the device's value and the new one.
struct PendingChange {
  int index;
  QByteArray device;
  QByteArray value;
};

// The changes the save walk would write with the pages as they are, in its
// order; a value that cannot be written goes to problems instead.
std::vector<PendingChange> PendingChanges(PageControls &pages, const CParamTable &table, QStringList *problems);
// A label and its colon (labels that end with one get no second), then a blank.
QString LabelHead(int index);
// "label: device value -> new value", one line each.
QString ChangesText(const std::vector<PendingChange> &changes);
// The entries of a configuration file the device cannot hold because it did
// not list their group (the power schedules): their indices.
std::vector<int> UnlistedEntries(const ParamArray &file, const CParamTable &table);

// A JSON string literal: quotes, backslashes and control characters escaped,
// everything else as UTF-8.
QString JsonString(const QString &text);
// The table's first count entries as one JSON object, labels as keys, in index order.
QString TableJson(const ParamArray &table, int count);

} // namespace cli
