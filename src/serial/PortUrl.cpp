#include "serial/PortUrl.h"

#include <QHostAddress>

namespace {

bool IsSchemeChar(QChar c, bool first) {
  if (c.isLetter() && c.unicode() < 0x80)
    return true;
  return !first && ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
                    c == QLatin1Char('-') || c == QLatin1Char('.'));
}

bool ValidHostName(QStringView host) {
  if (host.isEmpty() || host.size() > 253)
    return false;
  for (const QChar c : host) {
    const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                    (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                    (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
                    c == QLatin1Char('.') || c == QLatin1Char('_');
    if (!ok)
      return false;
  }
  return host.front() != QLatin1Char('.') && host.front() != QLatin1Char('-');
}

bool ParsePort(QStringView text, quint16 &port) {
  if (text.isEmpty() || text.size() > 5)
    return false;
  unsigned v = 0;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
    v = v * 10 + static_cast<unsigned>(c.unicode() - '0');
  }
  if (v < 1 || v > 65535)
    return false;
  port = static_cast<quint16>(v);
  return true;
}

} // namespace

PortUrl ParsePortUrl(const QString &name) {
  PortUrl url;
  const qsizetype sep = name.indexOf(QLatin1String("://"));
  if (sep <= 0)
    return url; // no scheme: a local port
  for (qsizetype i = 0; i < sep; ++i)
    if (!IsSchemeChar(name[i], i == 0))
      return url; // "://" inside a path is still a path
  const QString scheme = name.left(sep).toLower();
  url.kind = EPortKind::Invalid;
  QStringView rest = QStringView(name).mid(sep + 3);
  if (rest.endsWith(QLatin1Char('/')))
    rest.chop(1);
  QStringView host, port;
  if (rest.startsWith(QLatin1Char('['))) {
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close < 0 || close + 1 >= rest.size() || rest[close + 1] != QLatin1Char(':'))
      return url;
    host = rest.mid(1, close - 1);
    port = rest.mid(close + 2);
    QHostAddress address;
    if (!address.setAddress(host.toString()) || address.protocol() != QAbstractSocket::IPv6Protocol)
      return url;
  } else {
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
      return url;
    host = rest.left(colon);
    port = rest.mid(colon + 1);
    if (!ValidHostName(host))
      return url;
  }
  if (!ParsePort(port, url.port))
    return url;
  url.host = host.toString();
  if (scheme == QLatin1String("socket"))
    url.kind = EPortKind::Raw;
  else if (scheme == QLatin1String("rfc2217"))
    url.kind = EPortKind::Rfc2217;
  else
    url.port = 0;
  if (url.kind == EPortKind::Invalid)
    url.host.clear();
  return url;
}

QString PortUrlText(const PortUrl &url) {
  if (!url.IsNetwork())
    return {};
  const QString scheme = url.kind == EPortKind::Raw ? QStringLiteral("socket") : QStringLiteral("rfc2217");
  const QString host = url.host.contains(QLatin1Char(':')) ? QLatin1Char('[') + url.host + QLatin1Char(']') : url.host;
  return scheme + QStringLiteral("://") + host + QLatin1Char(':') + QString::number(url.port);
}
