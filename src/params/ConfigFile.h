#pragma once
// Configuration files: one line per parameter, label "=" value CR CR LF, in
// device bytes (GBK), written the same on every platform.
#include "params/ParamTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Files of this size or larger are refused on reading.
constexpr qsizetype CONFIG_FILE_SIZE_LIMIT = 4000;
// Entries read from a file: 0 to 57 (the GPS group is written but not read).
constexpr int CONFIG_READ_COUNT = PARAM_ALARM_LAST + 1;

// What a save or load ends with: the message to show (success or failure) and,
// for failures, the system's reason where there is one.
struct ConfigFileResult {
  bool ok = false;
  QString message;
  QString detail;
};

// The file's bytes for a table: nCount of entry 0 lines, in index order.
QByteArray ConfigFileBytes(const ParamArray &table);
// Replaces the file at path atomically; the old file stays intact on failure.
ConfigFileResult WriteConfigFile(const QString &path, const ParamArray &table);

// Fills table from the text of a file: entries 0 to 57 that the file holds get
// their value and bFound 1; every other entry keeps "No Exist" and bFound 0.
// A key (label "=") counts only at the start of a line, and the first such line
// wins. A value ends at the first line end (CR CR LF, CR LF or LF). Fails, naming
// the label, when a value is longer than PARAM_VALUE_MAX bytes.
ConfigFileResult ParseConfigFile(QByteArrayView text, ParamArray &table);
// Opens, checks and reads the file, then parses it into table.
ConfigFileResult ReadConfigFile(const QString &path, ParamArray &table);
