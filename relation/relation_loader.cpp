#include "relation/relation_loader.h"

#include <utility>

#include "input/relation_section.h"
#include "relation/tuple_text.h"

namespace {

// Gathers each block's tuples and makes it a relation.
class Loader : public RelationSectionSink {
 public:
  explicit Loader(std::vector<TupleLines>* lines) : lines_(lines) {}

  void beginRelation(const RelationBlock& block) override {
    std::vector<ValueType> types;
    for (const bool text : block.stringColumn) {
      types.emplace_back(text ? stringType : intType);
    }
    relation_ = Relation(block.declaration.name, std::move(types), block.declaration.attributes);
    stringColumn_ = block.stringColumn;
    rows_ = RowBuffer(stringColumn_.size());
    firstLine_ = block.firstTupleLine;
  }

  void tupleLine(std::string_view line) override { appendTupleRow(stringColumn_, line, rows_); }

  void endRelation() override {
    if (lines_ != nullptr) {
      lines_->push_back(TupleLines{firstLine_, rows_});
    }
    relation_.addRows(std::move(rows_));
    relations_.push_back(std::move(relation_));
  }

  std::vector<Relation> release() { return std::move(relations_); }

 private:
  std::vector<TupleLines>* lines_;
  std::vector<Relation> relations_;
  Relation relation_;
  std::vector<bool> stringColumn_;
  RowBuffer rows_{0};
  std::size_t firstLine_ = 0;
};

}  // namespace

std::vector<Relation> loadRelations(LineReader& reader, Warnings& warnings,
                                    std::vector<TupleLines>* lines) {
  Loader loader(lines);
  readRelationSection(reader, warnings, loader);
  return loader.release();
}
