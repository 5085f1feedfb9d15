#include "params/PageItems.h"

#include "text/Lang.h"

#include <vector>

namespace pageitems {
namespace {

struct ListDef {
  EPage page;
  int id;
  std::vector<const char *> zh;
  std::vector<const char *> en; // empty: the same items in both languages
};

const std::vector<const char *> BAUDS = {"110",   "300",   "600",   "1200",  "2400",  "4800",  "9600",
                                         "14400", "19200", "38400", "56000", "57600", "115200"};
const std::vector<const char *> SENTENCE_ZH = {"禁用", "启用"};
const std::vector<const char *> SENTENCE_EN = {"Disable", "Enable"};

const std::vector<ListDef> &Lists() {
  static const std::vector<ListDef> lists = {
      {EPage::None, MAIN_BAUD, BAUDS, {}},
      {EPage::None, MAIN_PARITY, {"None"}, {}},
      {EPage::Base, 1005, {"1", "2", "3", "4", "5", "0"}, {}},
      {EPage::Dtu, 1005, {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"}, {}},
      {EPage::Dtu, 1006, {"AUTO", "SMSD", "CTRL", "DATA", "MIXD"}, {}},
      {EPage::Dtu, 1007, {"0", "1", "2"}, {}},
      {EPage::Dtu, 1008, {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"}, {}},
      {EPage::Dtu, 1009, {"0", "1"}, {}},
      {EPage::Dtu, 1010, BAUDS, {}},
      {EPage::Dtu, 1016, {"0", "1"}, {}},
      {EPage::Gps, 1005, {"无", "网络", "串口", "串口+网络"}, {"None", "Network", "COM", "COM+Network"}},
      {EPage::Gps, 1006, {"TCP", "UDP"}, {}},
      {EPage::Gps, 1008, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Gps, 1009, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Gps, 1010, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Gps, 1011, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Gps, 1012, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Gps, 1013, SENTENCE_ZH, SENTENCE_EN},
      {EPage::Alarm, ALARM_CLOCK_SOURCE, {"系统时间", "手动设置"}, {"System ", "Manual "}},
      {EPage::Alarm,
       ALARM_WEEKDAY,
       {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"},
       {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}},
  };
  return lists;
}

} // namespace

QStringList Items(EPage page, int controlId, bool chinese) {
  for (const ListDef &def : Lists()) {
    if (def.page != page || def.id != controlId)
      continue;
    const auto &src = (!chinese && !def.en.empty()) ? def.en : def.zh;
    QStringList out;
    for (const char *s : src)
      out << QString::fromUtf8(s);
    return out;
  }
  return {};
}

QStringList Items(EPage page, int controlId) { return Items(page, controlId, g_chineseUi.load() != 0); }

QStringList ParamItems(int index) {
  if (index < 0 || index >= PARAM_COUNT)
    return {};
  const ParamInfo &info = ParamInfoAt(index);
  if (info.kind != EControlKind::List && info.kind != EControlKind::Combo)
    return {};
  return Items(info.page, info.controlId);
}

} // namespace pageitems
