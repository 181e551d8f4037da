#include "skin/core/language.h"

#include <algorithm>
#include <limits>

namespace tl::skin {

void StrContainer::Insert(Text key, Text message) {
  // Before the first greater key: equal keys stay in reading order.
  auto at = std::upper_bound(pairs_.begin(), pairs_.end(), key,
                             [](const Text& k, const auto& pair) { return k < pair.first; });
  pairs_.insert(at, {std::move(key), std::move(message)});
}

const Text* StrContainer::Find(std::u16string_view key) const {
  if (pairs_.empty()) return nullptr;
  int64_t low = 0;
  int64_t high = static_cast<int64_t>(pairs_.size()) - 1;
  while (low <= high) {
    const int64_t middle = (low + high + 1) / 2;
    const auto& pair = pairs_[static_cast<size_t>(middle)];
    const int order = std::u16string_view(pair.first).compare(key);
    if (order == 0) return &pair.second;
    if (order < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return nullptr;
}

int LanguageManager::LoadProfile(std::u16string_view directory) {
  directory_ = Text(directory);
  // A second profile adds to the first; each entry keeps the folder its list came from.
  const XmlReadResult result = reader_.ReadLanguageList(
      directory_ + u"list.xml", [this](int32_t id, Text name, Text file) {
        entries_.push_back(Entry{id, nullptr, std::move(name), std::move(file), directory_});
      });
  return result == XmlReadResult::kNoDocument ? 1 : 0;
}

void LanguageManager::AttachLanguageFile(int32_t nationId, Text languageName, Text fileName) {
  // Entries live in a vector of values whose containers are owned by pointer, so the current
  // container survives growth of the vector.
  entries_.push_back(
      Entry{nationId, nullptr, std::move(languageName), std::move(fileName), std::nullopt});
}

int LanguageManager::LoadStrContainer(int32_t nationId) {
  current_ = nullptr;
  if (nationId == 0) return 1;
  for (Entry& entry : entries_) {
    if (entry.nationId != nationId) continue;
    if (!entry.container) {
      auto container = std::make_unique<StrContainer>();
      reader_.ReadLanguageFile(entry.listDirectory.value_or(directory_) + entry.fileName, [&](Text index, Text message) {
        container->Insert(std::move(index), std::move(message));
      });
      entry.container = std::move(container);
    }
    current_ = entry.container.get();
    return 0;
  }
  return 1;
}

const Text* LanguageManager::Lookup(std::u16string_view key) const {
  return current_ ? current_->Find(key) : nullptr;
}

int32_t ParseDecimal(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t NationFromLanguageId(uint32_t languageId) {
  // First match wins: 1043 stands twice and the first row answers.
  static constexpr std::pair<uint32_t, int32_t> kTable[] = {
      {1028, 237}, {2052, 45},  {3076, 104}, {1042, 134}, {1041, 122}, {1043, 333}, {1043, 176},
      {1038, 109}, {1031, 94},  {1034, 217}, {3082, 217}, {1040, 118}, {1049, 203}, {1025, 205},
      {1030, 61},  {1032, 98},  {1045, 191}, {2070, 193}, {2077, 77},  {1051, 143}, {1053, 221},
      {1036, 84},  {1029, 75},  {1054, 227}, {1055, 235}, {1046, 32}};
  static_assert(std::size(kTable) == 26);
  for (const auto& [language, nation] : kTable)
    if (language == languageId) return nation;
  return 0;
}

int OsClass(bool versionKnown, uint32_t platformId, uint32_t major, uint32_t minor) {
  if (!versionKnown) return 0;
  switch (platformId) {
    case 0:
      return 1;
    case 1:
      return minor == 0 ? 2 : minor < 11 ? 3 : 4;
    case 2:
      if (major == 3) return 5;
      if (major == 4) return 6;
      if (major == 5 && minor == 0) return 7;
      return major >= 5 ? 8 : 0;
    default:
      return 0;
  }
}

}  // namespace tl::skin
