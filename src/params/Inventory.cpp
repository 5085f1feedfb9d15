#include "params/Inventory.h"

#include "text/Gbk.h"
#include "text/Lang.h"

#include <QStringDecoder>

namespace {
inline constexpr CMsg MSG_CSV_UTF8{"第 %1 行不是 UTF-8 文本", "line %1 is not UTF-8 text"};
inline constexpr CMsg MSG_CSV_QUOTE_OPEN{"第 %1 行的引号没有结束", "line %1: a quoted field is not closed"};
inline constexpr CMsg MSG_CSV_AFTER_QUOTE{"第 %1 行：引号结束后还有文字", "line %1: text after a closing quote"};
inline constexpr CMsg MSG_CSV_STRAY_QUOTE{"第 %1 行：未加引号的字段中有引号",
                                          "line %1: a quote inside a field that is not quoted"};
inline constexpr CMsg MSG_CSV_EMPTY{"没有标题行", "no header row"};
inline constexpr CMsg MSG_CSV_BAD_NAME{"列名“%1”无效（只能用字母、数字和 _，不能以数字开头）",
                                       "bad column name \"%1\" (letters, digits and _, not starting with a digit)"};
inline constexpr CMsg MSG_CSV_DUP_NAME{"列名“%1”重复", "column \"%1\" appears twice"};
inline constexpr CMsg MSG_CSV_FIELDS{"第 %1 行有 %2 个字段，标题行有 %3 个",
                                     "line %1 has %2 fields, the header has %3"};
inline constexpr CMsg MSG_PH_OPEN{"“${”没有对应的“}”", "a \"${\" without its \"}\""};
inline constexpr CMsg MSG_PH_NAME{"占位符名“%1”无效", "bad placeholder name \"%1\""};
inline constexpr CMsg MSG_PH_MISSING{"占位符 ${%1} 没有值", "placeholder ${%1} has no value"};
inline constexpr CMsg MSG_PH_GBK{"占位符 ${%1} 的值含有 GBK 编码中没有的字符",
                                 "the value of ${%1} holds characters GBK cannot encode"};

bool ValidName(QByteArrayView name) {
  if (name.isEmpty() || (name[0] >= '0' && name[0] <= '9'))
    return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  }
  return true;
}

void SetError(QString *error, const QString &text) {
  if (error)
    *error = text;
}

// Calls fn(nameStart, nameLength, placeholderStart, placeholderEnd) for each
// placeholder; false with the reason at the first malformed one.
template <class F> bool ForEachPlaceholder(QByteArrayView value, F fn, QString *error) {
  qsizetype pos = 0;
  while (true) {
    const qsizetype open = value.indexOf(QByteArrayView("${"), pos);
    if (open < 0)
      return true;
    const qsizetype close = value.indexOf('}', open + 2);
    if (close < 0) {
      SetError(error, MSG_PH_OPEN.Get());
      return false;
    }
    const QByteArrayView name = value.sliced(open + 2, close - open - 2);
    if (!ValidName(name)) {
      SetError(error, MSG_PH_NAME.Get().arg(text::FromGbk(name.toByteArray())));
      return false;
    }
    fn(name, open, close + 1);
    pos = close + 1;
  }
}
} // namespace

std::optional<CsvTable> ParseCsv(QByteArrayView text, QString *error) {
  if (text.startsWith(QByteArrayView("\xEF\xBB\xBF")))
    text = text.sliced(3);
  QList<QStringList> records;
  QList<int> recordLines;
  QStringList record;
  QByteArray field;
  int line = 1;
  int recordLine = 1;
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto fail = [&](const CMsg &m, int at) {
    SetError(error, m.Get().arg(at));
    return std::nullopt;
  };
  auto endField = [&]() -> bool {
    // A byte-order mark inside a field is text: only the one at the start of the file is skipped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = utf8.decode(field);
    if (utf8.hasError())
      return false;
    record << decoded;
    field.clear();
    return true;
  };
  auto endRecord = [&] {
    // A line with nothing on it is no record.
    if (!(record.size() == 1 && record[0].isEmpty())) {
      records << record;
      recordLines << recordLine;
    }
    record.clear();
  };
  bool atFieldStart = true;
  while (i <= n) {
    if (i == n) {
      if (!atFieldStart || !record.isEmpty()) {
        if (!endField())
          return fail(MSG_CSV_UTF8, recordLine);
        endRecord();
      }
      break;
    }
    const char c = text[i];
    if (atFieldStart && c == '"') {
      // A quoted field, up to the quote that is not doubled.
      const int startLine = line;
      ++i;
      bool closed = false;
      while (i < n) {
        const char q = text[i];
        if (q == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        if (q == '\n' || (q == '\r' && !(i + 1 < n && text[i + 1] == '\n')))
          ++line;
        field += q;
        ++i;
      }
      if (!closed)
        return fail(MSG_CSV_QUOTE_OPEN, startLine);
      if (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r')
        return fail(MSG_CSV_AFTER_QUOTE, line);
      atFieldStart = false;
      continue;
    }
    if (c == ',') {
      if (!endField())
        return fail(MSG_CSV_UTF8, recordLine);
      atFieldStart = true;
      ++i;
      continue;
    }
    if (c == '\n' || c == '\r') {
      if (!endField())
        return fail(MSG_CSV_UTF8, recordLine);
      endRecord();
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      ++line;
      recordLine = line;
      atFieldStart = true;
      continue;
    }
    if (c == '"')
      return fail(MSG_CSV_STRAY_QUOTE, line);
    field += c;
    atFieldStart = false;
    ++i;
  }
  if (records.isEmpty()) {
    SetError(error, MSG_CSV_EMPTY.Get());
    return std::nullopt;
  }
  CsvTable table;
  table.header = records.takeFirst();
  recordLines.removeFirst();
  for (qsizetype c = 0; c < table.header.size(); ++c) {
    const QString &name = table.header[c];
    if (!ValidName(name.toUtf8())) {
      SetError(error, MSG_CSV_BAD_NAME.Get().arg(name));
      return std::nullopt;
    }
    if (table.header.indexOf(name) != c) {
      SetError(error, MSG_CSV_DUP_NAME.Get().arg(name));
      return std::nullopt;
    }
  }
  for (qsizetype r = 0; r < records.size(); ++r) {
    if (records[r].size() != table.header.size()) {
      SetError(error, MSG_CSV_FIELDS.Get().arg(recordLines[r]).arg(records[r].size()).arg(table.header.size()));
      return std::nullopt;
    }
  }
  table.rows = records;
  return table;
}

bool PlaceholderNames(QByteArrayView value, QStringList &names, QString *error) {
  return ForEachPlaceholder(
      value, [&](QByteArrayView name, qsizetype, qsizetype) { names << QString::fromLatin1(name); }, error);
}

std::optional<QByteArray> FillPlaceholders(QByteArrayView value, const QHash<QString, QString> &vars, QString *error) {
  QByteArray out;
  qsizetype copied = 0;
  QString problem;
  const bool ok = ForEachPlaceholder(
      value,
      [&](QByteArrayView name, qsizetype start, qsizetype end) {
        out += value.sliced(copied, start - copied);
        copied = end;
        if (!problem.isEmpty())
          return;
        const QString key = QString::fromLatin1(name);
        const QString v = vars.value(key);
        if (v.isEmpty()) {
          problem = MSG_PH_MISSING.Get().arg(key);
          return;
        }
        const std::optional<QByteArray> bytes = text::EncodeGbk(v);
        if (!bytes) {
          problem = MSG_PH_GBK.Get().arg(key);
          return;
        }
        out += *bytes;
      },
      error);
  if (!ok)
    return std::nullopt;
  if (!problem.isEmpty()) {
    SetError(error, problem);
    return std::nullopt;
  }
  out += value.sliced(copied);
  return out;
}

bool TablePlaceholders(const ParamArray &file, QStringList &names, QString *error) {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamEntry &e = file[static_cast<std::size_t>(i)];
    if (!e.bFound)
      continue;
    QStringList found;
    QString why;
    if (!PlaceholderNames(e.szValue, found, &why)) {
      SetError(error, QString::fromLatin1(ParamInfoAt(i).label) + QStringLiteral(": ") + why);
      return false;
    }
    for (const QString &name : found) {
      if (!names.contains(name))
        names << name;
    }
  }
  return true;
}

std::optional<ParamArray> FillTable(const ParamArray &file, const QHash<QString, QString> &vars, QString *error) {
  ParamArray out = file;
  for (int i = 0; i < PARAM_COUNT; ++i) {
    ParamEntry &e = out[static_cast<std::size_t>(i)];
    if (!e.bFound)
      continue;
    QString why;
    const std::optional<QByteArray> filled = FillPlaceholders(e.szValue, vars, &why);
    if (!filled) {
      SetError(error, QString::fromLatin1(ParamInfoAt(i).label) + QStringLiteral(": ") + why);
      return std::nullopt;
    }
    e.szValue = *filled;
  }
  return out;
}
