#include "device/DeviceSteps.h"

namespace {
struct ModuleName {
  const char *marker;
  const char *shown;
};
// Searched in this order; the first name found in the reply wins.
const ModuleName MODULES[] = {
    {"MC37i", "MC37i"},
    {"ZTEiT", "ZTEiT"},
    {"SIMCOM_SIM700", "SIMCOM_SIM700"},
    {"GTM900C", "HUAWEI"},
    {"HSPA USB MODEM", "HSPA USB MODEM"},
    {"MC8630", "MC8630"},
};

QString ModuleMessage(const QByteArray &reply) {
  for (const auto &m : MODULES) {
    if (reply.contains(m.marker))
      return Tr("          模块类型%1\r\n\r\n", "          Module Type:%1\r\n\r\n").arg(QLatin1String(m.shown));
  }
  return msg::MODULE_UNKNOWN.Get();
}
} // namespace

void LogModuleType(const CExchangeResult &result, CStepContext &context) {
  if (context.log)
    context.log(ModuleMessage(result.text));
}

bool ListingTaken(const CExchangeResult &result) {
  // A stopped or unsent listing never counts.
  return result.Answered() || (result.outcome == EOutcome::TimedOut && result.text.size() >= 1000);
}

bool RefusedIdentification(const CExchangeResult &result) {
  return result.outcome == EOutcome::TimedOut && result.text.contains("ERROR");
}

bool DatangRevision(const CExchangeResult &result) { return result.Answered() && result.text.contains("DTM6211"); }
