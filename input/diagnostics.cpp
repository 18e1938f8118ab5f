#include "input/diagnostics.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Repeated places in said_ are dropped once it holds this many more than
// after it was last packed, or twice as many.
constexpr std::size_t packingSlack = 1024;

}  // namespace

void Warnings::warn(Warning kind, std::size_t line, std::size_t column,
                    std::vector<std::string> parts, std::string lineText) {
  if (!enabled_) {
    return;
  }
  const Place place{line, (static_cast<std::uint64_t>(column) << 8U) | static_cast<unsigned>(kind)};
  said_.push_back(place);
  if (said_.size() > 2 * packed_ + packingSlack) {
    pack();
  }
  if (kept_.size() == diagnosticLimit && !(place < kept_.rbegin()->first)) {
    return;
  }
  if (kept_.count(place) != 0) {
    return;
  }
  kept_.emplace(place, Diagnostic{kind, line, column, std::move(parts), std::move(lineText)});
  if (kept_.size() > diagnosticLimit) {
    kept_.erase(std::prev(kept_.end()));
  }
}

std::vector<Diagnostic> Warnings::sorted() const {
  std::vector<Diagnostic> result;
  result.reserve(kept_.size());
  for (const auto& [place, diagnostic] : kept_) {
    result.push_back(diagnostic);
  }
  return result;
}

std::size_t Warnings::count() const {
  pack();
  return said_.size();
}

void Warnings::pack() const {
  std::sort(said_.begin(), said_.end());
  said_.erase(std::unique(said_.begin(), said_.end()), said_.end());
  packed_ = said_.size();
}
