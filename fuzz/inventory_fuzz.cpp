// Inventories and placeholder values of any content. The input is split at its
// first NUL: CSV text before it, a configuration value after it.
#include "FuzzCheck.h"
#include "params/Inventory.h"

#include <QStringList>

namespace {
// Every field quoted, quotes doubled: a table any reader must read back as it is.
QByteArray CsvText(const CsvTable &t) {
  auto record = [](const QStringList &fields) {
    QStringList quoted;
    for (QString f : fields)
      quoted << QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
  };
  QByteArray out = record(t.header);
  for (const QStringList &r : t.rows)
    out += record(r);
  return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  const QByteArrayView all(data, static_cast<qsizetype>(size));
  const qsizetype nul = all.indexOf('\0');
  const QByteArrayView csv = nul < 0 ? all : all.first(nul);
  const QByteArrayView value = nul < 0 ? QByteArrayView() : all.sliced(nul + 1);

  QString error;
  if (const std::optional<CsvTable> t = ParseCsv(csv, &error)) {
    FUZZ_CHECK(!t->header.isEmpty());
    for (const QStringList &r : t->rows)
      FUZZ_CHECK(r.size() == t->header.size());
    const std::optional<CsvTable> again = ParseCsv(CsvText(*t), &error);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->header == t->header);
    FUZZ_CHECK(again->rows == t->rows);
  } else {
    FUZZ_CHECK(!error.isEmpty());
  }

  QStringList names;
  if (!PlaceholderNames(value, names, &error)) {
    FUZZ_CHECK(!FillPlaceholders(value, {}, &error).has_value());
    return 0;
  }
  // Every placeholder filled with one letter: the value shrinks by its "${name}" each.
  QHash<QString, QString> vars;
  qsizetype removed = 0;
  for (const QString &n : names) {
    vars.insert(n, QStringLiteral("x"));
    removed += n.size() + 3 - 1;
  }
  const std::optional<QByteArray> filled = FillPlaceholders(value, vars, &error);
  FUZZ_CHECK(filled.has_value());
  FUZZ_CHECK(filled->size() == value.size() - removed);
  FUZZ_CHECK(FillPlaceholders(value, {}, &error).has_value() == names.isEmpty());
  return 0;
}
