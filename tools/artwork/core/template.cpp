#include "tools/artwork/core/template.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tl::artwork {
namespace {

class Parser {
 public:
  Parser(std::string_view text, const Variables& variables) : text_(text), variables_(variables) {}

  double ParseAll() {
    double v = Ternary();
    SkipSpace();
    if (pos_ != text_.size()) Fail("unexpected '" + std::string(text_.substr(pos_, 1)) + "'");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw TemplateError("in \"" + std::string(text_) + "\": " + why);
  }
  void SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool Take(std::string_view token) {
    SkipSpace();
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }
  void Expect(std::string_view token) {
    if (!Take(token)) Fail("expected '" + std::string(token) + "'");
  }

  double Ternary() {
    double condition = Or();
    if (!Take("?")) return condition;
    double a = Ternary();
    Expect(":");
    double b = Ternary();
    return condition != 0 ? a : b;
  }
  double Or() {
    double v = And();
    while (Take("||")) {
      double r = And();
      v = (v != 0 || r != 0) ? 1 : 0;
    }
    return v;
  }
  double And() {
    double v = Comparison();
    while (Take("&&")) {
      double r = Comparison();
      v = (v != 0 && r != 0) ? 1 : 0;
    }
    return v;
  }
  double Comparison() {
    double v = Sum();
    for (;;) {
      if (Take("==")) v = v == Sum();
      else if (Take("!=")) v = v != Sum();
      else if (Take("<=")) v = v <= Sum();
      else if (Take(">=")) v = v >= Sum();
      else if (Take("<")) v = v < Sum();
      else if (Take(">")) v = v > Sum();
      else return v;
    }
  }
  double Sum() {
    double v = Product();
    for (;;) {
      if (Take("+")) v += Product();
      else if (Take("-")) v -= Product();
      else return v;
    }
  }
  double Product() {
    double v = Unary();
    for (;;) {
      if (Take("*")) {
        v *= Unary();
      } else if (Take("/")) {
        double d = Unary();
        if (d == 0) Fail("division by zero");
        v /= d;
      } else if (Take("%")) {
        double d = Unary();
        if (d == 0) Fail("division by zero");
        v = std::fmod(v, d);
      } else {
        return v;
      }
    }
  }
  double Unary() {
    if (Take("-")) return -Unary();
    if (Take("!")) return Unary() == 0 ? 1 : 0;
    return Primary();
  }
  double Primary() {
    SkipSpace();
    if (pos_ >= text_.size()) Fail("missing value");
    if (Take("(")) {
      double v = Ternary();
      Expect(")");
      return v;
    }
    const char c = text_[pos_];
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return Number();
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return NameOrCall();
    Fail("unexpected '" + std::string(1, c) + "'");
  }
  double Number() {
    size_t start = pos_;
    while (pos_ < text_.size() &&
           (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
      ++pos_;
    std::string digits(text_.substr(start, pos_ - start));
    char* end = nullptr;
    double v = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) Fail("bad number '" + digits + "'");
    return v;
  }
  double NameOrCall() {
    size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                   text_[pos_] == '_' || text_[pos_] == '.'))
      ++pos_;
    std::string name(text_.substr(start, pos_ - start));
    if (Take("(")) return Call(name);
    auto it = variables_.find(name);
    if (it == variables_.end()) Fail("unknown name '" + name + "'");
    return it->second;
  }
  double Call(const std::string& name) {
    std::vector<double> args;
    if (!Take(")")) {
      do args.push_back(Ternary());
      while (Take(","));
      Expect(")");
    }
    auto arity = [&](size_t n) {
      if (args.size() != n) Fail(name + " takes " + std::to_string(n) + " argument(s)");
    };
    if (name == "min") return arity(2), std::min(args[0], args[1]);
    if (name == "max") return arity(2), std::max(args[0], args[1]);
    if (name == "floor") return arity(1), std::floor(args[0]);
    if (name == "round") return arity(1), std::round(args[0]);
    if (name == "abs") return arity(1), std::fabs(args[0]);
    Fail("unknown function '" + name + "'");
  }

  std::string_view text_;
  const Variables& variables_;
  size_t pos_ = 0;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool StartsWithWord(std::string_view s, std::string_view word) {
  return s.substr(0, word.size()) == word &&
         (s.size() == word.size() || std::isspace(static_cast<unsigned char>(s[word.size()])));
}

int LineOf(std::string_view text, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n') ++line;
  return line;
}

struct Branch {
  bool outerActive;  // the enclosing branch emits
  bool condition;
  bool inElse;
  bool Active() const { return outerActive && (inElse ? !condition : condition); }
};

}  // namespace

double Evaluate(std::string_view expression, const Variables& variables) {
  return Parser(expression, variables).ParseAll();
}

std::string FormatNumber(double value) {
  if (!std::isfinite(value)) throw TemplateError("value is not finite");
  double rounded = std::round(value * 1000) / 1000;
  if (rounded == 0) rounded = 0;  // no "-0"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3f", rounded);
  std::string s(buffer);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string Expand(std::string_view text, Variables& variables) {
  std::string out;
  std::vector<Branch> branches;
  auto active = [&] { return branches.empty() || branches.back().Active(); };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find("{{", pos);
    if (open == std::string_view::npos) {
      if (active()) out.append(text.substr(pos));
      break;
    }
    if (active()) out.append(text.substr(pos, open - pos));
    size_t close = text.find("}}", open + 2);
    if (close == std::string_view::npos)
      throw TemplateError("line " + std::to_string(LineOf(text, open)) + ": '{{' without '}}'");
    std::string_view inner = Trim(text.substr(open + 2, close - open - 2));
    pos = close + 2;
    try {
      if (!inner.empty() && inner.front() == '#') {
        continue;
      } else if (StartsWithWord(inner, "if")) {
        bool outer = active();
        bool condition = outer && Evaluate(inner.substr(2), variables) != 0;
        branches.push_back({outer, condition, false});
      } else if (inner == "else") {
        if (branches.empty() || branches.back().inElse) throw TemplateError("'else' without 'if'");
        branches.back().inElse = true;
      } else if (inner == "end") {
        if (branches.empty()) throw TemplateError("'end' without 'if'");
        branches.pop_back();
      } else if (StartsWithWord(inner, "set")) {
        std::string_view rest = Trim(inner.substr(3));
        size_t eq = rest.find('=');
        if (eq == std::string_view::npos) throw TemplateError("'set' needs name = value");
        std::string name(Trim(rest.substr(0, eq)));
        if (name.empty()) throw TemplateError("'set' needs a name");
        if (active()) variables[name] = Evaluate(rest.substr(eq + 1), variables);
      } else if (active()) {
        out += FormatNumber(Evaluate(inner, variables));
      }
    } catch (const TemplateError& e) {
      throw TemplateError("line " + std::to_string(LineOf(text, open)) + ": " + e.what());
    }
  }
  if (!branches.empty()) throw TemplateError("'if' without 'end'");
  return out;
}

}  // namespace tl::artwork
