#pragma once
// The one place where device bytes (GBK, code page 936) meet Unicode text.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace text {

QByteArray ToGbk(const QString &s);
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
