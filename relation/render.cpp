#include "relation/render.h"

#include <string>
#include <vector>

#include "relation/tuple_text.h"

namespace {

constexpr std::size_t flushSize = std::size_t{1} << 16;

}  // namespace

void writeRelation(const Relation& relation, std::ostream& out) {
  std::string text = relation.name();
  text += '(';
  const std::vector<std::string>& attributes = relation.attributes();
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    if (i > 0) {
      text += ',';
    }
    text += attributes[i];
  }
  text += ")\n";
  const std::vector<bool> quoted = stringColumns(relation.types());
  relation.normalize();
  const std::size_t rows = relation.rowCount();
  for (std::size_t r = 0; r < rows; ++r) {
    const Row row = relation.row(r);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) {
        text += ',';
      }
      const bool quote = i < quoted.size() && quoted[i];
      if (quote) {
        text += '\'';
      }
      appendValueText(text, row[i]);
      if (quote) {
        text += '\'';
      }
    }
    text += '\n';
    if (text.size() >= flushSize) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  text += '\n';
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
