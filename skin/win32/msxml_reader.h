// Reads the language list and language files through the platform's XML document object.
#pragma once

#include "skin/core/language.h"

namespace tl::skin {

class MsxmlLanguageReader final : public LanguageXmlReader {
 public:
  XmlReadResult ReadLanguageList(const Text& path, const LanguageSink& sink) override;
  XmlReadResult ReadLanguageFile(const Text& path, const StringSink& sink) override;
};

}  // namespace tl::skin
