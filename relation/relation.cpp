#include "relation/relation.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <utility>

#include "input/line_reader.h"
#include "relation/tuple_text.h"

namespace {

// Written whenever two tuples of different widths are compared.
void reportWidthMismatch(const Tuple& first, const Tuple& second) {
  std::cout << "sor1: " << first.size() << " sor2:" << second.size() << '\n';
  for (const std::string& value : first) {
    std::cout << value << '\n';
  }
}

bool strictlyAscending(const std::vector<Tuple>& tuples) {
  return std::adjacent_find(tuples.begin(), tuples.end(), [](const Tuple& a, const Tuple& b) {
           return !(a < b);
         }) == tuples.end();
}

}  // namespace

bool isStringType(const std::string& type) { return type == stringType; }

bool tupleGreater(const Tuple& first, const Tuple& second) {
  if (first.size() != second.size()) {
    reportWidthMismatch(first, second);
  }
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (i >= second.size()) {
      return true;
    }
    const int order = first[i].compare(second[i]);
    if (order != 0) {
      return order > 0;
    }
  }
  return false;
}

Relation::Relation(const std::string& headerText, std::vector<ValueType> types)
    : types_(std::move(types)) {
  const std::size_t open = headerText.find('(');
  name_ = headerText.substr(0, open);
  if (open != std::string::npos && open + 1 < headerText.size()) {
    attributes_ = splitList(headerText.substr(open + 1, headerText.size() - open - 2));
  }
}

Relation::Relation(std::string name, std::vector<ValueType> types,
                   std::vector<std::string> attributes)
    : name_(std::move(name)), types_(std::move(types)), attributes_(std::move(attributes)) {}

Relation::Relation(std::string name, const Relation& source) : Relation(source) {
  name_ = std::move(name);
}

void Relation::setTuples(std::vector<Tuple> tuples) {
  tuples_ = std::move(tuples);
  minWidth_ = maxWidth_ = 0;
  for (std::size_t i = 0; i < tuples_.size(); ++i) {
    const std::size_t width = tuples_[i].size();
    minWidth_ = i == 0 ? width : std::min(minWidth_, width);
    maxWidth_ = i == 0 ? width : std::max(maxWidth_, width);
  }
}

std::vector<Tuple> Relation::releaseTuples() {
  std::vector<Tuple> released = std::move(tuples_);
  tuples_.clear();
  minWidth_ = maxWidth_ = 0;
  return released;
}

void Relation::addTupleText(const std::string& text) { insertTuple(parseTupleText(types_, text)); }

void Relation::noteWidth(std::size_t width) {
  if (tuples_.size() == 1) {
    minWidth_ = maxWidth_ = width;
  } else {
    minWidth_ = std::min(minWidth_, width);
    maxWidth_ = std::max(maxWidth_, width);
  }
}

bool Relation::insertTuple(Tuple tuple) {
  const std::size_t width = tuple.size();
  std::vector<Tuple>::iterator place;
  if (tuples_.empty() || (minWidth_ == width && maxWidth_ == width)) {
    place = std::lower_bound(tuples_.begin(), tuples_.end(), tuple);
  } else {
    place = tuples_.begin();
    while (place != tuples_.end() && tupleGreater(tuple, *place)) {
      ++place;
    }
  }
  if (place != tuples_.end() && *place == tuple) {
    return false;
  }
  tuples_.insert(place, std::move(tuple));
  noteWidth(width);
  return true;
}

bool Relation::batchKeepsOneWidth(const std::vector<Tuple>& batch) const {
  const std::size_t width = batch.front().size();
  if (!tuples_.empty() && (minWidth_ != width || maxWidth_ != width)) {
    return false;
  }
  return std::all_of(batch.begin(), batch.end(),
                     [width](const Tuple& tuple) { return tuple.size() == width; });
}

void Relation::insertTuples(std::vector<Tuple> batch) {
  if (batch.empty()) {
    return;
  }
  if (!batchKeepsOneWidth(batch)) {
    for (Tuple& tuple : batch) {
      insertTuple(std::move(tuple));
    }
    return;
  }
  // With one width throughout, inserting one at a time yields the sorted set.
  if (!strictlyAscending(batch)) {
    std::sort(batch.begin(), batch.end());
    batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
  }
  const std::size_t width = batch.front().size();
  if (tuples_.empty()) {
    tuples_ = std::move(batch);
  } else {
    std::vector<Tuple> merged;
    merged.reserve(tuples_.size() + batch.size());
    std::set_union(std::make_move_iterator(tuples_.begin()), std::make_move_iterator(tuples_.end()),
                   std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()),
                   std::back_inserter(merged));
    tuples_ = std::move(merged);
  }
  minWidth_ = maxWidth_ = width;
}

std::size_t Relation::width() const { return std::max(attributes_.size(), types_.size()); }
