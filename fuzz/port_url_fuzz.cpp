// Port names of any content: always finish, and a device server address
// written back in its canonical form reads as the same address.
#include "FuzzCheck.h"
#include "serial/PortUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  const QString name = QString::fromUtf8(data, static_cast<qsizetype>(size));
  const PortUrl url = ParsePortUrl(name);
  if (url.IsNetwork()) {
    FUZZ_CHECK(url.port >= 1);
    FUZZ_CHECK(!url.host.isEmpty());
    const PortUrl again = ParsePortUrl(PortUrlText(url));
    FUZZ_CHECK(again.kind == url.kind && again.host == url.host && again.port == url.port);
  } else {
    FUZZ_CHECK(url.host.isEmpty() && url.port == 0);
    FUZZ_CHECK(PortUrlText(url).isEmpty());
  }
  if (!name.contains(QLatin1String("://")))
    FUZZ_CHECK(url.kind == EPortKind::Local);
  return 0;
}
