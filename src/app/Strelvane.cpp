// strelvane [--lang zh|en] [--demo] [PATH...]: the configuration tool's window.
// Paths (a device node or a pseudo-terminal) are listed before the system's
// ports and the first of them is opened. --demo lists a simulated device first.
#include "host/TimeScaleWarning.h"
#include "base/Timing.h"
#include "text/Lang.h"
#include "app/DemoDevice.h"
#include "ui/StrelvaneDlg.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

class CStrelvaneApp : public QApplication {
public:
  CStrelvaneApp(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("strelvane"));
    setApplicationVersion(QStringLiteral("1.2.0"));
    setDesktopFileName(QStringLiteral("strelvane"));
  }

  int InitInstance() {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configuration tool for serial IP Modems (DTUs)."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption lang(QStringLiteral("lang"), QStringLiteral("Interface language: zh or en."),
                            QStringLiteral("zh|en"));
    QCommandLineOption demo(QStringLiteral("demo"),
                            QStringLiteral("Run a simulated IP Modem in-process, list it first and open it."));
    parser.addOption(lang);
    parser.addOption(demo);
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Serial device to list first and open."),
                                 QStringLiteral("[PATH...]"));
    parser.process(*this);
    CTiming::InitFromEnvironment();

    // The language comes first: every caption is chosen when the window is built.
    g_chineseUi = ui::DecideChineseUi(parser.value(lang)) ? 1 : 0;

    QStringList paths = parser.positionalArguments();
    // Declared before the window: the device outlives the port that is open on it.
    std::unique_ptr<CDemoDevice> device;
    if (parser.isSet(demo)) {
      if (!CDemoDevice::Available()) {
        std::fputs("strelvane: this build has no demo mode\n", stderr);
        return 1;
      }
      device = std::make_unique<CDemoDevice>();
      if (!device->Start()) {
        std::fputs("strelvane: cannot open a pseudo-terminal for the simulated device\n", stderr);
        return 1;
      }
      paths.prepend(device->Path());
    }
    const QString demoPath = device ? device->Path() : QString();
    auto ports = [paths, demoPath] {
      QList<CPortEntry> list = ui::BuildPortList(paths, ui::SystemPorts());
      for (CPortEntry &p : list) {
        if (!demoPath.isEmpty() && p.name == demoPath)
          p.description = Tr("模拟设备", "simulated device");
      }
      return list;
    };

    CStrelvaneDlg dlg;
    // Listed first, powered up a second after the window opens its port, with a re-power action.
    if (device)
      dlg.EnableDemo(device->Path(), [d = device.get()] { d->Repower(); });
    dlg.SetPortSource(ports);
    dlg.Initialize(ports());
    if (const QString warning = TimeScaleWarning(); !warning.isEmpty())
      dlg.AppendOutput(warning);
    dlg.exec();
    return 0;
  }
};

int main(int argc, char **argv) {
  CStrelvaneApp app(argc, argv);
  return app.InitInstance();
}
