#pragma once
// The one place where device bytes (GBK, code page 936) meet Unicode text.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace text {

QByteArray ToGbk(const QString &s);
// The device bytes of s, or nothing when a character cannot be written as
// GBK (one outside the code page, or any non-ASCII one where this Qt has no
// GBK codec): such text must be refused, never sent as other bytes.
std::optional<QByteArray> EncodeGbk(const QString &s);
// False where this Qt build has no GBK codec (some builds without ICU); the
// text then decodes as UTF-8 and only ASCII can be written.
bool GbkAvailable();
// Tests of a build without the codec.
void SetGbkAvailableForTesting(bool available);
QString FromGbk(const QByteArray &bytes);
QString FromGbk(const char *data, qsizetype len);

// Decodes one byte stream; a character split across chunks comes out whole.
class CGbkStreamDecoder {
public:
  CGbkStreamDecoder();
  QString Decode(const char *data, qsizetype len);
  void Reset();

private:
  QStringDecoder m_decoder;
};

} // namespace text
