#include "text/Gbk.h"

#include <atomic>

namespace text {
namespace {
bool HasGbkCodec() {
  static const bool has = QStringDecoder("GBK").isValid();
  return has;
}
std::atomic<int> s_testAvailable{-1}; // -1: as the build has it

// Qt builds without ICU have no GBK codec: received text still shows (as
// UTF-8), but nothing outside ASCII is written (EncodeGbk refuses it).
const char *CodecName() { return GbkAvailable() ? "GBK" : "UTF-8"; }
} // namespace

bool GbkAvailable() {
  const int forced = s_testAvailable.load();
  return forced < 0 ? HasGbkCodec() : forced != 0;
}

void SetGbkAvailableForTesting(bool available) { s_testAvailable.store(available ? 1 : 0); }

QByteArray ToGbk(const QString &s) {
  QStringEncoder enc(CodecName());
  return enc.encode(s);
}

std::optional<QByteArray> EncodeGbk(const QString &s) {
  if (!GbkAvailable()) {
    for (const QChar c : s)
      if (c.unicode() >= 0x80)
        return std::nullopt;
    return s.toLatin1();
  }
  QStringEncoder enc("GBK");
  QByteArray bytes = enc.encode(s);
  // A character outside the code page may come out as a substitute without
  // an error: only bytes that read back as the same text are the text.
  if (enc.hasError() || FromGbk(bytes) != s)
    return std::nullopt;
  return bytes;
}

QString FromGbk(const QByteArray &bytes) { return FromGbk(bytes.constData(), bytes.size()); }

QString FromGbk(const char *data, qsizetype len) {
  QStringDecoder dec(CodecName());
  return dec.decode(QByteArrayView(data, len));
}

CGbkStreamDecoder::CGbkStreamDecoder() : m_decoder(CodecName()) {}

QString CGbkStreamDecoder::Decode(const char *data, qsizetype len) {
  return m_decoder.decode(QByteArrayView(data, len));
}

void CGbkStreamDecoder::Reset() { m_decoder.resetState(); }

} // namespace text
