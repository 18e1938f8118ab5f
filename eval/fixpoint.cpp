#include "eval/fixpoint.h"

#include <algorithm>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

#include "algebra/product.h"
#include "eval/body_eval.h"
#include "input/char_class.h"
#include "relation/row_set.h"

namespace {

constexpr std::size_t deltaSlice = std::size_t{1} << 15;

std::size_t headArity(const Rule& rule) {
  return static_cast<std::size_t>(
      std::count_if(rule.headTerms.begin(), rule.headTerms.end(),
                    [](const Term& term) { return term.kind != TermKind::empty; }));
}

// A rule of the group, with the atoms that name members.
struct GroupRule {
  const Rule* rule = nullptr;
  std::size_t head = 0;                                          // the member it derives
  std::vector<std::pair<std::size_t, std::size_t>> memberAtoms;  // element, member
  bool ran = false;
  // A condition pairs tuples of its bindings with each other: the rule is
  // evaluated whole, not once per new row.
  bool pairsTuples = false;
  // Per member atom, the member's rows when the rule was last evaluated.
  std::vector<std::size_t> seen;
  // Per element, for an atom over a relation that is no member: what it takes
  // from that relation, made once for the whole group.
  std::vector<std::unique_ptr<IndexedRelation>> prepared;
};

// One member of the group while its fixpoint is sought.
struct Member {
  std::string name;
  std::vector<std::size_t> rules;  // its group rules, in file order
  std::size_t arity = 0;
  Relation schema;               // name, types and attributes; no tuples
  std::unique_ptr<RowSet> rows;  // in the order they were added
  Relation full;                 // the first `fullRows` rows
  std::size_t fullRows = 0;

  bool exists() const { return rows != nullptr; }
  std::size_t rowCount() const { return exists() ? rows->size() : 0; }
};

// Evaluates a group by rounds as plain rounds do, member by member and each
// member's rules in file order, every rule seeing the rows added before it,
// but a rule that was evaluated before joins only the combinations that hold a
// row added since then: what the others would give, it gave already. After
// every step the members hold exactly what plain rounds give them at that
// step, so the tuples, the types that the first tuples bring and the order of
// the list come out the same.
class Fixpoint {
 public:
  Fixpoint(const std::vector<const Rule*>& rules, const std::vector<std::string>& names,
           RelationList& knownRelations, EvaluationContext& context)
      : groupRules_(rules), names_(names), knownRelations_(knownRelations), context_(context) {
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
    for (const Rule* rulePointer : rules) {
      const Rule& rule = *rulePointer;
      const std::size_t head = memberOf(rule.headName);
      if (head == noMember) {
        continue;
      }
      GroupRule groupRule{&rule, head, {}, false, false, {}, {}};
      for (std::size_t e = 0; e < rule.body.size(); ++e) {
        const BodyElement& element = rule.body[e];
        const std::size_t used = element.isAtom ? memberOf(element.atom.name) : noMember;
        if (used != noMember) {
          groupRule.memberAtoms.emplace_back(e, used);
        }
      }
      groupRule.seen.assign(groupRule.memberAtoms.size(), 0);
      members_[head].rules.push_back(rules_.size());
      rules_.push_back(std::move(groupRule));
    }
  }

  bool eligible() const {
    for (const Member& member : members_) {
      if (knownRelations_.countNamed(member.name) > 1 || member.rules.empty()) {
        return false;
      }
      const Relation* existing = knownRelations_.findFirst(member.name);
      const std::size_t arity = headArity(*rules_[member.rules.front()].rule);
      for (std::size_t r : member.rules) {
        if (headArity(*rules_[r].rule) != arity || !readsOneWidthRelations(*rules_[r].rule)) {
          return false;
        }
      }
      if (existing != nullptr && !existing->holdsRowsOfWidth(arity)) {
        return false;
      }
    }
    return true;
  }

  void run() {
    for (Member& member : members_) {
      member.arity = headArity(*rules_[member.rules.front()].rule);
      if (const Relation* found = knownRelations_.findFirst(member.name)) {
        const Relation& existing = *found;
        create(member, existing);
        for (std::size_t i = 0; i < existing.rowCount(); ++i) {
          member.rows->insert(existing.row(i));
        }
      }
    }
    prepareAtoms();
    planRounds();
    while (round()) {
    }
  }

  // A member whose rules ran moves to the end of the list (in member order),
  // each member holding one relation at most.
  void finish() {
    for (Member& member : members_) {
      if (member.exists() && moved(member)) {
        context_.relationMade(member.name, *member.rows);
        Relation result = member.schema;
        result.addRows(member.rows->release(), true);
        knownRelations_.replaceToEnd(std::move(result));
        context_.movedToEnd(member.name);
      }
    }
    for (const std::string& empty : appendEmptyMembers(knownRelations_, names_, groupRules_)) {
      context_.movedToEnd(empty);
    }
  }

 private:
  static constexpr std::size_t noMember = static_cast<std::size_t>(-1);

  bool readsOneWidthRelations(const Rule& rule) const {
    return std::all_of(
        rule.atomNames.begin(), rule.atomNames.end(), [this](const std::string& name) {
          const Relation* found = knownRelations_.findFirst(name);
          std::size_t rowWidth = 0;
          return found == nullptr || found->rowCount() == 0 || found->hasUniformWidth(rowWidth);
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

  // The relations that atoms over non-members take, each made once: they do
  // not change while the group is evaluated, and neither do their indexes.
  void prepareAtoms() {
    for (GroupRule& rule : rules_) {
      const std::vector<BodyElement>& elements = rule.rule->body;
      rule.prepared.resize(elements.size());
      for (std::size_t e = 0; e < elements.size(); ++e) {
        if (!elements[e].isAtom || isMemberAtom(rule, e)) {
          continue;
        }
        if (const Relation* found = knownRelations_.findFirst(elements[e].atom.name)) {
          rule.prepared[e] =
              std::make_unique<IndexedRelation>(atomRelation(elements[e].atom, *found));
        }
      }
    }
  }

  static bool isMemberAtom(const GroupRule& rule, std::size_t element) {
    return std::any_of(rule.memberAtoms.begin(), rule.memberAtoms.end(),
                       [element](const auto& atom) { return atom.first == element; });
  }

  // The rules of a round, in the order rounds take them: by member, and each
  // member's rules in file order; and for each member, the places of the rules
  // that read it.
  void planRounds() {
    std::vector<std::size_t> placeOf(rules_.size());
    for (const Member& member : members_) {
      for (std::size_t r : member.rules) {
        placeOf[r] = roundOrder_.size();
        roundOrder_.push_back(r);
      }
    }
    readerPlaces_.assign(members_.size(), {});
    for (std::size_t r = 0; r < rules_.size(); ++r) {
      for (const auto& atom : rules_[r].memberAtoms) {
        std::vector<std::size_t>& places = readerPlaces_[atom.second];
        if (std::find(places.begin(), places.end(), placeOf[r]) == places.end()) {
          places.push_back(placeOf[r]);
        }
      }
    }
    for (std::size_t place = 0; place < roundOrder_.size(); ++place) {
      nextRound_.insert(place);
    }
  }

  // One round. A rule whose members have not changed since it last ran would
  // add nothing, so only the rules that read a member that changed are taken:
  // in this round when they come after the change, else in the next. True when
  // the next round has a rule to take.
  bool round() {
    context_.roundBegun();
    std::set<std::size_t> thisRound;
    thisRound.swap(nextRound_);
    while (!thisRound.empty()) {
      const std::size_t place = *thisRound.begin();
      thisRound.erase(thisRound.begin());
      GroupRule& rule = rules_[roundOrder_[place]];
      if (waits(rule)) {
        continue;
      }
      const Member& member = members_[rule.head];
      const bool created = !member.exists();
      const std::size_t before = member.rowCount();
      step(rule);
      if (created || member.rowCount() != before) {
        for (std::size_t reader : readerPlaces_[rule.head]) {
          (reader > place ? thisRound : nextRound_).insert(reader);
        }
      }
    }
    return !nextRound_.empty();
  }

  // One evaluation of `rule` as a round reaches it: on the members' rows as
  // they stand now, of which it skips the combinations it joined before.
  void step(GroupRule& rule) {
    std::vector<std::size_t> now(rule.memberAtoms.size());
    bool anyNew = !rule.ran;
    for (std::size_t a = 0; a < rule.memberAtoms.size(); ++a) {
      now[a] = members_[rule.memberAtoms[a].second].rowCount();
      anyNew = anyNew || now[a] != rule.seen[a];
    }
    if (!anyNew) {
      return;
    }
    if (rule.ran && !rule.pairsTuples) {
      // The elements before a variant's new rows read what every variant of
      // this step reads there: the bindings they give are kept for the next.
      BodyProgress common = startBody(*rule.rule);
      for (std::size_t a = 0; a < rule.memberAtoms.size(); ++a) {
        if (now[a] != rule.seen[a]) {
          runDeltaVariant(rule, now, a, common);
        }
      }
    }
    // A rule found to pair tuples, even by a slice just now, is evaluated whole.
    if (!rule.ran || rule.pairsTuples) {
      absorb(members_[rule.head], evaluate(rule, now, noMember, nullptr, 0, &rule.pairsTuples));
    }
    rule.ran = true;
    rule.seen = std::move(now);
  }

  // The rule with member atom `a` reading only the rows its member got since
  // the rule last ran, in slices, so that what a slice derives stays small.
  void runDeltaVariant(GroupRule& rule, const std::vector<std::size_t>& now, std::size_t a,
                       BodyProgress& common) {
    const Member& used = members_[rule.memberAtoms[a].second];
    for (std::size_t begin = rule.seen[a]; begin < now[a]; begin += deltaSlice) {
      Relation delta = used.schema;
      const std::size_t end = std::min(begin + deltaSlice, now[a]);
      delta.addRows(used.rows->rows(begin, end), true);
      absorb(members_[rule.head], evaluate(rule, now, rule.memberAtoms[a].first, &delta, begin,
                                           &rule.pairsTuples, &common));
    }
  }

  // The rule evaluated with every member atom reading the first `now` rows of
  // its member, except the one at `element`, which reads `delta`: the rows
  // of its member from `deltaBegin` on. With `common`, the elements before
  // `element` are taken from there, evaluated first where they are not yet.
  Relation evaluate(const GroupRule& rule, const std::vector<std::size_t>& now, std::size_t element,
                    const Relation* delta, std::size_t deltaBegin, bool* pairsTuples,
                    BodyProgress* common = nullptr) {
    AtomRelations given(rule.rule->body.size());
    for (std::size_t e = 0; e < rule.prepared.size(); ++e) {
      given[e].prepared = rule.prepared[e].get();
    }
    std::vector<AtomRows> read;
    for (std::size_t a = 0; a < rule.memberAtoms.size(); ++a) {
      const auto [e, m] = rule.memberAtoms[a];
      if (e == element) {
        given[e].rows = delta;
        read.push_back({e, &members_[m].schema, deltaBegin, deltaBegin + delta->rowCount()});
      } else {
        refreshFull(members_[m], now[a]);
        given[e].rows = &members_[m].full;
        read.push_back({e, &members_[m].schema, 0, now[a]});
      }
    }
    const Rule& evaluated = *rule.rule;
    Warnings& warnings = context_.warnings();
    return context_.evaluation(evaluated, knownRelations_, read, [&] {
      if (common == nullptr) {
        return evaluateRule(evaluated, knownRelations_, warnings, &given, pairsTuples);
      }
      continueBody(evaluated, knownRelations_, warnings, &given, pairsTuples, element, *common);
      BodyProgress progress = *common;
      continueBody(evaluated, knownRelations_, warnings, &given, pairsTuples, evaluated.body.size(),
                   progress);
      return headRowsOf(evaluated, progress, warnings);
    });
  }

  // Brings `full` to the member's first `rows` rows; rows only ever grow.
  static void refreshFull(Member& member, std::size_t rows) {
    if (member.fullRows == rows) {
      return;
    }
    member.full.addRows(member.rows->rows(member.fullRows, rows), member.fullRows == 0);
    member.fullRows = rows;
  }

  void absorb(Member& member, const Relation& result) {
    if (!member.exists()) {
      create(member, result);
    } else if (member.rows->size() == 0 && result.rowCount() > 0) {
      // The first tuples bring their types, as a union into the empty relation does.
      member.schema.setTypes(result.types());
      member.full.setTypes(result.types());
    }
    member.rows->insertAll(result);
    context_.rowsGained(member.name, member.rows->size());
  }

  const std::vector<const Rule*>& groupRules_;
  const std::vector<std::string>& names_;
  RelationList& knownRelations_;
  EvaluationContext& context_;
  std::vector<Member> members_;
  std::vector<GroupRule> rules_;
  std::vector<std::size_t> roundOrder_;                 // rules, in the order of a round
  std::vector<std::vector<std::size_t>> readerPlaces_;  // per member
  std::set<std::size_t> nextRound_;                     // places to take in the next round
};

}  // namespace

bool evaluateGroupSemiNaively(const std::vector<const Rule*>& rules,
                              const std::vector<std::string>& members, RelationList& knownRelations,
                              EvaluationContext& context) {
  Fixpoint fixpoint(rules, members, knownRelations, context);
  if (!fixpoint.eligible()) {
    return false;
  }
  fixpoint.run();
  fixpoint.finish();
  return true;
}
