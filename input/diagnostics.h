// Where the program reads the input otherwise than its text plainly says, as
// values: what it is, where it stands and the pieces its message names. The
// messages themselves are worded where they are printed.
#ifndef INPUT_DIAGNOSTICS_H_
#define INPUT_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

enum class Warning {
  // The file as a whole.
  foreignCharacter,  // {code point as U+XXXX, the character}: valid UTF-8 read as bytes
  invalidUtf8Byte,   // {the byte as 0xXX}: --encoding utf-8 for a file that is not
  leadingEmptyLine,  // the empty first line is the one rule line
  nulByte,           // {bytes dropped, their text}
  nulByteLast,       // nothing after it on its line
  carriageReturn,    // inside a line: line ends of carriage returns alone
  blankOnlyLine,     // blanks only: not an empty line
  // Rule lines that are not head(arguments)<-body.
  colonArrow,
  noArrowAfterHead,
  noOpeningParenthesis,
  noClosingParenthesis,
  closingBeforeOpening,
  blankInRule,
  // Rule bodies and heads.
  unknownRelation,           // {name}
  unknownRelationNear,       // {name, the nearest known name}
  atomFewerArguments,        // {name, arguments, columns}
  atomMoreArguments,         // {name, arguments, columns}
  atomNestedParenthesis,     // {arguments as read}
  atomWithoutClosing,        // {arguments as read}
  headArgumentNotVariable,   // {argument}
  unboundHeadVariable,       // {variable}
  headWidthDiffers,          // {name, attributes, arguments}
  constantOnLeft,            // {constant}
  unboundConditionVariable,  // {variable}
  textOrdered,               // {text or column compared, operator}
  unknownOperator,           // {operator as written, the condition as read}
  conditionWithoutOperator,  // {condition}
  partIntegerConstant,       // {constant, the integer it stands for}
  finalPeriod,
  finalPeriodInElement,  // {the element the "." ends}
  missingEmptyLine,      // relations read as rules from here on
  // Relation lines.
  dataLineWidth,         // {values, attributes}
  fewerValues,           // {values, columns, tuple as stored}
  moreValues,            // {values, columns, tuple as stored}
  unquotedText,          // {value, tuple as stored}
  partIntegerValue,      // {value, the integer it stands for, tuple as stored}
  unclosedQuote,         // {tuple as stored}
  quoteInsideValue,      // {tuple as stored}
  blankAroundValue,      // {tuple as stored}
  blankMakesTextColumn,  // {column number}
  dataLikeDeclaration,   // {header as written out}
  declarationWithoutParenthesis,
  declarationWithoutClosing,  // {header as written out}
  textAfterDeclaration,       // {header as written out}
  duplicateDeclaration,       // {name, line of the first}
};

// One diagnostic: the input line it concerns (from 1), the byte column there
// (from 1; 0 where no column applies), the line's text where the finder had it
// at hand, and the pieces of input its message quotes.
struct Diagnostic {
  Warning kind = Warning::foreignCharacter;
  std::size_t line = 0;
  std::size_t column = 0;
  std::vector<std::string> parts;
  std::string lineText;
};

// At most this many diagnostics are written in full; one line counts the rest.
constexpr std::size_t diagnosticLimit = 100;

// Collects diagnostics, each kind once per place however often a rule is
// evaluated, and keeps the first diagnosticLimit of them in order of line,
// column and kind; of the others only where they stand, to count them. A
// disabled collection takes nothing, and finders may ask it before doing
// work of their own.
class Warnings {
 public:
  explicit Warnings(bool enabled = true) : enabled_(enabled) {}

  bool enabled() const { return enabled_; }

  void warn(Warning kind, std::size_t line, std::size_t column, std::vector<std::string> parts = {},
            std::string lineText = {});

  // Whether a diagnostic of `kind` given now at this place would be kept with
  // its parts for printing; one that would not is counted all the same.
  bool keeps(Warning kind, std::size_t line, std::size_t column) const;

  // Takes no diagnostic of `kind` at this place from now on: what it would
  // say follows from a diagnostic given.
  void suppress(Warning kind, std::size_t line, std::size_t column) {
    suppressed_.insert(placeOf(kind, line, column));
  }

  // On `line`, only diagnostics of `kind` are kept and counted, given or to
  // come: the others follow from what that one names.
  void keepOnly(std::size_t line, Warning kind);

  // The first diagnosticLimit diagnostics given, in order of line, column and kind.
  std::vector<Diagnostic> sorted() const;

  // How many diagnostics were given, each place and kind once.
  std::size_t count() const;

 private:
  // Line, then column and kind together: the order diagnostics are written in.
  using Place = std::pair<std::uint64_t, std::uint64_t>;

  static Place placeOf(Warning kind, std::size_t line, std::size_t column) {
    return {line, (static_cast<std::uint64_t>(column) << 8U) | static_cast<unsigned>(kind)};
  }

  // Whether keepOnly leaves out what stands at `place`.
  bool leftOut(const Place& place) const;

  // Drops repeated places from said_, and those keepOnly leaves out.
  void pack() const;

  bool enabled_;
  std::map<std::size_t, Warning> keptOnly_;
  std::set<Place> suppressed_;
  std::map<Place, Diagnostic> kept_;
  mutable std::vector<Place> said_;  // every place given, repeats dropped now and then
  mutable std::size_t packed_ = 0;   // the size of said_ after it was last packed
};

#endif  // INPUT_DIAGNOSTICS_H_
