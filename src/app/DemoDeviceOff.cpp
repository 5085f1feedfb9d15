#include "app/DemoDevice.h"

// A build without demo mode: no pseudo-terminal, no simulated device.
struct CDemoDevice::Impl {};

CDemoDevice::CDemoDevice() = default;
CDemoDevice::~CDemoDevice() = default;
bool CDemoDevice::Available() { return false; }
bool CDemoDevice::Start() { return false; }
QString CDemoDevice::Path() const { return QString(); }
void CDemoDevice::Repower() {}
sim::CSimRunner *CDemoDevice::Runner() { return nullptr; }
