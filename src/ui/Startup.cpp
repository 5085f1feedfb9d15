#include "ui/Startup.h"

#include "text/Lang.h"

#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace ui {

QList<CPortEntry> BuildPortList(const QStringList &paths, QList<CPortEntry> systemPorts) {
  std::stable_sort(systemPorts.begin(), systemPorts.end(), [](const CPortEntry &a, const CPortEntry &b) {
    const int c = a.name.compare(b.name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  QList<CPortEntry> out;
  QStringList seen;
  for (const QString &p : paths) {
    if (p.isEmpty() || seen.contains(p))
      continue;
    seen << p;
    out.append({p, {}});
  }
  for (const CPortEntry &e : systemPorts) {
    if (e.name.isEmpty() || seen.contains(e.name))
      continue;
    seen << e.name;
    out.append(e);
  }
  return out;
}

QList<CPortEntry> SystemPorts() {
  QList<CPortEntry> ports;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
    const QString name = info.portName();
#else
    const QString name = info.systemLocation();
#endif
    ports.append({name, info.description()});
  }
  return ports;
}

bool DecideChineseUi(const QString &langOption) {
  if (langOption.startsWith(QLatin1String("zh"), Qt::CaseInsensitive))
    return true;
  if (langOption.startsWith(QLatin1String("en"), Qt::CaseInsensitive))
    return false;
#ifdef Q_OS_WIN
  const LANGID id = GetSystemDefaultLangID();
  return id == 0x0804 || id == 0x0404 || id == 0x0C04;
#else
  return text::ChineseFromEnvironment();
#endif
}

} // namespace ui
