#include "input/diagnostics.h"

#include <algorithm>
#include <utility>

void Warnings::warn(Warning kind, std::size_t line, std::size_t column,
                    std::vector<std::string> parts, std::string lineText) {
  if (!enabled_ || !said_.insert({line, column, kind}).second) {
    return;
  }
  diagnostics_.push_back(Diagnostic{kind, line, column, std::move(parts), std::move(lineText)});
}

std::vector<Diagnostic> Warnings::sorted() const {
  std::vector<Diagnostic> result = diagnostics_;
  std::stable_sort(result.begin(), result.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::tie(a.line, a.column, a.kind) < std::tie(b.line, b.column, b.kind);
  });
  return result;
}
