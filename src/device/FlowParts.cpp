#include "device/FlowParts.h"

#include "device/PortFailure.h"
#include "host/DialogHost.h"
#include "params/PageFill.h"
#include "params/SettingsParser.h"
#include "serial/Serial.h"
#include "text/Gbk.h"

void CFlowParts::Log(const QString &text) const {
  if (!text.isEmpty())
    host.AppendOutput(text);
}

void CFlowParts::LogLineNotice() const { Log(LineNoticeText(serial.PortName(), serial.TakeLineNotice())); }

void CFlowParts::ShowReply(const QByteArray &text) const { Log(text::FromGbk(text) + QStringLiteral("\r\n")); }

ParamArray CFlowParts::ApplyListing(const QByteArray &listing) const {
  ShowReply(listing);
  ParamArray table = session.Table().Snapshot();
  ParseSettings(listing, table);
  session.Table().Replace(table);
  FillPages(table, pages, session.Work());
  return table;
}

CFlowParts::Abort CFlowParts::OperationAbort() const {
  return [this, stops = engine.StopCount()] { return Closing() || engine.StopCount() != stops; };
}

CStepContext CFlowParts::Steps(Abort stopped, bool logBusy) const {
  return CStepContext{
      .engine = engine,
      .serial = serial,
      .at = at,
      .stopped = std::move(stopped),
      .log = [this](const QString &text) { Log(text); },
      .pause = pause,
      .listing = {},
      .logBusy = logBusy,
  };
}
