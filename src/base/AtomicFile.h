#pragma once
// Every file the tool saves is replaced in one step: written beside the old
// one, then renamed over it, so a failed save leaves the old file intact.
#include <QByteArray>
#include <QString>

// False with the system's reason when the file could not be written.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
