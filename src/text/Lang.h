#pragma once
// Interface language and the message catalog entry type.
#include <QString>
#include <atomic>
#include <cstdint>

// Not 0 for Chinese texts, 0 for English; decided once at start.
extern std::atomic<std::uint8_t> g_chineseUi;

// One log line or message box in both languages (UTF-8 in source).
struct CMsg {
  const char *zh;
  const char *en;
  QString Get() const; // in the language chosen by g_chineseUi
  QString Zh() const { return QString::fromUtf8(zh); }
  QString En() const { return QString::fromUtf8(en); }
};

inline QString Tr(const char *zh, const char *en) { return CMsg{zh, en}.Get(); }

namespace text {
// zh_CN, zh_TW and zh_HK (with any suffix such as .UTF-8) are Chinese; everything else English.
bool IsChineseLocaleName(const QString &name);
// The first set of LC_ALL, LC_MESSAGES, LANG decides.
bool ChineseFromEnvironment();
} // namespace text
