// monitor: the terminal of communication state on stdout. The device is put
// into communication state before the port opens, so its start-up prompt is
// never answered; what it sends is shown as text (GBK to UTF-8) or hex.
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "text/Gbk.h"
#include "text/HexText.h"

#include <algorithm>

using cli::Fail;

int CliMonitor(CCliContext &ctx, const CliInvocation &inv) {
  QByteArray payload;
  const bool send = inv.Has("send") || inv.Has("cr");
  if (inv.Has("send-hex")) {
    const auto bytes = text::ParseHexText(text::ToGbk(inv.Value("send")));
    if (!bytes) {
      Fail(ctx, MSG_HEX_TEXT_ERROR.Get());
      return CLI_EXIT_USAGE;
    }
    payload = *bytes;
  } else {
    payload = text::ToGbk(inv.Value("send"));
  }
  if (inv.Has("cr"))
    payload += '\r';
  int everyMs = 0;
  if (inv.Has("every")) {
    const auto v = cli::PositiveNumber(inv.Value("every"));
    if (!v) {
      Fail(ctx, MSG_BAD_NUMBER.Get().arg(QStringLiteral("every"), inv.Value("every")));
      return CLI_EXIT_USAGE;
    }
    everyMs = std::max(10, static_cast<int>(*v)); // the terminal's lower limit
  }
  double forSeconds = -1;
  if (inv.Has("for")) {
    const auto v = cli::PositiveNumber(inv.Value("for"));
    if (!v) {
      Fail(ctx, MSG_BAD_NUMBER.Get().arg(QStringLiteral("for"), inv.Value("for")));
      return CLI_EXIT_USAGE;
    }
    forSeconds = *v;
  }

  COutputBatch out(ctx); // outlives the session, whose engine feeds it
  CCliSession s(ctx, inv);
  int rc = s.Prepare();
  if (rc != CLI_EXIT_OK)
    return rc;
  CDeviceController &d = s.Device();
  // Communication state first, so the start-up prompt is never answered.
  d.SelectCommState();
  d.Engine().SetHexDisplay(inv.Has("hex"));
  text::CGbkStreamDecoder decoder;
  CLineEndFilter lineEnds;
  bool anyHex = false;
  bool decoderEmpty = true; // no part of a character held back by the decoder
  d.Engine().m_onDisplay = [&](const QByteArray &bytes, bool hex) {
    if (hex) {
      anyHex = true;
      out.Add(bytes);
      return;
    }
    // ASCII is the same in GBK and UTF-8: it skips the decoder unless the
    // decoder holds the first byte of a character begun in the last chunk.
    if (decoderEmpty && cli::IsAscii(bytes)) {
      lineEnds.FilterAsciiInto(bytes.constData(), bytes.size(), out.Buffer());
      out.Added();
      return;
    }
    out.Add(lineEnds.Filter(decoder.Decode(bytes.constData(), bytes.size())).toUtf8());
    // A chunk ending in a byte below 0x80 ends with a whole character (a GBK
    // first byte is 0x81 or above, a second byte completes it).
    decoderEmpty = !bytes.isEmpty() && (bytes.back() & 0x80) == 0;
  };
  rc = s.Open();
  if (rc != CLI_EXIT_OK)
    return rc;
  QTimer every;
  if (send) {
    d.Serial().Write(payload);
    if (everyMs > 0) {
      QObject::connect(&every, &QTimer::timeout, [&] { d.Serial().Write(payload); });
      every.start(everyMs);
    }
  }
  cli::Pump([&] { return !d.Serial().IsOpen(); }, forSeconds < 0 ? -1 : static_cast<qint64>(forSeconds * 1000));
  every.stop();
  const bool lost = s.PortLost();
  // Nothing more is shown once the engine stops.
  s.End();
  out.Flush();
  ctx.Out(lineEnds.Flush() + (anyHex ? QStringLiteral("\n") : QString()));
  return lost ? CLI_EXIT_PORT : CLI_EXIT_OK;
}
