#include "app/fixpoint.h"

#include <algorithm>
#include <memory>
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

std::size_t countNamed(const std::vector<Relation>& relations, const std::string& name) {
  return static_cast<std::size_t>(
      std::count_if(relations.begin(), relations.end(),
                    [&name](const Relation& relation) { return relation.name() == name; }));
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

  bool exists() const { return rows != nullptr; }
};

class Fixpoint {
 public:
  Fixpoint(const std::vector<Rule>& rules, const std::vector<std::string>& names,
           std::vector<Relation>& knownRelations, Warnings& warnings)
      : knownRelations_(knownRelations), warnings_(warnings) {
    for (const std::string& name : names) {
      Member member;
      member.name = name;
      for (const Rule& rule : rules) {
        if (rule.parts.headName == name) {
          member.rules.push_back(&rule);
        }
      }
      members_.push_back(std::move(member));
    }
  }

  bool eligible() const {
    for (const Member& member : members_) {
      if (countNamed(knownRelations_, member.name) > 1 || member.rules.empty()) {
        return false;
      }
      const std::size_t arity = headArity(*member.rules.front());
      for (const Rule* rule : member.rules) {
        if (headArity(*rule) != arity || !readsOneWidthRelations(*rule)) {
          return false;
        }
      }
      const Relation* existing = findRelation(knownRelations_, member.name);
      if (existing != nullptr && !holdsOneWidth(*existing, arity)) {
        return false;
      }
    }
    return true;
  }

  void run() {
    for (Member& member : members_) {
      member.arity = headArity(*member.rules.front());
      if (const Relation* existing = findRelation(knownRelations_, member.name)) {
        member.existedBefore = true;
        create(member, *existing);
        for (std::size_t i = 0; i < existing->rowCount(); ++i) {
          member.rows->insert(existing->row(i));
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
  bool readsOneWidthRelations(const Rule& rule) const {
    return std::all_of(rule.atomNames.begin(), rule.atomNames.end(),
                       [this](const std::string& name) {
                         const Relation* relation = findRelation(knownRelations_, name);
                         std::size_t rowWidth = 0;
                         return relation == nullptr || relation->rowCount() == 0 ||
                                relation->hasUniformWidth(rowWidth);
                       });
  }

  Member* find(const std::string& name) {
    for (Member& member : members_) {
      if (member.name == name) {
        return &member;
      }
    }
    return nullptr;
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

  // The relation list as the rule sees it: members with their current rows.
  Relation evaluate(const Rule& rule, const AtomOverride* override) {
    std::vector<Relation> view = knownRelations_;
    for (Member& member : members_) {
      if (!member.exists()) {
        continue;
      }
      if (readsFull(rule, member.name, override)) {
        refreshFull(member);
      }
      const auto place = std::find_if(
          view.begin(), view.end(),
          [&member](const Relation& relation) { return relation.name() == member.name; });
      if (place == view.end()) {
        view.push_back(member.full);
      } else {
        *place = member.full;
      }
    }
    return evaluateRule(rule, view, warnings_, override);
  }

  static bool readsFull(const Rule& rule, const std::string& name, const AtomOverride* override) {
    for (std::size_t e = 0; e < rule.elements.size(); ++e) {
      const std::string& element = rule.elements[e];
      if ((override == nullptr || override->element != e) && startsWithAtomInitial(element) &&
          element.substr(0, element.find('(')) == name) {
        return true;
      }
    }
    return false;
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
