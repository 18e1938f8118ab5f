#include "app/fixpoint.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <utility>

#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/line_reader.h"
#include "relation/row_set.h"

namespace {

constexpr std::size_t deltaSlice = std::size_t{1} << 15;

std::size_t headArity(const Rule& rule) {
  std::size_t arity = 0;
  for (const std::string& item : splitList(rule.parts.headArguments)) {
    arity += item.empty() ? 0 : 1;
  }
  return arity;
}

bool holdsOneWidth(const Relation& relation, std::size_t expected) {
  std::size_t rowWidth = 0;
  return relation.rowCount() == 0 || (relation.hasUniformWidth(rowWidth) && rowWidth == expected);
}

// One member of the group while its fixpoint is sought.
struct Member {
  std::string name;
  std::vector<const Rule*> rules;  // in file order
  std::size_t arity = 0;
  bool existedBefore = false;
  Relation schema;               // name, types and attributes; no tuples
  std::unique_ptr<RowSet> rows;  // in the order they were added
  std::size_t roundStart = 0;    // rows before this round
  std::size_t deltaBegin = 0;    // the rows that the round before added
  std::size_t deltaEnd = 0;
  Relation full;             // every row, as of the last time it was needed
  std::size_t fullRows = 0;  // rows in `full`
  std::size_t viewIndex = 0;  // where `full` stands in the rules' view, once it exists

  bool exists() const { return rows != nullptr; }
};

class Fixpoint {
 public:
  Fixpoint(const std::vector<Rule>& rules, const std::vector<std::string>& names,
           std::vector<Relation>& knownRelations, Warnings& warnings)
      : knownRelations_(knownRelations), warnings_(warnings) {
    for (const std::string& name : names) {
      memberIndex_.emplace(name, members_.size());
      members_.push_back(Member{});
      members_.back().name = name;
    }
    for (const Rule& rule : rules) {
      if (Member* member = find(rule.parts.headName)) {
        member->rules.push_back(&rule);
      }
    }
    for (std::size_t i = 0; i < knownRelations_.size(); ++i) {
      RelationEntry& entry = relations_[knownRelations_[i].name()];
      if (entry.count++ == 0) {
        entry.index = i;
      }
    }
  }

  bool eligible() const {
    for (const Member& member : members_) {
      const RelationEntry* existing = findKnown(member.name);
      if ((existing != nullptr && existing->count > 1) || member.rules.empty()) {
        return false;
      }
      const std::size_t arity = headArity(*member.rules.front());
      for (const Rule* rule : member.rules) {
        if (headArity(*rule) != arity || !readsOneWidthRelations(*rule)) {
          return false;
        }
      }
      if (existing != nullptr && !holdsOneWidth(knownRelations_[existing->index], arity)) {
        return false;
      }
    }
    return true;
  }

  void run() {
    view_ = knownRelations_;
    for (Member& member : members_) {
      member.arity = headArity(*member.rules.front());
      if (const RelationEntry* entry = findKnown(member.name)) {
        const Relation& existing = knownRelations_[entry->index];
        member.existedBefore = true;
        member.viewIndex = entry->index;
        create(member, existing);
        for (std::size_t i = 0; i < existing.rowCount(); ++i) {
          member.rows->insert(existing.row(i));
        }
      }
    }
    ran_.assign(members_.size(), std::vector<bool>());
    for (std::size_t m = 0; m < members_.size(); ++m) {
      ran_[m].assign(members_[m].rules.size(), false);
    }
    while (round()) {
    }
  }

  void finish() {
    std::vector<Relation> ordered;
    for (Relation& relation : knownRelations_) {
      const Member* member = find(relation.name());
      if (member == nullptr || !moved(*member)) {
        ordered.push_back(std::move(relation));
      }
    }
    for (Member& member : members_) {
      if (member.exists() && moved(member)) {
        Relation result = member.schema;
        result.addRows(member.rows->release(), true);
        ordered.push_back(std::move(result));
      }
    }
    for (const Member& member : members_) {
      if (!member.exists()) {
        ordered.emplace_back(member.name, std::vector<ValueType>(),
                             splitList(member.rules.front()->parts.headArguments));
      }
    }
    knownRelations_ = std::move(ordered);
  }

 private:
  // How many relations of the list bear a name, and where the first stands.
  struct RelationEntry {
    std::size_t count = 0;
    std::size_t index = 0;
  };

  const RelationEntry* findKnown(const std::string& name) const {
    const auto found = relations_.find(name);
    return found == relations_.end() ? nullptr : &found->second;
  }

  bool readsOneWidthRelations(const Rule& rule) const {
    return std::all_of(rule.atomNames.begin(), rule.atomNames.end(),
                       [this](const std::string& name) {
                         const RelationEntry* entry = findKnown(name);
                         std::size_t rowWidth = 0;
                         return entry == nullptr ||
                                knownRelations_[entry->index].rowCount() == 0 ||
                                knownRelations_[entry->index].hasUniformWidth(rowWidth);
                       });
  }

  Member* find(const std::string& name) {
    const auto found = memberIndex_.find(name);
    return found == memberIndex_.end() ? nullptr : &members_[found->second];
  }

  // A rule waits while one of its atoms names a member without a relation.
  bool waits(const Rule& rule) {
    return std::any_of(rule.atomNames.begin(), rule.atomNames.end(),
                       [this](const std::string& name) {
                         const Member* member = find(name);
                         return member != nullptr && !member->exists();
                       });
  }

  // A member whose relation moves to the end of the list: one of its rules runs.
  bool moved(const Member& member) {
    return std::any_of(member.rules.begin(), member.rules.end(),
                       [this](const Rule* rule) { return !waits(*rule); });
  }

  void create(Member& member, const Relation& schemaSource) {
    member.schema = Relation(schemaSource.name(), schemaSource.types(), schemaSource.attributes());
    member.rows = std::make_unique<RowSet>(member.arity);
    member.full = member.schema;
    if (!member.existedBefore) {
      member.viewIndex = view_.size();
      view_.push_back(member.full);
    }
  }

  // One round; false when it found nothing to do.
  bool round() {
    bool anyDelta = false;
    for (Member& member : members_) {
      anyDelta = anyDelta || member.deltaEnd > member.deltaBegin;
    }
    bool didWork = false;
    for (std::size_t m = 0; m < members_.size(); ++m) {
      for (std::size_t r = 0; r < members_[m].rules.size(); ++r) {
        const Rule& rule = *members_[m].rules[r];
        if (!ran_[m][r]) {
          if (waits(rule)) {
            continue;
          }
          ran_[m][r] = true;
          didWork = true;
          absorb(members_[m], evaluate(rule, nullptr));
        } else if (anyDelta) {
          didWork = runDeltaVariants(members_[m], rule) || didWork;
        }
      }
    }
    for (Member& member : members_) {
      if (member.exists()) {
        member.deltaBegin = member.roundStart;
        member.deltaEnd = member.rows->size();
        member.roundStart = member.deltaEnd;
      }
    }
    return didWork;
  }

  // The rule once for each of its atoms that names a member with new rows,
  // that atom reading only those rows.
  bool runDeltaVariants(Member& head, const Rule& rule) {
    bool ranAny = false;
    for (std::size_t e = 0; e < rule.elements.size(); ++e) {
      const std::string& element = rule.elements[e];
      if (!startsWithAtomInitial(element)) {
        continue;
      }
      Member* used = find(element.substr(0, element.find('(')));
      if (used == nullptr || used->deltaEnd == used->deltaBegin) {
        continue;
      }
      // In slices, so that the rows a slice derives stay few before they are absorbed.
      for (std::size_t begin = used->deltaBegin; begin < used->deltaEnd; begin += deltaSlice) {
        Relation delta = used->schema;
        delta.addRows(used->rows->rows(begin, std::min(begin + deltaSlice, used->deltaEnd)), true);
        const AtomOverride override{e, &delta};
        absorb(head, evaluate(rule, &override));
      }
      ranAny = true;
    }
    return ranAny;
  }

  // The rule evaluated on the relation list with the members' current rows.
  Relation evaluate(const Rule& rule, const AtomOverride* override) {
    for (std::size_t e = 0; e < rule.elements.size(); ++e) {
      const std::string& element = rule.elements[e];
      if ((override != nullptr && override->element == e) || !startsWithAtomInitial(element)) {
        continue;
      }
      Member* member = find(element.substr(0, element.find('(')));
      if (member != nullptr && member->exists()) {
        refreshFull(*member);
      }
    }
    return evaluateRule(rule, view_, warnings_, override);
  }

  void refreshFull(Member& member) {
    if (member.fullRows == member.rows->size()) {
      return;
    }
    member.full = member.schema;
    member.full.addRows(member.rows->rows(0, member.rows->size()), true);
    member.fullRows = member.rows->size();
    view_[member.viewIndex] = member.full;
  }

  void absorb(Member& member, const Relation& result) {
    if (!member.exists()) {
      create(member, result);
    }
    member.rows->insertAll(result);
  }

  std::vector<Relation>& knownRelations_;
  Warnings& warnings_;
  std::vector<Member> members_;
  std::unordered_map<std::string, std::size_t> memberIndex_;
  std::unordered_map<std::string, RelationEntry> relations_;
  // The relation list as the rules see it: members with their rows as of the
  // last time a rule read them, members without a relation left out.
  std::vector<Relation> view_;
  std::vector<std::vector<bool>> ran_;
};

}  // namespace

bool evaluateGroupSemiNaively(const std::vector<Rule>& rules,
                              const std::vector<std::string>& members,
                              std::vector<Relation>& knownRelations, Warnings& warnings) {
  Fixpoint fixpoint(rules, members, knownRelations, warnings);
  if (!fixpoint.eligible()) {
    return false;
  }
  fixpoint.run();
  fixpoint.finish();
  return true;
}
