#pragma once
// The command-line front end: a table of commands, each a function of its
// arguments, so device commands slot in beside the offline ones.
#include "text/Lang.h"

#include <QString>
#include <QStringList>

#include <span>

enum : int { CLI_EXIT_OK = 0, CLI_EXIT_FAILED = 1, CLI_EXIT_USAGE = 2 };

// Output of one run; stdout and stderr get UTF-8 with LF line ends.
class CCliContext {
public:
  virtual ~CCliContext() = default;
  virtual void Out(const QString &text);
  virtual void Err(const QString &text);
};

struct CliCommand {
  const char *name;
  const char *args; // shown in the help, e.g. "FILE"
  int minArgs;
  int maxArgs;
  CMsg help;
  int (*run)(CCliContext &ctx, const QStringList &args);
};

std::span<const CliCommand> CliCommands();

// Runs one command line (without the program name): options, then a command.
int RunCli(const QStringList &arguments, CCliContext &ctx);
