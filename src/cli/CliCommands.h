#pragma once
// The command-line front end: a table of commands, each a function of its
// arguments, so device commands slot in beside the offline ones.
#include "params/ParamTable.h"
#include "text/Lang.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <span>

enum : int { CLI_EXIT_OK = 0, CLI_EXIT_FAILED = 1, CLI_EXIT_USAGE = 2, CLI_EXIT_PORT = 3 };

// Output of one run; stdout and stderr get UTF-8 with LF line ends.
class CCliContext {
public:
  virtual ~CCliContext() = default;
  virtual void Out(const QString &text);
  virtual void Err(const QString &text);
  // Bytes that are already plain ASCII (hex dumps, ASCII text): written as they are.
  virtual void OutAscii(const QByteArray &bytes);
};

// One parsed command line: the command's arguments and the options given
// (name without "--" -> value; flags have an empty value).
struct CliInvocation {
  QStringList args;
  QHash<QString, QString> options;
  QHash<QString, QStringList> repeated; // every value of an option given more than once, in order
  bool Has(const char *name) const { return options.contains(QLatin1String(name)); }
  QString Value(const char *name) const { return options.value(QLatin1String(name)); }
  QStringList Values(const char *name) const { return repeated.value(QLatin1String(name)); }
};

struct CliCommand {
  const char *name;
  const char *args; // shown in the help, e.g. "FILE"
  int minArgs;
  int maxArgs;
  const char *options; // command options it takes, space separated (without "--")
  CMsg help;
  int (*run)(CCliContext &ctx, const CliInvocation &inv);
};

std::span<const CliCommand> CliCommands();

// Runs one command line (without the program name): options, then a command.
int RunCli(const QStringList &arguments, CCliContext &ctx);

// One "label=value" line per entry, values shown as Unicode.
QString CliTableText(const ParamArray &table, int count);

// The commands that talk to a device (DeviceCommands.cpp).
int CliLoad(CCliContext &ctx, const CliInvocation &inv);
int CliShow(CCliContext &ctx, const CliInvocation &inv);
int CliBaud(CCliContext &ctx, const CliInvocation &inv);
int CliDetect(CCliContext &ctx, const CliInvocation &inv);
int CliVersion(CCliContext &ctx, const CliInvocation &inv);
int CliSignal(CCliContext &ctx, const CliInvocation &inv);
int CliReload(CCliContext &ctx, const CliInvocation &inv);
int CliFactory(CCliContext &ctx, const CliInvocation &inv);
int CliShutdown(CCliContext &ctx, const CliInvocation &inv);
int CliSet(CCliContext &ctx, const CliInvocation &inv);
int CliApply(CCliContext &ctx, const CliInvocation &inv);
int CliDiff(CCliContext &ctx, const CliInvocation &inv);
int CliVerify(CCliContext &ctx, const CliInvocation &inv);
int CliProvision(CCliContext &ctx, const CliInvocation &inv);
int CliClock(CCliContext &ctx, const CliInvocation &inv);
int CliComm(CCliContext &ctx, const CliInvocation &inv);
int CliMonitor(CCliContext &ctx, const CliInvocation &inv);
