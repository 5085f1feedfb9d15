#pragma once
// Per-device values for a batch: an inventory in CSV (a header row of names,
// one row per device) and the ${name} placeholders of a configuration file's
// values that the rows fill.
#include "params/ParamTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Inventories larger than this are refused on reading.
constexpr qsizetype INVENTORY_SIZE_LIMIT = 1 << 20;

struct CsvTable {
  QStringList header;
  QList<QStringList> rows; // each exactly as long as the header
};

// Reads CSV text: UTF-8 (a leading byte-order mark is skipped), fields split by
// commas, a field in double quotes may hold commas, line ends and doubled
// quotes; records end with LF, CR LF or CR; empty lines are skipped. The first
// record is the header: names of letters, digits and "_", not starting with a
// digit, each once. Every other record has as many fields as the header.
// Nothing on failure, with the reason and its line in error.
std::optional<CsvTable> ParseCsv(QByteArrayView text, QString *error);

// The names of the ${name} placeholders in value, in order (repeats kept).
// False, with the reason, for a "${" without its "}" or a name that is not one.
bool PlaceholderNames(QByteArrayView value, QStringList &names, QString *error);
// value with every placeholder replaced by its variable, encoded as GBK.
// Nothing, with the reason, when one has no variable, an empty one, or one
// GBK cannot encode.
std::optional<QByteArray> FillPlaceholders(QByteArrayView value, const QHash<QString, QString> &vars, QString *error);
// Every placeholder name the entries of file hold (entries with bFound), each once.
// False with the reason (naming the label) when one is malformed.
bool TablePlaceholders(const ParamArray &file, QStringList &names, QString *error);
// file with each found entry's placeholders filled from vars; nothing, with the
// reason naming the label, when one cannot be filled.
std::optional<ParamArray> FillTable(const ParamArray &file, const QHash<QString, QString> &vars, QString *error);
