#include "base/AtomicFile.h"

#include <QSaveFile>

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error)
      *error = file.errorString();
    return false;
  }
  if (file.write(bytes) != bytes.size()) {
    if (error)
      *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    if (error)
      *error = file.errorString();
    return false;
  }
  return true;
}
