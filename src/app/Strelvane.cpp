// strelvane [--lang zh|en] [PATH...]: the configuration tool's window. Paths
// (a device node or a pseudo-terminal) are listed before the system's ports and
// the first of them is opened.
#include "text/Lang.h"
#include "ui/StrelvaneDlg.h"

#include <QApplication>
#include <QCommandLineParser>

class CStrelvaneApp : public QApplication {
public:
  CStrelvaneApp(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("strelvane"));
    setApplicationVersion(QStringLiteral("1.2.0"));
  }

  int InitInstance() {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configuration tool for serial IP Modems (DTUs)."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption lang(QStringLiteral("lang"), QStringLiteral("Interface language: zh or en."),
                            QStringLiteral("zh|en"));
    parser.addOption(lang);
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Serial device to list first and open."),
                                 QStringLiteral("[PATH...]"));
    parser.process(*this);

    // The language comes first: every caption is chosen when the window is built.
    g_chineseUi = ui::DecideChineseUi(parser.value(lang)) ? 1 : 0;
    CStrelvaneDlg dlg;
    dlg.Initialize(ui::BuildPortList(parser.positionalArguments(), ui::SystemPorts()));
    dlg.exec();
    return 0;
  }
};

int main(int argc, char **argv) {
  CStrelvaneApp app(argc, argv);
  return app.InitInstance();
}
