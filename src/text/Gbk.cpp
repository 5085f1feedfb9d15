#include "text/Gbk.h"

namespace text {
namespace {
// Qt builds without ICU have no GBK codec; fall back to UTF-8 so text still flows.
const char *CodecName() {
  static const char *name = QStringDecoder("GBK").isValid() ? "GBK" : "UTF-8";
  return name;
}
} // namespace

QByteArray ToGbk(const QString &s) {
  QStringEncoder enc(CodecName());
  return enc.encode(s);
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
