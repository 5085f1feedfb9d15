// A device server's byte stream of any content: the decoder gives the same
// data and events however the stream is cut into reads, never keeps more
// than its bound of a subnegotiation, and escaped data decodes back whole.
#include "FuzzCheck.h"
#include "serial/Telnet.h"

#include <algorithm>
#include <vector>

using namespace telnet;

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  if (size == 0)
    return 0;
  const bool strip = (data[0] & 1) != 0;
  const char *in = data + 1;
  const auto n = static_cast<qsizetype>(size - 1);

  CDecoder whole;
  QByteArray wholeData;
  std::vector<Event> wholeEvents;
  whole.Feed(in, n, wholeData, wholeEvents, strip);
  FUZZ_CHECK(wholeData.size() <= n);
  for (const Event &e : wholeEvents) {
    FUZZ_CHECK(e.payload.size() <= SUBNEG_MAX);
    FUZZ_CHECK(e.at >= 0 && e.at <= wholeData.size());
  }

  // Cut at every third byte: the same result.
  CDecoder cut;
  QByteArray cutData;
  std::vector<Event> cutEvents;
  for (qsizetype i = 0; i < n; i += 3)
    cut.Feed(in + i, std::min<qsizetype>(3, n - i), cutData, cutEvents, strip);
  FUZZ_CHECK(cutData == wholeData);
  FUZZ_CHECK(cutEvents == wholeEvents);

  // The stream's bytes as data: escaped and decoded back, nothing else comes out.
  const QByteArray wire = EscapeData(in, n, strip);
  FUZZ_CHECK(wire.size() == EscapedLength(in, n, strip));
  CDecoder back;
  QByteArray backData;
  std::vector<Event> backEvents;
  back.Feed(wire.constData(), wire.size(), backData, backEvents, strip);
  FUZZ_CHECK(backEvents.empty());
  FUZZ_CHECK(backData == QByteArray(in, n));
  return 0;
}
