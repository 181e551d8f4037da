#include "skin/core/names.h"

namespace tl::skin {

Name NameFromNarrow(const char* narrow) {
  Name name;
  if (!narrow) return name;
  for (const char* p = narrow; *p; ++p) name.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  return name;
}

}  // namespace tl::skin
