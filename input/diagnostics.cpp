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
  const Place place = placeOf(kind, line, column);
  if (suppressed_.count(place) != 0 || leftOut(place)) {
    return;
  }
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

bool Warnings::keeps(Warning kind, std::size_t line, std::size_t column) const {
  const Place place = placeOf(kind, line, column);
  return enabled_ && suppressed_.count(place) == 0 && !leftOut(place) &&
         (kept_.size() < diagnosticLimit || place < kept_.rbegin()->first) &&
         kept_.count(place) == 0;
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

void Warnings::keepOnly(std::size_t line, Warning kind) {
  keptOnly_[line] = kind;
  for (auto it = kept_.lower_bound({line, 0}); it != kept_.end() && it->first.first == line;) {
    it = leftOut(it->first) ? kept_.erase(it) : std::next(it);
  }
}

bool Warnings::leftOut(const Place& place) const {
  const auto only = keptOnly_.find(place.first);
  return only != keptOnly_.end() &&
         (place.second & 0xFFU) != static_cast<std::uint64_t>(only->second);
}

void Warnings::pack() const {
  std::sort(said_.begin(), said_.end());
  said_.erase(std::unique(said_.begin(), said_.end()), said_.end());
  said_.erase(std::remove_if(said_.begin(), said_.end(),
                             [this](const Place& place) { return leftOut(place); }),
              said_.end());
  packed_ = said_.size();
}
