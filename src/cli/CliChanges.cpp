#include "cli/CliChanges.h"

#include "device/SaveSequencer.h"
#include "params/ConfigFile.h"
#include "params/ParamMessages.h"
#include "params/ParamValue.h"
#include "text/Gbk.h"

#include <algorithm>

namespace cli {

std::optional<ParamArray> CheckedFile(CCliContext &ctx, const QString &path, bool checkValues) {
  ParamArray file{};
  const ConfigFileResult read = ReadConfigFile(path, file);
  if (!read.ok) {
    ctx.Err(read.message + QStringLiteral(": ") + path +
            (read.detail.isEmpty() ? QString() : QStringLiteral(": ") + read.detail) + QLatin1Char('\n'));
    return std::nullopt;
  }
  if (std::none_of(file.begin(), file.end(), [](const ParamEntry &e) { return e.bFound != 0; })) {
    ctx.Err(MSG_CFG_EMPTY.Get() + QStringLiteral(": ") + path + QLatin1Char('\n'));
    return std::nullopt;
  }
  for (int i = 0; checkValues && i < PARAM_COUNT; ++i) {
    const ParamEntry &e = file[static_cast<size_t>(i)];
    if (!e.bFound || !IsSaved(i))
      continue;
    if (const QString why = ValueProblem(i, e.szValue); !why.isEmpty()) {
      ctx.Err(path + QStringLiteral(": ") + why + QLatin1Char('\n'));
      return std::nullopt;
    }
  }
  return file;
}

std::vector<PendingChange> PendingChanges(PageControls &pages, const CParamTable &table, QStringList *problems) {
  std::vector<PendingChange> out;
  for (const PageChange &c : PageChanges(pages, table, problems))
    out.push_back({c.index, table.Entry(c.index).szValue, c.value});
  return out;
}

QString LabelHead(int index) {
  const QString label = QString::fromLatin1(ParamInfoAt(index).label);
  return label + (label.endsWith(QLatin1Char(':')) ? QStringLiteral(" ") : QStringLiteral(": "));
}

QString ChangesText(const std::vector<PendingChange> &changes) {
  QString out;
  for (const PendingChange &c : changes)
    out += LabelHead(c.index) + text::FromGbk(c.device) + QStringLiteral(" -> ") + text::FromGbk(c.value) +
           QLatin1Char('\n');
  return out;
}

std::vector<int> UnlistedEntries(const ParamArray &file, const CParamTable &table) {
  std::vector<int> out;
  if (table.Found(PARAM_ALARM_FIRST))
    return out;
  for (int i = PARAM_ALARM_FIRST; i <= PARAM_ALARM_LAST; ++i) {
    const ParamEntry &e = file[static_cast<std::size_t>(i)];
    if (e.bFound && e.szValue != NO_EXIST)
      out.push_back(i);
  }
  return out;
}

QString JsonString(const QString &text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == '"' || u == '\\') {
      out += QLatin1Char('\\');
      out += c;
    } else if (u == '\n') {
      out += QStringLiteral("\\n");
    } else if (u == '\r') {
      out += QStringLiteral("\\r");
    } else if (u == '\t') {
      out += QStringLiteral("\\t");
    } else if (u < 0x20 || u == 0x7f) {
      out += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QLatin1Char('0'));
    } else {
      out += c;
    }
  }
  return out + QLatin1Char('"');
}

QString TableJson(const ParamArray &table, int count) {
  QString out = QStringLiteral("{");
  for (int i = 0; i < count; ++i) {
    const ParamEntry &e = table[static_cast<std::size_t>(i)];
    if (i > 0)
      out += QLatin1Char(',');
    out +=
        JsonString(QString::fromLatin1(ParamInfoAt(i).label)) + QLatin1Char(':') + JsonString(text::FromGbk(e.szValue));
  }
  return out + QLatin1Char('}');
}

} // namespace cli
