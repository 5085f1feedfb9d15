// Settings listings of any content: no read outside the buffer, values within bounds.
#include "FuzzCheck.h"
#include "params/SettingsParser.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  ParamArray table{};
  ParseSettings(QByteArrayView(data, static_cast<qsizetype>(size)), table);
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamEntry &e = table[static_cast<std::size_t>(i)];
    FUZZ_CHECK(std::strcmp(e.szLabel, ParamInfoAt(i).label) == 0);
    FUZZ_CHECK(e.szValue.size() <= PARAM_VALUE_MAX);
    FUZZ_CHECK(e.nCount == PARAM_COUNT);
    FUZZ_CHECK(e.bFound || e.szValue == NO_EXIST);
  }
  return 0;
}
