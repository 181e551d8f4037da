// The small template language of the drawing sources: numbers computed from the panel's layout,
// so that frames, wells and button beds follow the controls wherever the layout puts them.
//
//   {{ expr }}               the value of expr (integers without a decimal point)
//   {{set name = expr}}      defines a variable; prints nothing
//   {{if expr}} .. {{else}} .. {{end}}   keeps one branch (nesting allowed)
//   {{# comment}}
//
// Expressions: numbers, variables (letters, digits, '_' and '.'), + - * / %, comparisons,
// && || !, a ? b : c, parentheses and min(a, b), max(a, b), floor(x), round(x), abs(x).
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tl::artwork {

using Variables = std::map<std::string, double, std::less<>>;

// A template or expression that cannot be evaluated; what() names the place and the reason.
class TemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

double Evaluate(std::string_view expression, const Variables& variables);

// Expands a template; `variables` gains the names the template sets.
std::string Expand(std::string_view text, Variables& variables);

// Shortest decimal form with at most three decimals ("12", "0.5", "-3.125").
std::string FormatNumber(double value);

}  // namespace tl::artwork
