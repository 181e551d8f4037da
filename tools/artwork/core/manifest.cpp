#include "tools/artwork/core/manifest.h"

#include <cctype>
#include <set>
#include <sstream>

namespace tl::artwork {
namespace {

struct KindRule {
  const char* kind;
  size_t positional;  // arguments after <out>
};
constexpr KindRule kKinds[] = {{"bmp", 3}, {"dds", 3}, {"png", 3}, {"ico", 2}, {"mock", 1}, {"help", 1}};

}  // namespace

std::vector<std::string> Tokenize(std::string_view line) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    std::string token;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
      if (line[i] == '"') {
        size_t end = line.find('"', i + 1);
        if (end == std::string_view::npos) throw TemplateError("unclosed '\"'");
        token.append(line.substr(i + 1, end - i - 1));
        i = end + 1;
      } else if (line.substr(i, 2) == "{{") {
        size_t end = line.find("}}", i + 2);
        if (end == std::string_view::npos) throw TemplateError("unclosed '{{'");
        token.append(line.substr(i, end + 2 - i));
        i = end + 2;
      } else {
        token += line[i++];
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

double NumberArgument(const std::string& token, const Variables& variables) {
  if (token.size() >= 4 && token.starts_with("{{") && token.ends_with("}}"))
    return Evaluate(std::string_view(token).substr(2, token.size() - 4), variables);
  return Evaluate(token, {});
}

uint32_t ColourArgument(const std::string& token) {
  if (token.size() != 7 || token[0] != '#') throw TemplateError("a colour is #rrggbb, not '" + token + "'");
  uint32_t value = 0;
  for (size_t i = 1; i < 7; ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(token[i])));
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw TemplateError("a colour is #rrggbb, not '" + token + "'");
    value = value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
  }
  return value;
}

std::vector<int32_t> ListArgument(const std::string& token) {
  std::vector<int32_t> values;
  std::stringstream in(token);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.empty()) throw TemplateError("empty item in '" + token + "'");
    values.push_back(static_cast<int32_t>(Evaluate(item, {})));
  }
  return values;
}

Manifest ParseManifest(std::string_view text) {
  Manifest manifest;
  std::set<std::string> outputs;
  std::istringstream in{std::string(text)};
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    try {
      std::vector<std::string> tokens = Tokenize(line);
      if (tokens.empty() || tokens[0].starts_with("#")) continue;
      if (tokens[0] == "layout") {
        if (tokens.size() != 3) throw TemplateError("layout needs a width and a height");
        manifest.bodyWidth = static_cast<int32_t>(NumberArgument(tokens[1], {}));
        manifest.bodyHeight = static_cast<int32_t>(NumberArgument(tokens[2], {}));
        if (manifest.bodyWidth < 100 || manifest.bodyHeight < 100)
          throw TemplateError("the body is at least 100 x 100 pixels");
        continue;
      }
      const KindRule* rule = nullptr;
      for (const KindRule& k : kKinds)
        if (tokens[0] == k.kind) rule = &k;
      if (!rule) throw TemplateError("unknown entry '" + tokens[0] + "'");
      if (manifest.bodyWidth == 0) throw TemplateError("'layout' comes first");
      if (tokens.size() < 2 + rule->positional)
        throw TemplateError(tokens[0] + " needs " + std::to_string(rule->positional) + " argument(s) after the output");
      ManifestEntry entry;
      entry.line = number;
      entry.kind = tokens[0];
      entry.output = tokens[1];
      if (!(entry.output.starts_with("install:") || entry.output.starts_with("res:")) ||
          entry.output.ends_with(":") || entry.output.find("..") != std::string::npos)
        throw TemplateError("an output is install:<path> or res:<file>, not '" + entry.output + "'");
      if (!outputs.insert(entry.output).second) throw TemplateError("'" + entry.output + "' is made twice");
      entry.args.assign(tokens.begin() + 2, tokens.begin() + 2 + static_cast<long>(rule->positional));
      for (size_t i = 2 + rule->positional; i < tokens.size(); ++i) {
        const size_t eq = tokens[i].find('=');
        if (eq == 0) throw TemplateError("option without a name: '" + tokens[i] + "'");
        if (eq == std::string::npos) entry.options[tokens[i]] = "";
        else entry.options[tokens[i].substr(0, eq)] = tokens[i].substr(eq + 1);
      }
      manifest.entries.push_back(std::move(entry));
    } catch (const TemplateError& e) {
      throw TemplateError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  if (manifest.bodyWidth == 0) throw TemplateError("no 'layout' line");
  return manifest;
}

}  // namespace tl::artwork
