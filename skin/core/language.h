// The language manager: language entries read from a profile's list, one string container per
// entry, loaded on first use, and the current container that answers lookups.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tl::skin {

using Text = std::u16string;

// Pairs (key, message) sorted ascending by key in ordinal order; equal keys keep reading order.
class StrContainer {
 public:
  void Insert(Text key, Text message);
  // The message of `key` found by a binary search over positions that probes the upper middle;
  // none when absent.
  const Text* Find(std::u16string_view key) const;
  size_t size() const { return pairs_.size(); }
  const std::pair<Text, Text>& at(size_t i) const { return pairs_[i]; }

 private:
  std::vector<std::pair<Text, Text>> pairs_;
};

// Reads the two kinds of XML file. Each call reports the attributes of every wanted element in
// document order. A reader returns:
enum class XmlReadResult {
  kNoDocument,  // the file could not be loaded or has no document element
  kWalked,      // the document was walked to its end
  kFailed,      // walking stopped on an error; what was reported before stays
};
class LanguageXmlReader {
 public:
  // <language id name file> elements at any depth.
  using LanguageSink = std::function<void(int32_t id, Text name, Text file)>;
  // <string index message> elements at any depth that carry both attributes.
  using StringSink = std::function<void(Text index, Text message)>;
  virtual XmlReadResult ReadLanguageList(const Text& path, const LanguageSink& sink) = 0;
  virtual XmlReadResult ReadLanguageFile(const Text& path, const StringSink& sink) = 0;

 protected:
  ~LanguageXmlReader() = default;
};

class LanguageManager {
 public:
  explicit LanguageManager(LanguageXmlReader& reader) : reader_(reader) {}

  // Stores the directory (trailing separator included) and appends the entries of its
  // "list.xml". 1 when the list has no document, 0 once it was walked.
  int LoadProfile(std::u16string_view directory);
  void AttachLanguageFile(int32_t nationId, Text languageName, Text fileName);
  // Makes the first entry of that nation current; 0 when found, 1 (and no container) otherwise.
  int LoadStrContainer(int32_t nationId);
  // The translation, or none (the caller answers with the key).
  const Text* Lookup(std::u16string_view key) const;

  size_t EntryCount() const { return entries_.size(); }
  const StrContainer* Current() const { return current_; }
  const Text& Directory() const { return directory_; }

 private:
  struct Entry {
    int32_t nationId = 0;
    std::unique_ptr<StrContainer> container;
    Text languageName;
    Text fileName;
    // The folder of the list that named the entry; none for attached entries, whose files are
    // found in the profile folder current when they are loaded.
    std::optional<Text> listDirectory;
  };

  LanguageXmlReader& reader_;
  std::vector<Entry> entries_;
  StrContainer* current_ = nullptr;
  Text directory_;
};

// Decimal conversion as the C library's integer conversion does it: leading blanks, an optional
// sign, digits up to the first other character; 0 when there are none. Limited to 32 bits.
int32_t ParseDecimal(std::u16string_view text);

// The nation belonging to a system default language id; 0 for languages not in the table.
int32_t NationFromLanguageId(uint32_t languageId);

// The international telephone country code of a nation (geographical location id); 0 when the
// nation is not in the table or has no code.
int32_t CountryCodeForNation(int32_t nationId);
size_t NationTableSize();

// The operating system class from the version information: 0 unknown, 1..8 as the platform,
// major and minor versions go. Class 8 reads the country code through the nation table.
int OsClass(bool versionKnown, uint32_t platformId, uint32_t major, uint32_t minor);

}  // namespace tl::skin
