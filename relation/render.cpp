#include "relation/render.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "input/relation_section.h"
#include "relation/tuple_text.h"

namespace {

// Collects output text in a fixed block and hands it to the stream when full.
class BlockWriter {
 public:
  explicit BlockWriter(std::ostream& out) : out_(out) {}
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;
  ~BlockWriter() { flush(); }

  void put(char c) {
    if (used_ == sizeof(block_)) {
      flush();
    }
    block_[used_++] = c;
  }

  void put(std::string_view text) {
    if (text.size() > sizeof(block_) - used_) {
      flush();
      if (text.size() > sizeof(block_)) {
        out_.write(text.data(), static_cast<std::streamsize>(text.size()));
        return;
      }
    }
    std::memcpy(block_ + used_, text.data(), text.size());
    used_ += text.size();
  }

  // Room for `bytes` more bytes without a flush.
  void reserve(std::size_t bytes) {
    if (bytes > sizeof(block_) - used_) {
      flush();
    }
  }

  // Puts a value held in its word, with room for 8 bytes reserved: the word's
  // bytes are stored whole, and only its length of them counts.
  void putInline(Value value) {
    std::uint64_t bytes = value;
    if constexpr (std::endian::native == std::endian::little) {
      bytes = __builtin_bswap64(bytes);
    }
    std::memcpy(block_ + used_, &bytes, sizeof(bytes));
    used_ += value & 7U;
  }

  void flush() {
    out_.write(block_, static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  std::ostream& out_;
  char block_[1 << 16];
  std::size_t used_ = 0;
};

}  // namespace

std::string headerText(const Relation& relation) {
  return headerText(relation.name(), relation.attributes());
}

namespace {

// One tuple line, values quoted where `quoted` says.
void putRow(BlockWriter& writer, Row row, const std::vector<bool>& quoted) {
  char buffer[8];
  for (std::size_t i = 0; i < row.size(); ++i) {
    // A comma, a quote, 8 bytes of an inline value and a quote.
    writer.reserve(11);
    if (i > 0) {
      writer.put(',');
    }
    const bool quote = i < quoted.size() && quoted[i];
    if (quote) {
      writer.put('\'');
    }
    if (isInlineValue(row[i])) {
      writer.putInline(row[i]);
    } else {
      writer.put(valueText(row[i], buffer));
    }
    if (quote) {
      writer.put('\'');
    }
  }
  writer.put('\n');
}

}  // namespace

void writeRelation(const Relation& relation, std::ostream& out) {
  BlockWriter writer(out);
  writer.put(headerText(relation));
  writer.put('\n');
  const std::vector<bool> quoted = stringColumns(relation.types());
  relation.normalize();
  const std::size_t rows = relation.rowCount();
  constexpr std::size_t recordAhead = 16;
  constexpr std::size_t bytesAhead = 8;
  for (std::size_t r = 0; r < rows; ++r) {
    if (r + recordAhead < rows) {
      for (Value value : relation.row(r + recordAhead)) {
        prefetchValueRecord(value);
      }
    }
    if (r + bytesAhead < rows) {
      for (Value value : relation.row(r + bytesAhead)) {
        prefetchValueBytes(value);
      }
    }
    putRow(writer, relation.row(r), quoted);
  }
  writer.put('\n');
}
