// The console simulator's configuration file.
#include <string_view>

#include "qtr10/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  qtr10::ConfigConsola c;
  qtr10::lee_config(c, std::string_view(reinterpret_cast<const char*>(datos), largo));
  return 0;
}
