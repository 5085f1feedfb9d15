// The rolling text fed in random chunks: it never holds more than its size,
// zero bytes never survive in it, and it is always the newest bytes in order.
#include "FuzzCheck.h"
#include "device/ReplyEngine.h"
#include "serial/Serial.h"

#include <QCoreApplication>

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  static int argc = 1;
  static char name[] = "fuzz_reply_engine";
  static char *argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static CSerial serial; // never opened: only the text side is exercised
  CReplyEngine engine(serial);
  std::string all;
  std::size_t pos = 0;
  while (pos < size) {
    // The first byte of each chunk gives its length (a chunk may be empty).
    const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(data[pos]) * 32u, size - pos - 1);
    const char *chunk = data + pos + 1;
    engine.AppendRx(chunk, static_cast<int>(len));
    all.append(chunk, len);
    pos += len + 1;
    const QByteArray text = engine.RxText();
    FUZZ_CHECK(text.size() <= RX_TEXT_SIZE);
    FUZZ_CHECK(!text.contains('\0'));
    std::string expect = all.substr(all.size() > RX_TEXT_SIZE ? all.size() - RX_TEXT_SIZE : 0);
    std::replace(expect.begin(), expect.end(), '\0', ' ');
    FUZZ_CHECK(text.toStdString() == expect);
    for (int code = REPLY_NONE; code <= REPLY_RESTART + 1; ++code)
      (void)ReplyComplete(code, text.constData(), static_cast<int>(text.size()));
  }
  return 0;
}
