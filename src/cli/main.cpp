// strelvane-cli: the tool without a window, for scripts and tests.
#include "cli/CliCommands.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("strelvane-cli"));
  CCliContext ctx;
  return RunCli(QCoreApplication::arguments().mid(1), ctx);
}
