#include "serial/OpenError.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

NodeState ProbeNode(const QString &port) {
  NodeState node;
  if (port.isEmpty()) {
    node.exists = false;
    return node;
  }
#ifdef Q_OS_UNIX
  // The same place Qt opens: a path as given, a bare name under /dev.
  const QString path = port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("/dev/") + port;
  const QByteArray native = QFile::encodeName(path);
  node.exists = ::access(native.constData(), F_OK) == 0;
  node.denied = node.exists && ::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES;
#endif
  return node;
}

EOpenError ClassifyOpenError(QSerialPort::SerialPortError code, NodeState node) {
  if (!node.exists)
    return EOpenError::Absent;
  if (node.denied)
    return EOpenError::Denied;
  switch (code) {
  case QSerialPort::DeviceNotFoundError:
  // At open this is EIO: a node without hardware behind it (a ttyS with no UART).
  case QSerialPort::ResourceError:
    return EOpenError::Absent;
  // The node is ours to open, so a refusal means someone else holds it: Qt
  // reports another holder's lock as a permission error, and a second open
  // of the same line may come back as an unknown one.
  case QSerialPort::PermissionError:
  case QSerialPort::OpenError:
  case QSerialPort::UnknownError:
    return EOpenError::Busy;
  default:
    return EOpenError::Other;
  }
}
