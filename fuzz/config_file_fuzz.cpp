// Configuration-file texts of any content; what is accepted writes and reads back.
#include "FuzzCheck.h"
#include "params/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  ParamArray table{};
  const ConfigFileResult r = ParseConfigFile(QByteArrayView(data, static_cast<qsizetype>(size)), table);
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamEntry &e = table[static_cast<std::size_t>(i)];
    FUZZ_CHECK(e.szValue.size() <= PARAM_VALUE_MAX);
    FUZZ_CHECK(!e.bFound || i < CONFIG_READ_COUNT);
    FUZZ_CHECK(!e.szValue.contains('\n'));
  }
  if (!r.ok)
    return 0;
  // Writing what was read and reading it again must not fail.
  ParamArray again{};
  FUZZ_CHECK(ParseConfigFile(ConfigFileBytes(table), again).ok);
  return 0;
}
