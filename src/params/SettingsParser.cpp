#include "params/SettingsParser.h"

#include <iterator>

namespace {

struct CCodeRule {
  const char *contains;
  const char *code;
};

// First rule whose text occurs in the value wins; the order matters because
// some texts contain others ("TRANSP" before "TCP TRANS").
constexpr CCodeRule WORK_MODE_RULES[] = {
    {"PROT", "PROT"}, {"TRANSP", "TRNS"}, {"TCP TRANS", "TTRN"},  {"CLIENT", "TLNT"},       {"LONG", "LONG"},
    {"LNGT", "LNGT"}, {"UDP", "TUDP"},    {"TCP CUSTOM", "TCST"}, {"TCP SERVER", "TCPSVR"},
};

// "CONTROLABLE" is the device's own spelling in its listing.
constexpr CCodeRule ACTIVATE_RULES[] = {
    {"AUTO", "AUTO"}, {"SMS", "SMSD"}, {"CONTROLABLE", "CTRL"}, {"DATA", "DATA"}, {"MIXD", "MIXD"},
};

template <std::size_t N> void ApplyCodeRules(QByteArray &value, const CCodeRule (&rules)[N]) {
  for (const CCodeRule &rule : rules) {
    if (value.contains(rule.contains)) {
      value = rule.code;
      return;
    }
  }
}

void Normalise(int index, QByteArray &value) {
  if (index == PARAM_WORK_MODE) {
    ApplyCodeRules(value, WORK_MODE_RULES);
  } else if (index == PARAM_ACTIVATE) {
    ApplyCodeRules(value, ACTIVATE_RULES);
  } else if (index == PARAM_SERIAL_MODE && value.size() >= 3) {
    // "8,N,1" -> "8N1": data bits, parity, stop bits. Shorter values stay as
    // listed, since there are not three characters to pick from.
    const char code[3] = {value[0], value[2], value[value.size() - 1]};
    value = QByteArray(code, 3);
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first place label begins a line (after blanks at most). A label found
// inside another line would take that line's value: "Server's Ip" occurs in
// "Secondary Server's Ip", and a device that lists the secondary line first
// would give the main server the secondary address.
qsizetype FindLabelLine(QByteArrayView text, QByteArrayView label) {
  for (qsizetype p = text.indexOf(label); p >= 0; p = text.indexOf(label, p + 1)) {
    qsizetype q = p;
    while (q > 0 && IsBlank(text[q - 1]))
      --q;
    if (q == 0 || text[q - 1] == '\n')
      return p;
  }
  return -1;
}

} // namespace

bool ParseSettings(QByteArrayView text, ParamArray &table) {
  // Reset every entry, labels included, so a scan that stops early still
  // leaves each entry with its label.
  for (int k = 0; k < PARAM_COUNT; ++k) {
    ParamEntry &entry = table[static_cast<std::size_t>(k)];
    entry.szLabel = ParamInfoAt(k).label;
    entry.szValue = NO_EXIST;
    entry.bFound = 0;
    entry.nCount = PARAM_COUNT;
  }

  for (int k = 0; k < PARAM_COUNT; ++k) {
    const ParamInfo &info = ParamInfoAt(k);
    const QByteArrayView label(info.label);
    const qsizetype p = FindLabelLine(text, label);
    if (p < 0)
      continue;
    const qsizetype eol = text.indexOf(QByteArrayView("\r\n"), p);
    if (eol < 0)
      continue; // cut off before the end of that line
    const QByteArrayView line = text.sliced(p, eol - p);
    qsizetype i = label.size();
    // Firmware versions pad with spaces, a tab or a dot leader ("Label..... value").
    while (i < line.size() && IsBlank(line[i]))
      ++i;
    qsizetype dots = i;
    while (dots < line.size() && line[dots] == '.')
      ++dots;
    if (dots > i && dots < line.size() && IsBlank(line[dots])) {
      i = dots;
      while (i < line.size() && IsBlank(line[i]))
        ++i;
    }
    qsizetype n = line.size() - i - info.trim;
    if (n < 1)
      n = 0;
    if (n > PARAM_VALUE_MAX)
      return false;
    ParamEntry &entry = table[static_cast<std::size_t>(k)];
    entry.szValue = line.sliced(i, n).toByteArray();
    entry.bFound = 1;
    Normalise(k, entry.szValue);
  }
  return true;
}
