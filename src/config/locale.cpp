#include "config/locale.h"

#include "diag/log.h"

namespace zarvo {

std::string DetectLocale() {
  const std::string name = "en";
  DebugLog(u"language/country is %S", name);
  return name;
}

}  // namespace zarvo
