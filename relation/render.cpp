#include "relation/render.h"

#include <string>
#include <vector>

void writeRelation(const Relation& relation, std::ostream& out) {
  out << relation.name() << '(';
  const std::vector<std::string>& attributes = relation.attributes();
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    if (i > 0) {
      out << ',';
    }
    out << attributes[i];
  }
  out << ")\n";
  const std::vector<ValueType>& types = relation.types();
  std::vector<bool> quoted(types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    quoted[i] = isStringType(types[i]);
  }
  std::string line;
  for (const Tuple& tuple : relation.tuples()) {
    line.clear();
    for (std::size_t i = 0; i < tuple.size(); ++i) {
      if (i > 0) {
        line += ',';
      }
      const bool quote = i < quoted.size() && quoted[i];
      if (quote) {
        line += '\'';
      }
      line += tuple[i];
      if (quote) {
        line += '\'';
      }
    }
    line += '\n';
    out << line;
  }
  out << '\n';
}
