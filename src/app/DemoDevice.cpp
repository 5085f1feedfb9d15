#include "app/DemoDevice.h"

#include "model/SimRunner.h"

#include <QDateTime>

struct CDemoDevice::Impl {
  sim::CSimRunner runner;
};

CDemoDevice::CDemoDevice() : m_impl(std::make_unique<Impl>()) {}

CDemoDevice::~CDemoDevice() { m_impl->runner.Stop(); }

bool CDemoDevice::Available() { return true; }

bool CDemoDevice::Start() {
  sim::CSimRunOptions options;
  options.powerOnStart = false;
  // The device clock starts at the PC's local time, as a freshly set device would.
  const QDateTime now = QDateTime::currentDateTime();
  const sim::CSimDateTime t{now.date().year(), now.date().month(),  now.date().day(),
                            now.time().hour(), now.time().minute(), now.time().second()};
  options.device.clockSecs = sim::ToEpoch(t);
  return m_impl->runner.Start(std::move(options));
}

QString CDemoDevice::Path() const { return QString::fromStdString(m_impl->runner.SlavePath()); }

void CDemoDevice::Repower() { m_impl->runner.Repower(); }

sim::CSimRunner *CDemoDevice::Runner() { return &m_impl->runner; }
