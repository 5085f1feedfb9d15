#include "cli/CliCommands.h"

#include "params/ConfigFile.h"
#include "params/SettingsParser.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"

#include <QFile>

#include <cstdio>

namespace {

// A captured listing is a few kilobytes; anything far larger is not one.
constexpr qint64 LISTING_FILE_LIMIT = 1 << 20;

inline constexpr CMsg MSG_USAGE_UNKNOWN{"未知命令：%1", "unknown command: %1"};
inline constexpr CMsg MSG_USAGE_ARGS{"命令 %1 的参数不对：%2 %3", "wrong arguments for %1: %2 %3"};
inline constexpr CMsg MSG_USAGE_NONE{"缺少命令（--help 列出全部命令）", "no command given (--help lists the commands)"};
inline constexpr CMsg MSG_USAGE_LANG{"--lang 只接受 en 或 zh", "--lang takes en or zh"};
inline constexpr CMsg MSG_USAGE_OPTION{"未知选项：%1", "unknown option: %1"};
inline constexpr CMsg MSG_FILE_OPEN{"无法打开文件 %1：%2", "cannot open %1: %2"};
inline constexpr CMsg MSG_LISTING_TOO_BIG{"文件 %1 太大，不是设备参数列表", "%1 is too large for a settings listing"};
inline constexpr CMsg MSG_LISTING_CUT{"列表中有超过100个字符的值，之后的参数未读取",
                                      "a value longer than 100 characters ended the listing; later entries not read"};
inline constexpr CMsg MSG_USAGE_VALUE{"选项 %1 需要一个值", "option %1 needs a value"};
inline constexpr CMsg MSG_USAGE_NOT_FOR{"选项 %1 不适用于命令 %2", "option %1 does not apply to %2"};
inline constexpr CMsg MSG_HELP_INTRO{"用法：strelvane-cli [选项] 命令 [参数...]\n\n命令：\n",
                                     "Usage: strelvane-cli [OPTIONS] COMMAND [ARGS...]\n\nCommands:\n"};
inline constexpr CMsg MSG_HELP_OPTIONS{
    "\n选项：\n"
    "  --port PATH     设备所在的串口（如 /dev/ttyUSB0），或串口服务器上的端口：\n"
    "                  socket://主机:端口（原始 TCP）、rfc2217://主机:端口（RFC 2217）\n"
    "  --baud N        打开串口的波特率，8N1（默认 115200）\n"
    "  --wait SECONDS  等待设备上电进入配置状态的时间（默认 60）\n"
    "  --demo          使用内置的模拟设备（打开串口约一秒后上电）代替 --port\n"
    "  --lang en|zh    输出语言（默认取 LC_ALL、LC_MESSAGES、LANG）\n"
    "  --ports GLOB    provision：名字匹配 GLOB 的每个串口（如 '/dev/ttyUSB*'）；--port 也可重复\n"
    "  --vars CSV      provision：每台设备一行的 CSV（标题行是名字；有 port 列时按串口，否则按上电顺序）\n"
    "  --report JSONL  provision：每台设备结束时写一行 JSON\n"
    "  --log-dir DIR   provision：每台设备的日志写到 DIR\n"
    "  --help          显示本说明\n"
    "\n设备命令打开串口后请给设备重新上电；日志输出到标准错误，参数表输出到标准输出。\n"
    "环境变量 STRELVANE_TIME_SCALE 按比例缩短所有等待（测试用）。\n"
    "\n退出码：0 成功；1 设备没有完成要求（超时未上电、载入失败、应答超时、参数未被接受）；\n"
    "2 用法或输入错误；3 串口无法打开。diff/verify：1 表示有不同。provision：每台设备都 ok 或 unchanged 时为 0，\n"
    "否则为 1；写入任何设备之前发现输入错误时为 2。\n",
    "\nOptions:\n"
    "  --port PATH     serial port of the device (e.g. /dev/ttyUSB0), or one behind a device server:\n"
    "                  socket://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (RFC 2217)\n"
    "  --baud N        baud rate the port is opened at, 8N1 (default 115200)\n"
    "  --wait SECONDS  how long to wait for the device to start up into configuration state (default 60)\n"
    "  --demo          use the built-in simulated device (powers up about 1 s after the port opens) instead of --port\n"
    "  --lang en|zh    language of the output (default from LC_ALL, LC_MESSAGES, LANG)\n"
    "  --ports GLOB    provision: every port whose name matches GLOB (e.g. '/dev/ttyUSB*'); --port repeats too\n"
    "  --vars CSV      provision: a CSV with a header of names and a row per device (by its port column,\n"
    "                  else in the order the devices come up) filling ${name} in FILE's values\n"
    "  --report JSONL  provision: one JSON line per device, written as the device ends\n"
    "  --log-dir DIR   provision: each device's log to DIR\n"
    "  --help          show this help\n"
    "\nDevice commands open the port; then power the device up (or re-power it). The log goes to\n"
    "stderr, tables to stdout. STRELVANE_TIME_SCALE scales every wait down (for tests).\n"
    "\nExit status: 0 on success; 1 when the device did not do what was asked (no start-up within\n"
    "--wait, loading failed, an exchange timed out, a parameter not accepted); 2 for bad usage or\n"
    "input; 3 when the port cannot be opened. diff and verify: 1 when something differs. provision: 0 when\n"
    "every device ended ok or unchanged, else 1; 2 for bad input, found before anything is written.\n"};

int Describe(CCliContext &ctx, const CliInvocation &inv) {
  const QStringList &args = inv.args;
  ctx.Out(DescribeSchedule(text::ToGbk(args[0])) + QLatin1Char('\n'));
  return CLI_EXIT_OK;
}

int ParseListing(CCliContext &ctx, const CliInvocation &inv) {
  const QStringList &args = inv.args;
  QFile file(args[0]);
  if (!file.open(QIODevice::ReadOnly)) {
    ctx.Err(MSG_FILE_OPEN.Get().arg(args[0], file.errorString()) + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  QByteArray listing = file.read(LISTING_FILE_LIMIT + 1);
  if (listing.size() > LISTING_FILE_LIMIT) {
    ctx.Err(MSG_LISTING_TOO_BIG.Get().arg(args[0]) + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  listing.replace('\0', ' '); // as the receive path hands the listing over
  ParamArray table{};
  const bool complete = ParseSettings(listing, table);
  ctx.Out(CliTableText(table, PARAM_COUNT));
  if (!complete)
    ctx.Err(MSG_LISTING_CUT.Get() + QLatin1Char('\n'));
  return CLI_EXIT_OK;
}

int ReadCfg(CCliContext &ctx, const CliInvocation &inv) {
  const QStringList &args = inv.args;
  ParamArray table{};
  const ConfigFileResult result = ReadConfigFile(args[0], table);
  if (!result.ok) {
    QString line = result.message + QStringLiteral(": ") + args[0];
    if (!result.detail.isEmpty())
      line += QStringLiteral(": ") + result.detail;
    ctx.Err(line + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  ctx.Out(CliTableText(table, CONFIG_READ_COUNT));
  return CLI_EXIT_OK;
}

const CliCommand COMMANDS[] = {
    {"describe", "STRING", 1, 1, "",
     CMsg{"以当前语言说明一个开关机时间字符串", "print the sentence for a power on/off schedule string"}, Describe},
    {"parse-listing", "FILE", 1, 1, "",
     CMsg{"解析保存下来的 at+show 回复，按序号输出 label=value",
          "parse a captured at+show reply and print the table as label=value lines"},
     ParseListing},
    {"read-cfg", "FILE", 1, 1, "",
     CMsg{"读取配置文件，输出载入时填入页面的参数 0 到 57",
          "read a configuration file and print what a load puts into the pages (entries 0 to 57)"},
     ReadCfg},
    {"load", "[--cfg FILE] [--json]", 0, 0, "cfg json",
     CMsg{"进入配置状态并载入参数，输出 label=value；--cfg 另存为配置文件；--json 输出一个以标签为键的 JSON 对象",
          "enter configuration state, load the settings and print them as label=value; --cfg also saves them to "
          "FILE; --json prints one JSON object with the labels as keys"},
     CliLoad},
    {"show", "", 0, 0, "", CMsg{"查看当前配置 (AT+SHOW)", "show the device's settings listing (AT+SHOW)"}, CliShow},
    {"baud", "", 0, 0, "", CMsg{"查看波特率 (AT+IPR?)", "show the baud rate (AT+IPR?)"}, CliBaud},
    {"detect", "", 0, 0, "",
     CMsg{"自动检测：AT、SIM卡、信号、网络", "auto-detect: attention, SIM card, signal, network"}, CliDetect},
    {"version", "", 0, 0, "", CMsg{"查询版本 (AT+VER)", "show the firmware version (AT+VER)"}, CliVersion},
    {"signal", "", 0, 0, "", CMsg{"信号强度 (AT+CSQ)", "show the signal strength (AT+CSQ)"}, CliSignal},
    {"reload", "", 0, 0, "", CMsg{"从设备重新载入参数并输出", "load the settings from the device again and print them"},
     CliReload},
    {"factory", "", 0, 0, "",
     CMsg{"恢复出厂配置，重新载入并输出参数", "restore the factory settings, reload and print them"}, CliFactory},
    {"shutdown", "", 0, 0, "", CMsg{"关机 (AT+SHUTDOWN)", "power the device off (AT+SHUTDOWN)"}, CliShutdown},
    {"set", "[--dry-run] LABEL=VALUE...", 1, PARAM_COUNT, "dry-run",
     CMsg{"修改参数并写入设备；LABEL 与列表中的写法相同，列表项可用文字或序号；--dry-run 只列出要写入的参数",
          "change parameters and write them; LABEL as the listing spells it, a list takes an item text or index; "
          "--dry-run lists what would be written and writes nothing"},
     CliSet},
    {"apply", "[--dry-run] FILE", 1, 1, "dry-run",
     CMsg{"从配置文件配置设备（只写入不同的参数）；--dry-run 只列出要写入的参数",
          "configure the device from a configuration file (writes what differs); --dry-run lists what would be "
          "written and writes nothing"},
     CliApply},
    {"diff", "FILE", 1, 1, "",
     CMsg{"列出 apply 会写入的参数（标签: 设备值 -> 文件值）；有不同时退出码为 1",
          "list what apply would write (label: device value -> file value); exit 1 when something differs"},
     CliDiff},
    {"verify", "FILE", 1, 1, "",
     CMsg{"设备是否保存着文件的参数 0 到 57：一致时退出码为 0，否则列出不同并退出码为 1",
          "exit 0 when the device holds the file's entries 0 to 57, else list the differences and exit 1"},
     CliVerify},
    {"provision", "FILE --port P [--port P...] | --ports GLOB [--vars CSV] [--report JSONL] [--log-dir DIR]", 1, 1,
     "ports vars report log-dir",
     CMsg{"同时配置多台设备：每个串口等待上电、载入、写入文件中不同的参数并读回核对；--vars 为每台设备填入 ${name}，"
          "--report 每台设备结束时写一行 JSON",
          "configure many devices at once: on every port wait for the start-up, load, write what differs from FILE "
          "and read it back to verify; --vars fills ${name} per device from a CSV, --report writes one JSON line as "
          "each device ends"},
     CliProvision},
    {"clock", "[YYYY/MM/DD hh:mm:ss]", 0, 2, "",
     CMsg{"设置设备时钟（默认取本机时间）", "set the device clock (default: this computer's local time)"}, CliClock},
    {"comm", "", 0, 0, "",
     CMsg{"重启设备进入通讯状态并按设备参数设置串口",
          "reboot the device into communication state and set the port to its work settings"},
     CliComm},
    {"monitor", "[--hex] [--send TEXT] [--send-hex] [--cr] [--every MS] [--for SECONDS]", 0, 0,
     "hex send send-hex cr every for",
     CMsg{"通讯状态终端：不应答启动提示，收到的数据输出到标准输出",
          "communication-state terminal: the start-up prompt is not answered; received bytes go to stdout"},
     CliMonitor},
};

// Options of the whole program and of single commands; true: takes a value.
struct OptionDef {
  const char *name;
  bool value;
  bool global;
};
const OptionDef OPTIONS[] = {
    {"lang", true, true},       {"port", true, true},      {"baud", true, true},   {"wait", true, true},
    {"demo", false, true},      {"cfg", true, false},      {"hex", false, false},  {"send", true, false},
    {"send-hex", false, false}, {"cr", false, false},      {"every", true, false}, {"for", true, false},
    {"json", false, false},     {"dry-run", false, false}, {"ports", true, false}, {"vars", true, false},
    {"report", true, false},    {"log-dir", true, false},
};
const OptionDef *FindOption(const QString &name) {
  for (const OptionDef &o : OPTIONS) {
    if (name == QLatin1String(o.name))
      return &o;
  }
  return nullptr;
}

void WriteUtf8(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

QString HelpText() {
  QString out = MSG_HELP_INTRO.Get();
  for (const CliCommand &c : COMMANDS) {
    const QString head = QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.args));
    if (head.size() > 24)
      out += head + QStringLiteral("\n") + QString(25, QLatin1Char(' ')) + c.help.Get() + QLatin1Char('\n');
    else
      out += head.leftJustified(24) + QLatin1Char(' ') + c.help.Get() + QLatin1Char('\n');
  }
  return out + MSG_HELP_OPTIONS.Get();
}

} // namespace

void CCliContext::Out(const QString &text) { WriteUtf8(stdout, text); }
void CCliContext::Err(const QString &text) { WriteUtf8(stderr, text); }
void CCliContext::OutAscii(const QByteArray &bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

std::span<const CliCommand> CliCommands() { return COMMANDS; }

QString CliTableText(const ParamArray &table, int count) {
  QString out;
  for (int i = 0; i < count; ++i) {
    const ParamEntry &e = table[static_cast<std::size_t>(i)];
    out += QString::fromLatin1(e.szLabel) + QLatin1Char('=') + text::FromGbk(e.szValue) + QLatin1Char('\n');
  }
  return out;
}

int RunCli(const QStringList &arguments, CCliContext &ctx) {
  g_chineseUi = text::ChineseFromEnvironment() ? 1 : 0;
  bool help = false;
  CliInvocation inv;
  QString badOption;
  QString missingValue;
  bool literal = false;
  // Options may stand before or after the command and its arguments.
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &arg = arguments[i];
    if (literal || !arg.startsWith(QLatin1String("--"))) {
      if (!literal && arg == QLatin1String("-h"))
        help = true;
      else
        inv.args << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      literal = true; // everything after it is an argument, even "--x"
      continue;
    }
    if (arg == QLatin1String("--help")) {
      help = true;
      continue;
    }
    const QString name = arg.mid(2).section(QLatin1Char('='), 0, 0);
    const OptionDef *def = FindOption(name);
    if (!def) {
      if (badOption.isEmpty())
        badOption = arg;
      continue;
    }
    QString value;
    if (def->value) {
      if (arg.contains(QLatin1Char('=')))
        value = arg.section(QLatin1Char('='), 1);
      else if (i + 1 < arguments.size())
        value = arguments[++i];
      else if (missingValue.isEmpty())
        missingValue = arg;
    } else if (arg.contains(QLatin1Char('='))) {
      if (badOption.isEmpty())
        badOption = arg;
    }
    if (inv.options.contains(name))
      inv.repeated[name] << value;
    else
      inv.repeated[name] = QStringList{value};
    inv.options.insert(name, value);
  }
  if (inv.Has("lang")) {
    const QString lang = inv.Value("lang");
    if (lang == QLatin1String("en")) {
      g_chineseUi = 0;
    } else if (lang == QLatin1String("zh")) {
      g_chineseUi = 1;
    } else {
      ctx.Err(MSG_USAGE_LANG.Get() + QLatin1Char('\n'));
      return CLI_EXIT_USAGE;
    }
  }
  if (!badOption.isEmpty()) {
    ctx.Err(MSG_USAGE_OPTION.Get().arg(badOption) + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  if (!missingValue.isEmpty()) {
    ctx.Err(MSG_USAGE_VALUE.Get().arg(missingValue) + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  if (help) {
    ctx.Out(HelpText());
    return CLI_EXIT_OK;
  }
  if (inv.args.isEmpty()) {
    ctx.Err(MSG_USAGE_NONE.Get() + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  const QString name = inv.args.takeFirst();
  for (const CliCommand &c : COMMANDS) {
    if (name != QLatin1String(c.name))
      continue;
    if (inv.args.size() < c.minArgs || inv.args.size() > c.maxArgs) {
      ctx.Err(MSG_USAGE_ARGS.Get().arg(name, name, QLatin1String(c.args)) + QLatin1Char('\n'));
      return CLI_EXIT_USAGE;
    }
    const QStringList allowed = QString::fromLatin1(c.options).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (auto it = inv.options.cbegin(); it != inv.options.cend(); ++it) {
      const OptionDef *def = FindOption(it.key());
      if (!def->global && !allowed.contains(it.key())) {
        ctx.Err(MSG_USAGE_NOT_FOR.Get().arg(QStringLiteral("--") + it.key(), name) + QLatin1Char('\n'));
        return CLI_EXIT_USAGE;
      }
    }
    return c.run(ctx, inv);
  }
  ctx.Err(MSG_USAGE_UNKNOWN.Get().arg(name) + QLatin1Char('\n'));
  return CLI_EXIT_USAGE;
}
