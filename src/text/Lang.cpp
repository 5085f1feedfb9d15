#include "text/Lang.h"

#include <QByteArray>
#include <QtGlobal>

std::atomic<std::uint8_t> g_chineseUi{0};

QString CMsg::Get() const { return QString::fromUtf8(g_chineseUi.load(std::memory_order_relaxed) ? zh : en); }

namespace text {

bool IsChineseLocaleName(const QString &name) {
  // Strip encoding and modifier: zh_TW.UTF-8@stroke -> zh_TW; zh-TW counts as well.
  QString base = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
  base.replace(QLatin1Char('-'), QLatin1Char('_'));
  return base == QLatin1String("zh_CN") || base == QLatin1String("zh_TW") || base == QLatin1String("zh_HK");
}

bool ChineseFromEnvironment() {
  for (const char *var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray v = qgetenv(var);
    if (!v.isEmpty())
      return IsChineseLocaleName(QString::fromLocal8Bit(v));
  }
  return false;
}

} // namespace text
