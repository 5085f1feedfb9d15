#include "device/SaveSequencer.h"

#include "device/AtCommand.h"
#include "device/DeviceMessages.h"
#include "device/ReplyEngine.h"
#include "host/DialogHost.h"
#include "host/PageControls.h"
#include "text/Gbk.h"
#include "text/Lang.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {
struct SaveLines {
  const char *zhEcho; // format, %1 = the value
  const char *enEcho; // fixed text; nullptr: nothing shown
  const char *enOk;
  const char *enFail;
};

// Indices 0 to 45 (34 is never saved).
const SaveLines LINES[46] = {
    /* 0 */ {"at+apn=%1\r\n", "Saving APN.......[AT+APN]\r\n", "Save APN....OK...\r\n", "Save APN Failed\r\n"},
    /* 1 */ {"at+cent=%1\r\n", "Saving CENT.......[AT+CENT]\r\n", "Save CENT....OK...\r\n", "Save CENT Failed\r\n"},
    /* 2 */
    {"at+username=%1\r\n", "Saving USERNAME.......[AT+USERNAME]\r\n", "Save USERNAME....OK...\r\n",
     "Save USERNAME Failed\r\n"},
    /* 3 */
    {"at+password=%1\r\n", "Saving PASSWORD.......[AT+PASSWORD]\r\n", "Save PASSWORD....OK...\r\n",
     "Save PASSWORD Failed\r\n"},
    /* 4 */
    {"at+svrcnt=%1\r\n", "Saving SVRCNT......[AT+SVRCNT]\r\n", "Save SVRCNT....OK...\r\n", "Save SVRCNT Failed\r\n"},
    /* 5 */ {"at+ipad=%1\r\n", "Saving IPAD......[AT+IPAD]\r\n", "Save IPAD....OK...\r\n", "Save IPAD Failed\r\n"},
    /* 6 */
    {"at+ipad1=%1\r\n", "Saving IPADN2......[AT+IPADN]\r\n", "Save IPADN2....OK...\r\n", "Save IPAD2 Failed\r\n"},
    /* 7 */
    {"at+ipad2=%1\r\n", "Saving IPADN3......[AT+IPADN]\r\n", "Save IPADN3....OK...\r\n", "Save IPAD3 Failed\r\n"},
    /* 8 */
    {"at+ipad3=%1\r\n", "Saving IPADN4......[AT+IPADN]\r\n", "SaveIPADN4....OK...\r\n", "Save IPAD4 Failed\r\n"},
    /* 9 */
    {"at+ipad4=%1\r\n", "Saving IPADN5......[AT+IPADN]\r\n", "Save IPADN5....OK...\r\n", "Save IPAD5 Failed\r\n"},
    /* 10 */ {"at+portd=%1\r\n", "Saving PORT......[AT+PORTD]\r\n", "Save PORT....OK...\r\n", "Save PORT Failed\r\n"},
    /* 11 */
    {"at+portd1=%1\r\n", "Saving PORTN2......[AT+PORTDN]\r\n", "Save PORTN2....OK...\r\n", "Save PORTN2 Failed\r\n"},
    /* 12 */
    {"at+portd2=%1\r\n", "SavingPORTN3......[AT+PORTDN]\r\n", "Save PORTN3....OK...\r\n", "Save PORTN3 Failed\r\n"},
    /* 13 */
    {"at+portd3=%1\r\n", "SavingPORTN4......[AT+PORTDN]\r\n", "Save PORTN4....OK...\r\n", "Save PORTN4 Failed\r\n"},
    /* 14 */
    {"at+portd4=%1\r\n", "SavingPORTN5......[AT+PORTDN]\r\n", "Save PORTN5....OK...\r\n", "Save PORTN5 Failed\r\n"},
    /* 15 */
    {"at+ipsec=%1\r\n", "SavingIPSEC......[AT+IPSEC]\r\n", "Save IPSEC....OK...\r\n", "Save IPSEC Failed\r\n"},
    /* 16 */ {"at+ptsec=%1\r\n", nullptr, "Save PTSEC....OK...\r\n", "Save PTSEC Failed\r\n"},
    /* 17 */
    {"at+setmode=%1\r\n", "Saving SETMODE......[AT+SETMODE]\r\n", "Save SETMODE....OK...\r\n",
     "Save SETMODE Failed\r\n"},
    /* 18 */
    {"at+setacti=%1\r\n", "Saving Trigger Style......[AT+SETACTI]\r\n", "Save SETACTI....OK...\r\n",
     "Save SETACT Failed\r\n"},
    /* 19 */
    {"at+sermode=%1\r\n", "Saving COM mode......[AT+SERMODE]\r\n", "Save SERMODE....OK...\r\n",
     "Save SERMODE Failed\r\n"},
    /* 20 */
    {"at+idnt=%1\r\n", "Saving Modem ID......[AT+IDNT]\r\n", "Save Modem ID....OK...\r\n", "Save Modem ID Failed\r\n"},
    /* 21 */
    {"at+phon=%1\r\n", "Saving Modem Phone Number......[AT+PHON]\r\n", "Save Modem Phone Number....OK...\r\n",
     "Save Modem Phone Number Failed\r\n"},
    /* 22 */
    {"at+setipr=%1\r\n", "Saving Bandrate......[AT+SETIPR]\r\n", "Save Bandrate....OK...\r\n",
     "Save Bandrate Failed\r\n"},
    /* 23 */
    {"at+debug=%1\r\n", "Saving Debug Level......[AT+DEBUG]\r\n", "Save Debug Level....OK...\r\n",
     "Save Debug Level Failed\r\n"},
    /* 24 */
    {"at+straight=%1\r\n", "Saving Straight......[AT+STRAIGHT]\r\n", "Save Straight....OK...\r\n",
     "Save Straight Failed\r\n"},
    /* 25 */
    {"at+remain=%1\r\n", "Setting Return Main Center Or Not......[AT+RETMAIN]\r\n",
     " Set Return Main Center....OK...\r\n", "Set Return Main Center Failed\r\n"},
    /* 26 */
    {"at+polltime=%1\r\n", "Setting Poll Time......[AT+POLLTIME]\r\n", "Set Poll Time.....OK...\r\n",
     "Set Poll Time Failed\r\n"},
    /* 27 */
    {"at+dnssvr=%1\r\n", "Setting DNS Main Server......[AT+DNSSVR]\r\n", "Set DNS Main Server.....OK...\r\n",
     "Set DNS Main Server Failed\r\n"},
    /* 28 */
    {"at+dnssv2=%1\r\n", "Setting DNS Backup Server......[AT+DNSSV]\r\n", "Set DNS Backup Server.....OK...\r\n",
     "Set DNS Backup Failed\r\n"},
    /* 29 */
    {"at+dnssvr1=%1\r\n", "Setting DNS Main Server 1......[AT+DNSSVR1]\r\n", "Set DNS Main Server 1.....OK...\r\n",
     "Set DNS Main Server 1 Failed\r\n"},
    /* 30 */
    {"at+dnssvr2=%1\r\n", "Setting DNS Main Server 2......[AT+DNSSVR2]\r\n", "Set DNS Main Server 2.....OK...\r\n",
     "Set DNS Main Server 2 Failed\r\n"},
    /* 31 */
    {"at+dnssvr3=%1\r\n", "Setting DNS Main Server 3......[AT+DNSSVR3]\r\n", "Set DNS Main Server 3.....OK...\r\n",
     "Set DNS Main Server 3 Failed\r\n"},
    /* 32 */
    {"at+dnssvr4=%1\r\n", "Setting DNS Main Server 4.....[AT+DNSSVR4]\r\n", "Set DNS Main Server 4....OK...\r\n",
     "Set DNS Main Server 4 Failed\r\n"},
    /* 33 */
    {"at+smsc=%1\r\n", "Setting SMS Center Number......[AT+SMSC]\r\n", "Set SMS Center Number.....OK...\r\n",
     "Set SMS Center Number Failed\r\n"},
    /* 34 */ {nullptr, nullptr, nullptr, nullptr},
    /* 35 */
    {"at+ctrlno=%1\r\n", "Setting Dail-Wake Number......[AT+CTRLNO]\r\n", "Set Dail-Wake Number.....OK...\r\n",
     "Set Dail-Wake Number Failed\r\n"},
    /* 36 */
    {"at+smsdpswd=%1\r\n", "Setting Dail-Wake Password......[AT+SMSDPSWD]\r\n", "Set Dail-Wake Password.....OK...\r\n",
     "Set Dail-Wake Password Failed\r\n"},
    /* 37 */
    {"at+connrgst=%1\r\n", "Setting Self-Regest Pakcet......[AT+CONNRGST]\r\n", "Set Self-Regest Pakcet.....OK...\r\n",
     "Set Self-Regest Pakcet failed\r\n"},
    /* 38 */
    {"at+linkrgst=%1\r\n", "Setting Self-Poll Pakcet......[AT+LINKRGST]\r\n", "Set Self-Poll Pakcet.....OK...\r\n",
     "Set Self-Poll Pakcet Failed\r\n\r\n"},
    /* 39 */
    {"at+byteint=%1\r\n", "Setting Data-Frame time interval ......[AT+BYTEINT]\r\n",
     "Set Data-Frame time interval .....OK...\r\n", "Set Data-Frame time interval  failed\r\n\r\n"},
    /* 40 */
    {"at+nonpswd=%1\r\n", "Setting IP Modem's wake-date ......[AT+DONPSWD]\r\n",
     "Set IP Modem's wake-date....OK...\r\n", "Set IP Modem''s wake-date failed\r\n\r\n"},
    /* 41 */
    {"at+doffpswd=%1\r\n", "Setting IP Modem''s Sleep-Date ......[AT+DOFFPSWD]\r\n",
     "Set IP Modem''s Sleep-Date....OK...\r\n", "Set IP Modem's Sleep-Date Failed\r\n\r\n"},
    /* 42 */
    {"at+retry=%1\r\n", "Setting Retry ......[AT+RETRY]\r\n", "Set Retry....OK...\r\n", "Set Retry Failed\r\n\r\n"},
    /* 43 */
    {"at+rdlwt=%1\r\n", "Setting Retry time interval.....[AT+RDLWT]\r\n", "Set Retry time interval....OK...\r\n",
     "Set Retry time interval Failed\r\n\r\n"},
    /* 44 */
    {"at+tcpmtu=%1\r\n", "Setting TCP Data MTU ......[AT+TCPMTU]\r\n", "Set TCP Data MTU....OK...\r\n",
     "Set TCP Data MTU Failed\r\n\r\n"},
    /* 45 */
    {"at+mcontime=%1\r\n", "Setting Multiply Center Connection time......[AT+MCONTIME]\r\n",
     "Set Multiply Center Connection time....OK...\r\n", "Set Multiply Center Connection time Failed\r\n\r\n"},
};

// Indices 48 to 68: one echo format for both languages.
const char *const GROUP_ECHO[21] = {
    "at+excal0=%1\r\n", "at+excal1=%1\r\n",  "at+excal2=%1\r\n", "at+excal3=%1\r\n",  "at+excal4=%1\r\n",
    "at+excal5=%1\r\n", "at+excal6=%1\r\n",  "at+excal7=%1\r\n", "at+excal8=%1\r\n",  "at+excal9=%1\r\n",
    "at+gpsad=%1\r\n",  "at+gpsport=%1\r\n", "at+gpsint=%1\r\n", "at+gpstmod=%1\r\n", "at+gpstran=%1\r\n",
    "at+frmc=%1\r\n",   "at+fvtg=%1\r\n",    "at+fgga=%1\r\n",   "at+fgsa=%1\r\n",    "at+fgsv=%1\r\n",
    "at+fgll=%1\r\n",
};

// A value checked with DeviceNumber before it got here; 0 as the C library
// gives for text without digits.
int AtoI(const QByteArray &v) { return DeviceNumber(v).value_or(0); }
long AtoL(const QByteArray &v) { return DeviceNumber(v).value_or(0); }

inline constexpr CMsg MSG_TOO_LONG{"“%1”的值太长（最多 %2 字节）",
                                   "the value of \"%1\" is too long (at most %2 bytes)"};
inline constexpr CMsg MSG_NUMBER_RANGE{"“%1”的值 %2 超出设备的整数范围（%3 到 %4）",
                                       "\"%1\": %2 does not fit the device's integer (%3 to %4)"};
inline constexpr CMsg MSG_NOT_GBK{"“%1”的值含有 GBK 编码中没有的字符",
                                  "the value of \"%1\" holds characters GBK cannot encode"};
inline constexpr CMsg MSG_NO_GBK_CODEC{"本程序所用的 Qt 没有 GBK 编码，不能写入中文（“%1”）",
                                       "this build of Qt has no GBK codec: Chinese text cannot be written (\"%1\")"};
inline constexpr CMsg MSG_REFUSED{"以下参数不能写入设备，没有写入任何参数：\n%1",
                                  "These values cannot be written to the device; nothing was written:\n%1"};

QString Label(int index) { return QString::fromLatin1(ParamInfoAt(index).label); }
} // namespace

std::optional<std::int32_t> DeviceNumber(const QByteArray &value) {
  const char *p = value.constData();
  const char *end = p + value.size();
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
    ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-'))
    negative = *p++ == '-';
  long long n = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 + (*p - '0');
    if (n > 2147483648LL)
      return std::nullopt; // stop before the accumulator itself could overflow
  }
  if (negative)
    n = -n;
  if (n < INT32_MIN || n > INT32_MAX)
    return std::nullopt;
  return static_cast<std::int32_t>(n);
}

bool TakesNumber(int index) {
  switch (ParamInfoAt(index).sender) {
  case ESender::SetPort:
  case ESender::SetPortN:
  case ESender::SetPtsec:
  case ESender::SetPolltime:
  case ESender::SetByteint:
  case ESender::SetRetry:
  case ESender::SetRdlwt:
  case ESender::SetTcpmtu:
  case ESender::SetMcontime:
  case ESender::SetGpsport:
  case ESender::SetGpsint:
    return true;
  default:
    return CompareKind(index) == ECompare::Number;
  }
}

QString ValueProblem(int index, const QByteArray &value) {
  if (value.size() > PARAM_VALUE_MAX)
    return MSG_TOO_LONG.Get().arg(Label(index)).arg(PARAM_VALUE_MAX);
  if (TakesNumber(index) && !DeviceNumber(value))
    return MSG_NUMBER_RANGE.Get()
        .arg(Label(index), QString::fromLatin1(value))
        .arg(std::numeric_limits<std::int32_t>::min())
        .arg(std::numeric_limits<std::int32_t>::max());
  return QString();
}

bool IsSaved(int index) { return index >= 0 && index < PARAM_COUNT && index != 34 && index != 46 && index != 47; }

ECompare CompareKind(int index) {
  if (index == 4 || (index >= 23 && index <= 25) || index == 42 || index == 43)
    return ECompare::Number;
  if (index == PARAM_WORK_MODE)
    return ECompare::Contained;
  if (index >= 61 && index <= 68)
    return ECompare::Selection;
  return ECompare::Text;
}

std::optional<QByteArray> ChangedValue(int index, PageControls &pages, const QByteArray &tableValue, QString *problem) {
  auto refuse = [&](const QString &why) -> std::optional<QByteArray> {
    if (problem)
      *problem = why;
    return std::nullopt;
  };
  // A list with nothing selected says nothing: writing it would put "-1" or
  // an empty value on the wire for a parameter the user never chose.
  if (ParamInfoAt(index).kind == EControlKind::List && pages.ParamSelection(index) < 0)
    return std::nullopt;
  if (CompareKind(index) == ECompare::Selection) {
    const int selection = pages.ParamSelection(index);
    if (selection == AtoI(tableValue))
      return std::nullopt;
    return QByteArray::number(selection);
  }
  const QString text = pages.ParamText(index);
  // What the pages were filled with, unedited: not a change, even where the
  // device's bytes do not read back as the same bytes (no valid GBK).
  if (text == text::FromGbk(tableValue))
    return std::nullopt;
  const std::optional<QByteArray> encoded = text::EncodeGbk(text);
  if (!encoded)
    return refuse((text::GbkAvailable() ? MSG_NOT_GBK : MSG_NO_GBK_CODEC).Get().arg(Label(index)));
  const QByteArray &shown = *encoded;
  // The placeholder of a parameter the device did not list is no value.
  if (shown == NO_EXIST)
    return std::nullopt;
  // A number the device cannot hold is refused before it is compared: it
  // would wrap and could compare equal to the device's value.
  if (const QString why = ValueProblem(index, shown); !why.isEmpty())
    return refuse(why);
  bool differs = false;
  switch (CompareKind(index)) {
  case ECompare::Text:
    differs = shown != tableValue;
    break;
  case ECompare::Number:
    differs = DeviceNumber(shown) != DeviceNumber(tableValue);
    break;
  case ECompare::Contained:
    differs = !shown.contains(tableValue);
    break;
  case ECompare::Selection:
    break;
  }
  if (!differs)
    return std::nullopt;
  return shown;
}

bool SendParam(const CAtCommand &at, CSerial &s, int index, const QByteArray &v) {
  const ParamInfo &info = ParamInfoAt(index);
  const int n = info.senderIndex;
  switch (info.sender) {
  case ESender::SetApn:
    return at.SetApn(s, v);
  case ESender::SetCent:
    return at.SetCent(s, v);
  case ESender::SetUsername:
    return at.SetUsername(s, v);
  case ESender::SetPassword:
    return at.SetPassword(s, v);
  case ESender::SetSvrcnt:
    return at.SetSvrcnt(s, v);
  case ESender::SetIpad:
    return at.SetIpad(s, v);
  case ESender::SetIpadN:
    return at.SetIpadN(s, v, n);
  case ESender::SetPort:
    return at.SetPort(s, static_cast<int>(AtoL(v)));
  case ESender::SetPortN:
    return at.SetPortN(s, AtoL(v), n);
  case ESender::SetIpsec:
    return at.SetIpsec(s, v);
  case ESender::SetPtsec:
    return at.SetPtsec(s, static_cast<int>(AtoL(v)));
  case ESender::SetMode:
    return at.SetMode(s, v);
  case ESender::SetActi:
    return at.SetActi(s, v);
  case ESender::SetSermode:
    return at.SetSermode(s, v);
  case ESender::SetIdnt:
    return at.SetIdnt(s, v);
  case ESender::SetPhon:
    return at.SetPhon(s, v);
  case ESender::SetIpr:
    return at.SetIpr(s, v);
  case ESender::SetDebug:
    return at.SetDebug(s, AtoI(v));
  case ESender::SetStraight:
    return at.SetStraight(s, AtoI(v));
  case ESender::SetRetmain:
    return at.SetRetmain(s, AtoI(v));
  case ESender::SetPolltime:
    return at.SetPolltime(s, AtoI(v));
  case ESender::SetDnsServer:
    return at.SetDnsServer(s, v, n);
  case ESender::SetSmsc:
    return at.SetSmsc(s, v);
  case ESender::SetCtrlno:
    return at.SetCtrlno(s, v);
  case ESender::SetSmsdpswd:
    return at.SetSmsdpswd(s, v);
  case ESender::SetConnrgst:
    return at.SetConnrgst(s, v);
  case ESender::SetLinkrgst:
    return at.SetLinkrgst(s, v);
  case ESender::SetByteint:
    return at.SetByteint(s, AtoI(v));
  case ESender::SetDonpswd:
    return at.SetDonpswd(s, v);
  case ESender::SetDoffpswd:
    return at.SetDoffpswd(s, v);
  case ESender::SetRetry:
    return at.SetRetry(s, AtoI(v));
  case ESender::SetRdlwt:
    return at.SetRdlwt(s, AtoI(v));
  case ESender::SetTcpmtu:
    return at.SetTcpmtu(s, AtoI(v));
  case ESender::SetMcontime:
    return at.SetMcontime(s, AtoI(v));
  case ESender::SetExcal:
    return at.SetExcal(s, n, v);
  case ESender::SetGpsad:
    return at.SetGpsad(s, v);
  case ESender::SetGpsport:
    return at.SetGpsport(s, AtoL(v));
  case ESender::SetGpsint:
    return at.SetGpsint(s, AtoI(v));
  case ESender::SetGpstmod:
    return at.SetGpstmod(s, AtoI(v));
  case ESender::SetGpstran:
    return at.SetGpstran(s, AtoI(v));
  case ESender::SetFrmc:
    return at.SetFrmc(s, AtoI(v));
  case ESender::SetFvtg:
    return at.SetFvtg(s, AtoI(v));
  case ESender::SetFgga:
    return at.SetFgga(s, AtoI(v));
  case ESender::SetFgsa:
    return at.SetFgsa(s, AtoI(v));
  case ESender::SetFgsv:
    return at.SetFgsv(s, AtoI(v));
  case ESender::SetFgll:
    return at.SetFgll(s, AtoI(v));
  case ESender::None:
    return false;
  }
  return false;
}

QString SaveEchoLine(int index, const QByteArray &value) {
  const QString v = text::FromGbk(value);
  if (index >= PARAM_ALARM_FIRST)
    return QString::fromUtf8(GROUP_ECHO[index - PARAM_ALARM_FIRST]).arg(v);
  const SaveLines &l = LINES[index];
  if (g_chineseUi.load())
    return QString::fromUtf8(l.zhEcho).arg(v);
  return l.enEcho ? QString::fromUtf8(l.enEcho) : QString();
}

QString SaveSuccessLine(int index) {
  if (g_chineseUi.load())
    return QStringLiteral("设置成功\r\n\r\n");
  if (index >= PARAM_ALARM_FIRST)
    return QStringLiteral("Setup Success!\r\n\r\n");
  return QString::fromUtf8(LINES[index].enOk);
}

QString SaveFailureLine(int index) {
  if (g_chineseUi.load())
    return QStringLiteral("设置失败\r\n\r\n");
  if (index >= PARAM_ALARM_FIRST)
    return QStringLiteral("Setup Failed!\r\n\r\n");
  return QString::fromUtf8(LINES[index].enFail);
}

EOutcome SaveParam(const SaveContext &ctx, const QByteArray &value, int index) {
  const QString echo = SaveEchoLine(index, value);
  if (!echo.isEmpty())
    ctx.host.AppendOutput(echo);
  const int wait = index >= PARAM_ALARM_FIRST ? 3000 : 5000;
  const CExchangeResult r = ctx.engine.Exchange(
      REPLY_OK_SET, [&] { return SendParam(ctx.at, ctx.serial, index, value); }, wait, ctx.abort);
  // Only the device's answer counts: a stop, a failed write or a busy engine
  // leave the table and the page with what the device last had.
  if (!r.Answered()) {
    ctx.host.AppendOutput(SaveFailureLine(index));
    return r.outcome;
  }
  ParamTable.SetValue(index, value);
  if (index <= 16)
    ctx.pages.SetParamText(index, text::FromGbk(value));
  else if (index == PARAM_SERIAL_MODE)
    g_serialWork.SetCommMode(value);
  else if (index == PARAM_BAUDRATE)
    g_serialWork.SetBaudrate(static_cast<std::int32_t>(AtoL(value)));
  ctx.host.AppendOutput(SaveSuccessLine(index));
  ctx.pause(1000);
  return EOutcome::Answered;
}

SaveResult SaveSettingsThread(const SaveContext &ctx) {
  ctx.host.EnableOperationButtons(false);
  SaveResult result;
  if (!ctx.pause(1000)) {
    result.stopped = true;
  } else {
    // Every changed value is read and checked before anything is written, so
    // a value the device cannot take stops the walk before its first command.
    struct Change {
      int index;
      QByteArray value;
    };
    std::vector<Change> changes;
    QStringList problems;
    auto collect = [&](int first, int last) {
      for (int i = first; i <= last; ++i) {
        if (!IsSaved(i))
          continue;
        QString problem;
        if (const auto value = ChangedValue(i, ctx.pages, ParamTable.Entry(i).szValue, &problem))
          changes.push_back({i, *value});
        else if (!problem.isEmpty())
          problems << problem;
      }
    };
    collect(0, 45);
    if (ParamTable.Found(PARAM_ALARM_FIRST))
      collect(PARAM_ALARM_FIRST, PARAM_ALARM_LAST);
    if (ParamTable.Found(PARAM_GPS_FIRST))
      collect(PARAM_GPS_FIRST, PARAM_GPS_LAST);

    if (ctx.abort()) {
      result.stopped = true;
    } else if (!problems.isEmpty()) {
      result.refused = true;
      for (const QString &p : problems)
        ctx.host.AppendOutput(QStringLiteral(">>> ") + p + QStringLiteral("\r\n"));
      ctx.host.ShowMessage(MSG_REFUSED.Get().arg(problems.join(QLatin1Char('\n'))), QString());
    } else {
      const int total = static_cast<int>(changes.size());
      ctx.host.ShowProgress(0, total);
      for (int n = 0; n < total; ++n) {
        if (ctx.abort()) {
          result.stopped = true;
          break;
        }
        const EOutcome outcome =
            SaveParam(ctx, changes[static_cast<size_t>(n)].value, changes[static_cast<size_t>(n)].index);
        if (outcome == EOutcome::Answered)
          ++result.written;
        else
          ++result.failures;
        ctx.host.ShowProgress(n + 1, total);
        // A stop ends the walk: the port is gone, or the device is in another state.
        if (outcome == EOutcome::Stopped || ctx.abort()) {
          result.stopped = true;
          break;
        }
      }
    }
    if (result.stopped)
      ctx.host.AppendOutput(msg::SAVE_STOPPED.Get());
  }
  ctx.host.ShowProgress(0, 0);
  // After a stop the buttons stay as the stop has set them (a closed port, the
  // communication state): enabling them would offer operations that cannot run.
  if (!result.stopped)
    ctx.host.EnableOperationButtons(true);
  ctx.host.EnableSaveToFile();
  return result;
}
