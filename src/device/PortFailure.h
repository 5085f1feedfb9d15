#pragma once
// Why a serial port could not be opened, or was lost, in words a user can act on.
#include "serial/OpenError.h"
#include "serial/Serial.h"

#include <QString>

// The log line that says why port did not open, in the interface language.
// detail, the driver's text, is shown only where no class says more.
QString OpenFailureReason(const QString &port, EOpenError error, const QString &detail);
// The log line for a port lost while open (unplugged, line hung up), in the
// interface language; why, the system's text, is shown in brackets if any.
QString PortLostText(const QString &why);
// The log line for what a network port says about its line settings (the
// server did not confirm or refused them, or a raw port cannot carry them);
// empty for ELineIssue::None.
QString LineNoticeText(const QString &port, ELineIssue issue);
