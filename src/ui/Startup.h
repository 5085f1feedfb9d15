#pragma once
// What the window needs decided before it is built: the interface language and
// the list of serial ports.
#include <QList>
#include <QString>
#include <QStringList>

struct CPortEntry {
  QString name;        // what the port combo shows and the port is opened by
  QString description; // shown beside the name in the drop-down list; may be empty
};

namespace ui {

// Paths given on the command line come first, in their order; then the system's
// ports sorted as text (COM1, COM10, COM2), leaving out those already listed.
QList<CPortEntry> BuildPortList(const QStringList &paths, QList<CPortEntry> systemPorts);
// The system's serial ports with their descriptions.
QList<CPortEntry> SystemPorts();
// "zh" or "en" force the language; otherwise the system decides: on Windows
// its default language (PRC, Taiwan, Hong Kong are Chinese), elsewhere the locale
// environment (zh_CN, zh_TW, zh_HK are Chinese).
bool DecideChineseUi(const QString &langOption);

} // namespace ui
