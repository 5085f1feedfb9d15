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

// The name shown for the module of an identification reply; nullptr for none known.
const char *ModuleShown(const QByteArray &reply) {
  for (const auto &m : MODULES) {
    if (reply.contains(m.marker))
      return m.shown;
  }
  return nullptr;
}
} // namespace

void LogModuleType(const CExchangeResult &result, CStepContext &context) {
  const char *shown = ModuleShown(result.text);
  if (context.log)
    context.log(shown ? Tr("          模块类型%1\r\n\r\n", "          Module Type:%1\r\n\r\n").arg(QLatin1String(shown))
                      : msg::MODULE_UNKNOWN.Get());
  if (context.module)
    context.module(shown ? QString::fromLatin1(shown) : QStringLiteral("Unknow"));
}

void NameDatang(const CExchangeResult &, CStepContext &context) {
  if (context.module)
    context.module(QStringLiteral("DATANG"));
}

bool ListingTaken(const CExchangeResult &result) {
  // A stopped or unsent listing never counts.
  return result.Answered() || (result.outcome == EOutcome::TimedOut && result.text.size() >= 1000);
}

bool RefusedIdentification(const CExchangeResult &result) {
  return result.outcome == EOutcome::TimedOut && result.text.contains("ERROR");
}

bool DatangRevision(const CExchangeResult &result) { return result.Answered() && result.text.contains("DTM6211"); }
