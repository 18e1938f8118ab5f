#include "relation/render.h"

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

  // Puts a value held in its code, its decimal digits, with room for them
  // reserved; two digits are written at a time.
  void putInline(Value value) {
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    const unsigned digits = inlineDigits(value);
    char* end = block_ + used_ + digits;
    used_ += digits;
    while (value >= 100) {
      end -= 2;
      std::memcpy(end, pairs + 2 * (value % 100), 2);
      value /= 100;
    }
    if (value >= 10) {
      std::memcpy(end - 2, pairs + 2 * value, 2);
    } else {
      end[-1] = static_cast<char>('0' + value);
    }
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
  char buffer[valueBufferSize];
  for (std::size_t i = 0; i < row.size(); ++i) {
    // A comma, a quote, the digits of a value held in its code and a quote.
    writer.reserve(3 + valueBufferSize);
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
  // Rows of one width are read straight from the cells.
  std::size_t width = 0;
  const bool uniform = relation.hasUniformWidth(width);
  const Value* cells = uniform ? relation.cellData() : nullptr;
  const auto rowAt = [&](std::size_t r) {
    return uniform ? Row(cells + r * width, width) : relation.row(r);
  };
  constexpr std::size_t recordAhead = 16;
  constexpr std::size_t bytesAhead = 8;
  for (std::size_t r = 0; r < rows; ++r) {
    if (r + recordAhead < rows) {
      for (Value value : rowAt(r + recordAhead)) {
        prefetchValueRecord(value);
      }
    }
    if (r + bytesAhead < rows) {
      for (Value value : rowAt(r + bytesAhead)) {
        prefetchValueBytes(value);
      }
    }
    putRow(writer, rowAt(r), quoted);
  }
  writer.put('\n');
}
