#include "app/fixpoint.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <utility>

#include "eval/body_eval.h"
#include "input/char_class.h"
#include "input/line_reader.h"
#include "input/rule_line.h"
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

// A rule of the group, with the atoms that name members.
struct GroupRule {
  const Rule* rule = nullptr;
  std::size_t head = 0;                                          // the member it derives
  std::vector<std::pair<std::size_t, std::size_t>> memberAtoms;  // element, member
  bool ran = false;
};

// One member of the group while its fixpoint is sought.
struct Member {
  std::string name;
  std::vector<std::size_t> rules;                            // its group rules, in file order
  std::vector<std::pair<std::size_t, std::size_t>> readers;  // group rule, element
  std::size_t arity = 0;
  bool existedBefore = false;
  Relation schema;               // name, types and attributes; no tuples
  std::unique_ptr<RowSet> rows;  // in the order they were added
  std::size_t roundStart = 0;    // rows before this round
  std::size_t deltaBegin = 0;    // the rows that the round before added
  std::size_t deltaEnd = 0;
  Relation full;             // every row, as of the last time it was needed
  std::size_t fullRows = 0;  // rows in `full`

  bool exists() const { return rows != nullptr; }
};

class Fixpoint {
 public:
  Fixpoint(const std::vector<Rule>& rules, const std::vector<std::string>& names,
           std::vector<Relation>& knownRelations, Warnings& warnings)
      : knownRelations_(knownRelations), warnings_(warnings) {
    std::unordered_map<std::string, std::size_t> memberIndex;
    for (const std::string& name : names) {
      memberIndex.emplace(name, members_.size());
      members_.push_back(Member{});
      members_.back().name = name;
    }
    const auto memberOf = [&memberIndex](const std::string& name) {
      const auto found = memberIndex.find(name);
      return found == memberIndex.end() ? noMember : found->second;
    };
    for (const Rule& rule : rules) {
      const std::size_t head = memberOf(rule.parts.headName);
      if (head == noMember) {
        continue;
      }
      GroupRule groupRule{&rule, head, {}, false};
      for (std::size_t e = 0; e < rule.elements.size(); ++e) {
        const std::string& element = rule.elements[e];
        const std::size_t used =
            startsWithAtomInitial(element) ? memberOf(predicateName(element)) : noMember;
        if (used != noMember) {
          groupRule.memberAtoms.emplace_back(e, used);
          members_[used].readers.emplace_back(rules_.size(), e);
        }
      }
      members_[head].rules.push_back(rules_.size());
      rules_.push_back(std::move(groupRule));
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
      const std::size_t arity = headArity(*rules_[member.rules.front()].rule);
      for (std::size_t r : member.rules) {
        if (headArity(*rules_[r].rule) != arity || !readsOneWidthRelations(*rules_[r].rule)) {
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
    for (Member& member : members_) {
      member.arity = headArity(*rules_[member.rules.front()].rule);
      if (const RelationEntry* entry = findKnown(member.name)) {
        const Relation& existing = knownRelations_[entry->index];
        member.existedBefore = true;
        create(member, existing);
        for (std::size_t i = 0; i < existing.rowCount(); ++i) {
          member.rows->insert(existing.row(i));
        }
      }
    }
    // Rules not yet run, in group order: by member, then in file order.
    for (const Member& member : members_) {
      pending_.insert(pending_.end(), member.rules.begin(), member.rules.end());
    }
    while (round()) {
    }
  }

  void finish() {
    std::unordered_map<std::string, const Member*> byName;
    for (const Member& member : members_) {
      byName.emplace(member.name, &member);
    }
    std::vector<Relation> ordered;
    for (Relation& relation : knownRelations_) {
      const auto member = byName.find(relation.name());
      if (member == byName.end() || !moved(*member->second)) {
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
                             splitList(rules_[member.rules.front()].rule->parts.headArguments));
      }
    }
    knownRelations_ = std::move(ordered);
  }

 private:
  static constexpr std::size_t noMember = static_cast<std::size_t>(-1);

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
                         return entry == nullptr || knownRelations_[entry->index].rowCount() == 0 ||
                                knownRelations_[entry->index].hasUniformWidth(rowWidth);
                       });
  }

  // A rule waits while one of its atoms names a member without a relation.
  bool waits(const GroupRule& rule) const {
    return std::any_of(rule.memberAtoms.begin(), rule.memberAtoms.end(),
                       [this](const auto& atom) { return !members_[atom.second].exists(); });
  }

  // A member whose relation moves to the end of the list: one of its rules runs.
  bool moved(const Member& member) const {
    return std::any_of(member.rules.begin(), member.rules.end(),
                       [this](std::size_t r) { return !waits(rules_[r]); });
  }

  void create(Member& member, const Relation& schemaSource) {
    member.schema = Relation(schemaSource.name(), schemaSource.types(), schemaSource.attributes());
    member.rows = std::make_unique<RowSet>(member.arity);
    member.full = member.schema;
  }

  // One round; false when it found nothing to do. Rules that no longer wait
  // run whole, in group order, as rounds of every rule would reach them; rules
  // that ran before run once for each atom that names a member with new rows.
  bool round() {
    bool didWork = false;
    std::vector<std::size_t> stillPending;
    for (std::size_t r : pending_) {
      if (waits(rules_[r])) {
        stillPending.push_back(r);
        continue;
      }
      didWork = true;
      absorb(members_[rules_[r].head], evaluate(rules_[r], noMember, nullptr));
      rules_[r].ran = true;
    }
    pending_ = std::move(stillPending);
    for (Member& used : members_) {
      if (used.deltaEnd == used.deltaBegin) {
        continue;
      }
      didWork = true;
      for (const auto& [r, element] : used.readers) {
        if (rules_[r].ran) {
          runDeltaVariant(rules_[r], element, used);
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

  // The rule with the atom at `element` reading only the rows that `used` got
  // in the round before, in slices, so that what a slice derives stays small.
  void runDeltaVariant(const GroupRule& rule, std::size_t element, Member& used) {
    for (std::size_t begin = used.deltaBegin; begin < used.deltaEnd; begin += deltaSlice) {
      Relation delta = used.schema;
      delta.addRows(used.rows->rows(begin, std::min(begin + deltaSlice, used.deltaEnd)), true);
      absorb(members_[rule.head], evaluate(rule, element, &delta));
    }
  }

  // The rule evaluated with every member atom reading the member's current
  // rows, except the one at `element`, which reads `delta`.
  Relation evaluate(const GroupRule& rule, std::size_t element, const Relation* delta) {
    AtomRelations given(rule.rule->elements.size(), nullptr);
    for (const auto& [e, m] : rule.memberAtoms) {
      if (e == element) {
        given[e] = delta;
      } else {
        refreshFull(members_[m]);
        given[e] = &members_[m].full;
      }
    }
    return evaluateRule(*rule.rule, knownRelations_, warnings_, &given);
  }

  static void refreshFull(Member& member) {
    if (member.fullRows == member.rows->size()) {
      return;
    }
    member.full = member.schema;
    member.full.addRows(member.rows->rows(0, member.rows->size()), true);
    member.fullRows = member.rows->size();
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
  std::vector<GroupRule> rules_;
  std::vector<std::size_t> pending_;
  std::unordered_map<std::string, RelationEntry> relations_;
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
