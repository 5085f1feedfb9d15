#include "ui/DemoDevice.h"

#include "ui/StrelvaneDlg.h"

#include <QDateTime>

CDemoDevice::~CDemoDevice() { m_runner.Stop(); }

bool CDemoDevice::Start() {
  sim::CSimRunOptions options;
  options.powerOnStart = false;
  // The device clock starts at the PC's local time, as a freshly set device would.
  const QDateTime now = QDateTime::currentDateTime();
  const sim::CSimDateTime t{now.date().year(), now.date().month(),  now.date().day(),
                            now.time().hour(), now.time().minute(), now.time().second()};
  options.device.clockSecs = sim::ToEpoch(t);
  return m_runner.Start(std::move(options));
}

QString CDemoDevice::Path() const { return QString::fromStdString(m_runner.SlavePath()); }

void CDemoDevice::Repower() { m_runner.Repower(); }

void CDemoDevice::Attach(CStrelvaneDlg &dlg) {
  dlg.EnableDemo(Path(), [this] { Repower(); });
}
