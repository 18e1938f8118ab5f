#include "input/encoded_input.h"

#include <vector>

namespace {

constexpr std::size_t chunkSize = 1 << 16;

// Reads UTF-8 from a source stream as Latin-2, a byte-order mark at the
// start dropped. A byte that starts no sequence of a character Latin-2 has
// is passed on as it is.
class Utf8Decoder : public std::streambuf {
 public:
  explicit Utf8Decoder(std::istream& source) : source_(source) {
    raw_.reserve(chunkSize + 4);
    decoded_.reserve(chunkSize);
  }

 protected:
  int_type underflow() override {
    while (gptr() == egptr()) {
      if (!refill()) {
        return traits_type::eof();
      }
    }
    return traits_type::to_int_type(*gptr());
  }

 private:
  // Decodes the next chunk; false at the end of the source.
  bool refill() {
    const std::size_t carried = raw_.size();
    raw_.resize(carried + chunkSize);
    source_.read(raw_.data() + carried, static_cast<std::streamsize>(chunkSize));
    const auto read = static_cast<std::size_t>(source_.gcount());
    raw_.resize(carried + read);
    if (raw_.empty()) {
      return false;
    }
    const bool atEnd = read < chunkSize;
    const std::string_view bytes(raw_);
    std::size_t at = 0;
    if (first_ && bytes.substr(0, byteOrderMark.size()) == byteOrderMark) {
      at = byteOrderMark.size();
    }
    first_ = false;
    decoded_.clear();
    while (at < bytes.size()) {
      const std::size_t ascii = asciiPrefixLength(bytes.substr(at));
      decoded_.append(bytes.substr(at, ascii));
      at += ascii;
      if (at == bytes.size()) {
        break;
      }
      const Utf8Sequence sequence = utf8SequenceAt(bytes, at);
      if (sequence.length == 0 && !atEnd && bytes.size() - at < 4) {
        break;  // a sequence the chunk cut, decoded with the next one
      }
      const int byte = sequence.length == 0 ? -1 : latin2ByteOf(sequence.codePoint);
      decoded_ += byte < 0 ? bytes[at] : static_cast<char>(byte);
      at += byte < 0 ? 1 : sequence.length;
    }
    raw_.erase(0, at);
    setg(decoded_.data(), decoded_.data(), decoded_.data() + decoded_.size());
    return true;
  }

  std::istream& source_;
  std::string raw_;
  std::string decoded_;
  bool first_ = true;
};

}  // namespace

ViewBuffer::ViewBuffer(std::string_view bytes) {
  // The get area is only read, never written through.
  char* begin = const_cast<char*>(bytes.data());
  setg(begin, begin, begin + bytes.size());
}

ViewBuffer::pos_type ViewBuffer::seekoff(off_type offset, std::ios_base::seekdir direction,
                                         std::ios_base::openmode which) {
  const off_type base =
      direction == std::ios_base::beg
          ? 0
          : (direction == std::ios_base::cur ? gptr() - eback() : egptr() - eback());
  return seekpos(pos_type(base + offset), which);
}

ViewBuffer::pos_type ViewBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
  const off_type at = position;
  if ((which & std::ios_base::in) == 0 || at < 0 || at > egptr() - eback()) {
    return pos_type(static_cast<off_type>(-1));
  }
  setg(eback(), eback() + at, egptr());
  return position;
}

EncodedInput::EncodedInput(std::istream& raw, std::optional<Encoding> forced)
    : raw_(raw), text_(&raw) {
  if (forced == Encoding::latin2) {
    reading_.forced = true;
    return;
  }
  const std::istream::pos_type start = raw.tellg();
  const bool rewindable = start != std::istream::pos_type(-1);
  EncodingScan scan;
  std::vector<char> chunk(chunkSize);
  while (raw && !(rewindable && scan.ruledOut())) {
    raw.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::string_view piece(chunk.data(), static_cast<std::size_t>(raw.gcount()));
    scan.take(piece);
    if (!rewindable) {
      kept_.append(piece);
    }
  }
  if (raw.bad()) {
    return;
  }
  std::istream* source = &raw;
  if (rewindable) {
    raw.clear();
    raw.seekg(start);
  } else {
    keptBuffer_ = std::make_unique<ViewBuffer>(kept_);
    keptStream_ = std::make_unique<std::istream>(keptBuffer_.get());
    source = keptStream_.get();
  }
  decide(forced, scan.validUtf8(), scan.multiByte(), scan.latin2HoldsAll());
  text_ = source;
  if (reading_.encoding == Encoding::utf8) {
    decoder_ = std::make_unique<Utf8Decoder>(*source);
    decoded_ = std::make_unique<std::istream>(decoder_.get());
    text_ = decoded_.get();
  }
}

void EncodedInput::decide(std::optional<Encoding> forced, bool validUtf8, bool multiByte,
                          bool latin2HoldsAll) {
  reading_.forced = forced.has_value();
  if (validUtf8 && latin2HoldsAll && (multiByte || forced)) {
    reading_.encoding = Encoding::utf8;
  } else if (validUtf8 && multiByte) {
    reading_.utf8Bytes = true;
  } else if (forced && !validUtf8) {
    reading_.invalidUtf8 = true;
  }
}
