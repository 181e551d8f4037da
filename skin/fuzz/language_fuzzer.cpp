// The language manager from the language list to the lookups. The input is XML-like text whose
// top-level elements are the documents: the first is "list.xml", the next ones the language files
// in the order the list first names them. Every string a file gives must be found again by its
// key, keys never given must not be, and the container stays in ordinal order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "skin/core/language.h"
#include "skin/core/language_walk.h"
#include "skin/tests/fake_xml.h"

namespace {

using namespace tl::skin;

void Check(bool condition) {
  if (!condition) std::abort();
}

class FuzzReader final : public LanguageXmlReader {
 public:
  explicit FuzzReader(std::vector<testing::FakeXmlElement> documents) : documents_(std::move(documents)) {}

  XmlReadResult ReadLanguageList(const Text& path, const LanguageSink& sink) override {
    if (path != u"lang\\list.xml" || documents_.empty()) return XmlReadResult::kNoDocument;
    return WalkLanguageList(testing::MakeFakeXmlNode(documents_[0]), [&](int32_t id, Text name, Text file) {
      if (!fileDocuments_.count(file)) {
        const size_t next = fileDocuments_.size() + 1;
        fileDocuments_[file] = next;
      }
      entries.emplace_back(id, file);
      sink(id, std::move(name), std::move(file));
    });
  }
  XmlReadResult ReadLanguageFile(const Text& path, const StringSink& sink) override {
    const Text prefix = u"lang\\";
    if (path.compare(0, prefix.size(), prefix) != 0) return XmlReadResult::kNoDocument;
    const auto found = fileDocuments_.find(path.substr(prefix.size()));
    if (found == fileDocuments_.end() || found->second >= documents_.size()) return XmlReadResult::kNoDocument;
    given[path].clear();
    return WalkLanguageFile(testing::MakeFakeXmlNode(documents_[found->second]), [&](Text index, Text message) {
      given[path].emplace_back(index, message);
      sink(std::move(index), std::move(message));
    });
  }

  // The list's entries (nation, file) in order, and per file the pairs it gave.
  std::vector<std::pair<int32_t, Text>> entries;
  std::map<Text, std::vector<std::pair<Text, Text>>> given;

 private:
  std::vector<testing::FakeXmlElement> documents_;
  std::map<Text, size_t> fileDocuments_;
};

void CheckContainer(const StrContainer& container, const std::vector<std::pair<Text, Text>>& pairs) {
  Check(container.size() == pairs.size());
  for (size_t i = 1; i < container.size(); ++i) Check(!(container.at(i).first < container.at(i - 1).first));
  for (const auto& [key, message] : pairs) {
    const Text* found = container.Find(key);
    Check(found != nullptr);
    // One of the messages given for that key.
    bool known = false;
    for (const auto& [k, m] : pairs) known = known || (k == key && m == *found);
    Check(known);
    Text absent = key + u"\x7f";
    bool given = false;
    for (const auto& [k, m] : pairs) given = given || k == absent;
    if (!given) Check(container.Find(absent) == nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FuzzReader reader(testing::ParseFakeXml(text));
  LanguageManager manager(reader);
  const int loaded = manager.LoadProfile(u"lang\\");
  Check(loaded == 0 || manager.EntryCount() == 0);
  // An entry attached by hand comes after the list's.
  manager.AttachLanguageFile(7, u"Attached", u"missing.xml");
  reader.entries.emplace_back(7, u"missing.xml");
  Check(manager.EntryCount() == reader.entries.size());

  std::vector<int32_t> nations{0, 7, -1, 94, 244};
  for (size_t i = 0; i < size && nations.size() < 12; i += 97) nations.push_back(static_cast<int8_t>(data[i]));
  for (const auto& [nation, file] : reader.entries) {
    if (nations.size() >= 20) break;
    nations.push_back(nation);
  }
  for (int32_t nation : nations) {
    const int result = manager.LoadStrContainer(nation);
    Check((result == 0) == (manager.Current() != nullptr));
    const auto entry = std::find_if(reader.entries.begin(), reader.entries.end(),
                                    [&](const auto& e) { return e.first == nation; });
    if (nation == 0 || entry == reader.entries.end()) {
      Check(result == 1 && manager.Lookup(u"Apply") == nullptr);
      continue;
    }
    Check(result == 0);
    // The container holds what the entry's file gave (nothing when it has no document).
    const auto pairs = reader.given.find(u"lang\\" + entry->second);
    CheckContainer(*manager.Current(), pairs == reader.given.end() ? std::vector<std::pair<Text, Text>>{} : pairs->second);
  }
  return 0;
}
