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
inline constexpr CMsg MSG_HELP_INTRO{"用法：strelvane-cli [--lang en|zh] 命令 [参数...]\n\n命令：\n",
                                     "Usage: strelvane-cli [--lang en|zh] COMMAND [ARGS...]\n\nCommands:\n"};
inline constexpr CMsg MSG_HELP_OPTIONS{
    "\n选项：\n"
    "  --lang en|zh  输出语言（默认取 LC_ALL、LC_MESSAGES、LANG）\n"
    "  --help        显示本说明\n"
    "\n退出码：0 成功，2 用法错误或文件被拒绝。\n",
    "\nOptions:\n"
    "  --lang en|zh  language of the output (default from LC_ALL, LC_MESSAGES, LANG)\n"
    "  --help        show this help\n"
    "\nExit status: 0 on success, 2 for bad usage or a refused file.\n"};

// One "label=value" line per entry, values shown as Unicode.
QString TableText(const ParamArray &table, int count) {
  QString out;
  for (int i = 0; i < count; ++i) {
    const ParamEntry &e = table[static_cast<std::size_t>(i)];
    out += QString::fromLatin1(e.szLabel) + QLatin1Char('=') + text::FromGbk(e.szValue) + QLatin1Char('\n');
  }
  return out;
}

int Describe(CCliContext &ctx, const QStringList &args) {
  ctx.Out(DescribeSchedule(text::ToGbk(args[0])) + QLatin1Char('\n'));
  return CLI_EXIT_OK;
}

int ParseListing(CCliContext &ctx, const QStringList &args) {
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
  ctx.Out(TableText(table, PARAM_COUNT));
  if (!complete)
    ctx.Err(MSG_LISTING_CUT.Get() + QLatin1Char('\n'));
  return CLI_EXIT_OK;
}

int ReadCfg(CCliContext &ctx, const QStringList &args) {
  ParamArray table{};
  const ConfigFileResult result = ReadConfigFile(args[0], table);
  if (!result.ok) {
    QString line = result.message + QStringLiteral(": ") + args[0];
    if (!result.detail.isEmpty())
      line += QStringLiteral(": ") + result.detail;
    ctx.Err(line + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  ctx.Out(TableText(table, CONFIG_READ_COUNT));
  return CLI_EXIT_OK;
}

const CliCommand COMMANDS[] = {
    {"describe", "STRING", 1, 1,
     CMsg{"以当前语言说明一个开关机时间字符串", "print the sentence for a power on/off schedule string"}, Describe},
    {"parse-listing", "FILE", 1, 1,
     CMsg{"解析保存下来的 at+show 回复，按序号输出 label=value",
          "parse a captured at+show reply and print the table as label=value lines"},
     ParseListing},
    {"read-cfg", "FILE", 1, 1,
     CMsg{"读取配置文件，输出载入时填入页面的参数 0 到 57",
          "read a configuration file and print what a load puts into the pages (entries 0 to 57)"},
     ReadCfg},
};

void WriteUtf8(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

QString HelpText() {
  QString out = MSG_HELP_INTRO.Get();
  for (const CliCommand &c : COMMANDS) {
    const QString head = QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.args));
    out += head.leftJustified(24) + QLatin1Char(' ') + c.help.Get() + QLatin1Char('\n');
  }
  return out + MSG_HELP_OPTIONS.Get();
}

} // namespace

void CCliContext::Out(const QString &text) { WriteUtf8(stdout, text); }
void CCliContext::Err(const QString &text) { WriteUtf8(stderr, text); }

std::span<const CliCommand> CliCommands() { return COMMANDS; }

int RunCli(const QStringList &arguments, CCliContext &ctx) {
  g_chineseUi = text::ChineseFromEnvironment() ? 1 : 0;
  bool help = false;
  QStringList rest;
  QString badOption;
  bool badLang = false;
  bool literal = false;
  // Options may stand before or after the command and its arguments.
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &arg = arguments[i];
    if (literal) {
      rest << arg;
    } else if (arg == QLatin1String("--")) {
      literal = true; // everything after it is an argument, even "--x"
    } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      help = true;
    } else if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
      QString value;
      if (arg.contains(QLatin1Char('=')))
        value = arg.section(QLatin1Char('='), 1);
      else if (i + 1 < arguments.size())
        value = arguments[++i];
      if (value == QLatin1String("en"))
        g_chineseUi = 0;
      else if (value == QLatin1String("zh"))
        g_chineseUi = 1;
      else
        badLang = true;
    } else if (arg.startsWith(QLatin1String("--"))) {
      if (badOption.isEmpty())
        badOption = arg;
    } else {
      rest << arg;
    }
  }
  if (badLang) {
    ctx.Err(MSG_USAGE_LANG.Get() + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  if (!badOption.isEmpty()) {
    ctx.Err(MSG_USAGE_OPTION.Get().arg(badOption) + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  if (help) {
    ctx.Out(HelpText());
    return CLI_EXIT_OK;
  }
  if (rest.isEmpty()) {
    ctx.Err(MSG_USAGE_NONE.Get() + QLatin1Char('\n'));
    return CLI_EXIT_USAGE;
  }
  const QString name = rest.takeFirst();
  for (const CliCommand &c : COMMANDS) {
    if (name != QLatin1String(c.name))
      continue;
    if (rest.size() < c.minArgs || rest.size() > c.maxArgs) {
      ctx.Err(MSG_USAGE_ARGS.Get().arg(name, name, QLatin1String(c.args)) + QLatin1Char('\n'));
      return CLI_EXIT_USAGE;
    }
    return c.run(ctx, rest);
  }
  ctx.Err(MSG_USAGE_UNKNOWN.Get().arg(name) + QLatin1Char('\n'));
  return CLI_EXIT_USAGE;
}
