// Where the program reads the input otherwise than its text plainly says, as
// values: what it is, where it stands and the pieces its message names. The
// messages themselves are worded where they are printed.
#ifndef INPUT_DIAGNOSTICS_H_
#define INPUT_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

enum class Warning {
  // The file as a whole.
  utf8File,          // valid UTF-8 with multi-byte sequences
  leadingEmptyLine,  // the empty first line is the one rule line
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
  finalPeriod,
  // Relation lines.
  dataLineWidth,         // {values, attributes}
  fewerValues,           // {values, columns, tuple as stored}
  moreValues,            // {values, columns, tuple as stored}
  unquotedText,          // {value, tuple as stored}
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
  Warning kind = Warning::utf8File;
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

  // The first diagnosticLimit diagnostics given, in order of line, column and kind.
  std::vector<Diagnostic> sorted() const;

  // How many diagnostics were given, each place and kind once.
  std::size_t count() const;

 private:
  // Line, then column and kind together: the order diagnostics are written in.
  using Place = std::pair<std::uint64_t, std::uint64_t>;

  // Drops repeated places from said_.
  void pack() const;

  bool enabled_;
  std::map<Place, Diagnostic> kept_;
  mutable std::vector<Place> said_;  // every place given, repeats dropped now and then
  mutable std::size_t packed_ = 0;   // the size of said_ after it was last packed
};

#endif  // INPUT_DIAGNOSTICS_H_
