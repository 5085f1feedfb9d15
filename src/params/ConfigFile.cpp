#include "params/ConfigFile.h"

#include "base/AtomicFile.h"
#include "params/ParamMessages.h"

#include <QFile>

#include <algorithm>

namespace {
ConfigFileResult Failure(const CMsg &msg, const QString &detail = QString()) { return {false, msg.Get(), detail}; }

// Where the first line that starts with key begins, or -1. Only a line start
// counts: several labels end another one ("Server's Ip" ends "Secondary
// Server's Ip" and "GPS Server's Ip"), and a value may hold any text.
qsizetype KeyAtLineStart(QByteArrayView text, QByteArrayView key) {
  for (qsizetype p = text.indexOf(key); p >= 0; p = text.indexOf(key, p + 1)) {
    if (p == 0 || text[p - 1] == '\n')
      return p;
  }
  return -1;
}
} // namespace

QByteArray ConfigFileBytes(const ParamArray &table) {
  const int n = std::clamp(table[0].nCount, 0, PARAM_COUNT);
  QByteArray out;
  for (int i = 0; i < n; ++i) {
    const ParamEntry &entry = table[static_cast<std::size_t>(i)];
    out += entry.szLabel;
    out += '=';
    out += entry.szValue;
    out += "\r\r\n"; // the line end the tool has always written
  }
  return out;
}

ConfigFileResult WriteConfigFile(const QString &path, const ParamArray &table) {
  QString error;
  if (!WriteFileAtomically(path, ConfigFileBytes(table), &error))
    return Failure(MSG_CFG_CREATE_FAILED, error); // never followed by the success message
  return {true, MSG_CFG_SAVED.Get(), QString()};
}

ConfigFileResult ParseConfigFile(QByteArrayView text, ParamArray &table) {
  for (int k = 0; k < PARAM_COUNT; ++k) {
    ParamEntry &entry = table[static_cast<std::size_t>(k)];
    entry.szLabel = ParamInfoAt(k).label;
    entry.szValue = NO_EXIST;
    entry.bFound = 0;
    entry.nCount = PARAM_COUNT;
  }
  for (int k = 0; k < CONFIG_READ_COUNT; ++k) {
    const QByteArray key = QByteArray(ParamInfoAt(k).label) + '=';
    const qsizetype p = KeyAtLineStart(text, key);
    if (p < 0)
      continue;
    const qsizetype start = p + key.size();
    const qsizetype lf = text.indexOf('\n', start);
    if (lf < 0)
      continue; // a line without its end is not taken
    // The line end is CR CR LF as written here, or CR LF / LF from an editor.
    qsizetype end = lf;
    for (int cr = 0; cr < 2 && end > start && text[end - 1] == '\r'; ++cr)
      --end;
    if (end - start > PARAM_VALUE_MAX) {
      return {false, MSG_CFG_VALUE_TOO_LONG.Get().arg(QString::fromLatin1(ParamInfoAt(k).label)).arg(PARAM_VALUE_MAX),
              QString()};
    }
    ParamEntry &entry = table[static_cast<std::size_t>(k)];
    entry.szValue = text.sliced(start, end - start).toByteArray();
    // A placeholder is no value: the device the file came from did not list it.
    entry.bFound = entry.szValue != NO_EXIST ? 1 : 0;
  }
  return {true, QString(), QString()};
}

ConfigFileResult ReadConfigFile(const QString &path, ParamArray &table) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Failure(MSG_CFG_OPEN_FAILED, file.errorString());
  if (file.size() >= CONFIG_FILE_SIZE_LIMIT)
    return Failure(MSG_CFG_BAD_FILE, QString());
  // Read at most the limit, whatever the size said, so a file that grows
  // meanwhile (or a device node) cannot make us read without bound.
  const QByteArray bytes = file.read(CONFIG_FILE_SIZE_LIMIT);
  if (bytes.size() >= CONFIG_FILE_SIZE_LIMIT)
    return Failure(MSG_CFG_BAD_FILE, QString());
  if (file.error() != QFileDevice::NoError)
    return Failure(MSG_CFG_OPEN_FAILED, file.errorString());
  return ParseConfigFile(bytes, table);
}
