#include "app/diagnostic_report.h"

#include "app/console_text.h"
#include "input/encoding.h"

namespace {

// The message of each kind; "{0}", "{1}" and "{2}" stand for its parts.
struct MessageTemplate {
  Warning kind;
  const char* text;
};

constexpr MessageTemplate messageTemplates[] = {
    {Warning::foreignCharacter,
     "a(z) {0} karakternek ('{1}') nincs Latin-2 megfeleloje: a file-t nem UTF-8-kent, "
     "hanem bajtonkent olvassa (az ekezetes betuk nem azok, aminek latszanak)"},
    {Warning::invalidUtf8Byte,
     "a(z) {0} bajt nem resze UTF-8 karakternek: a file-t a --encoding utf-8 ellenere "
     "bajtonkent, Latin-2-kent olvassa"},
    {Warning::leadingEmptyLine,
     "a file ures sorral kezdodik: ez az egyetlen szabalysor, es nem zarja le a "
     "szabalyokat, igy a kovetkezo sorok is szabalykent olvasodnak (szabalyok nelkul "
     "ket ures sor kell)"},
    {Warning::nulByte, "NUL bajt: a sor itt veget er, a tobbi {0} bajtjat nem olvassa: '{1}'"},
    {Warning::nulByteLast, "NUL bajt: a sor itt veget er (utana nincs mas a sorban)"},
    {Warning::carriageReturn,
     "kocsivissza (CR) a sor belsejeben: a file sorai talan csak CR-rel vegzodnek, de "
     "sorveg csak az LF (vagy a CR LF), igy ez es a kovetkezok egy sornak szamitanak"},
    {Warning::blankOnlyLine, "a sor csak szokozokbol all: nem ures sor, nem zar le semmit"},
    {Warning::colonArrow, "':-' all '<-' helyett: a sort nem ertekeli ki"},
    {Warning::noArrowAfterHead, "a fej ')' jele utan nem '<-' kovetkezik: a sort nem ertekeli ki"},
    {Warning::noOpeningParenthesis, "a fejbol hianyzik a '(': a sort nem ertekeli ki"},
    {Warning::noClosingParenthesis, "a fejbol hianyzik a ')': a sort nem ertekeli ki"},
    {Warning::closingBeforeOpening, "a ')' a '(' elott all: a sort nem ertekeli ki"},
    {Warning::blankInRule,
     "szokoz a szabalyban: nem hagyja ki, a nev, feltetel vagy ertek resze lesz"},
    {Warning::unknownRelation, "az atomot kihagyja: nincs '{0}' nevu relacio"},
    {Warning::unknownRelationNear, "az atomot kihagyja: nincs '{0}' nevu relacio; talan '{1}'?"},
    {Warning::atomFewerArguments,
     "a(z) '{0}' atomnak {1} argumentuma van, a relacionak {2} oszlopa: "
     "az atom csak az elso {1} oszlopot olvassa"},
    {Warning::atomMoreArguments,
     "a(z) '{0}' atomnak {1} argumentuma van, a relacionak csak {2} oszlopa: "
     "az atom egy sort sem ad"},
    {Warning::atomNestedParenthesis,
     "az atomban '(' all a ')' elott: az elso ')'-ig egy atomnak olvassa, "
     "argumentumai: {0}"},
    {Warning::atomWithoutClosing, "az atombol hianyzik a ')': argumentumai igy olvasva: {0}"},
    {Warning::headArgumentNotVariable,
     "a fej '{0}' argumentuma nem valtozo: elso bajtja nelkul oszlopszamnak olvassa"},
    {Warning::unboundHeadVariable,
     "a fej '{0}' argumentumat a torzs nem koti: a szabaly nem vezet le semmit"},
    {Warning::headWidthDiffers,
     "a fej a deklaralt '{0}' relaciot nevezi meg, amelynek {1} attributuma van, a "
     "fejnek {2} argumentuma: a levezetett sorok mas szelesseggel kerulnek bele"},
    {Warning::constantOnLeft,
     "a feltetel bal oldalan allando ('{0}') all: nem hasonlitja ossze, hanem uj "
     "valtozonak veszi, amely a masik oldal ertekeit kapja"},
    {Warning::unboundConditionVariable,
     "a(z) '{0}' valtozot sem atom, sem '=' feltetel nem koti: a feltetel masik "
     "oldalanak erteket kapja, es ugy ertekeli ki a feltetelt"},
    {Warning::textOrdered,
     "a '{1}' szoveget hasonlit ({0}), de egesz ertekeket hasonlit ossze: egy szoveg "
     "erteke a vezeto szamjegyeibol all (szamjegy nelkul 0)"},
    {Warning::unknownOperator, "'{0}' nem muveleti jel: a feltetelt igy olvassa: {1}"},
    {Warning::conditionWithoutOperator,
     "a(z) '{0}' feltetelben nincs muveleti jel vagy jobb oldal: egy sort sem enged "
     "at, a szabaly nem vezet le semmit"},
    {Warning::partIntegerConstant,
     "a(z) '{0}' allando nem egesz szam, de egeszkent hasonlitja ossze: {1}-kent olvassa"},
    {Warning::finalPeriod,
     "a szabaly vegi '.' feltetelnek szamit muveleti jel nelkul: egy sort sem enged "
     "at, a szabaly nem vezet le semmit"},
    {Warning::finalPeriodInElement,
     "a szabaly vegi '.' nem zarja le a szabalyt, hanem a(z) '{0}' resze lesz: az elem "
     "mast olvas, mint ami irva van"},
    {Warning::missingEmptyLine,
     "ures sor hianyzik a szabalyok es a relaciok kozott: innen a sorok relacionak "
     "latszanak, de szabalykent olvassa oket (a relaciokat nem tolti be)"},
    {Warning::dataLineWidth,
     "az elso adatsorban {0} ertek all, a deklaracioban {1} attributum: a relacio "
     "oszlopait ez a sor adja"},
    {Warning::fewerValues,
     "a sorban {0} ertek all, a relacionak {1} oszlopa van: igy tarolja: {2}"},
    {Warning::moreValues,
     "a sorban {0} ertek all, a relacionak csak {1} oszlopa van: igy tarolja: {2}"},
    {Warning::unquotedText,
     "a(z) '{0}' ertek idezojel nelkul all szoveges oszlopban: elso bajtjat "
     "idezojelnek veszi; igy tarolja: {1}"},
    {Warning::partIntegerValue,
     "a(z) '{0}' ertek egesz oszlopban all, de nem egesz szam: {1}-kent hasonlitja ossze, "
     "ugy irja ki, ahogy all"},
    {Warning::unclosedQuote,
     "a szoveg idezojele nincs lezarva: az ertek a sor vegeig tart; igy tarolja: {0}"},
    {Warning::quoteInsideValue, "idezojel az ertekben: igy tarolja: {0}"},
    {Warning::blankAroundValue, "szokoz az ertek mellett: nem hagyja ki; igy tarolja: {0}"},
    {Warning::blankMakesTextColumn,
     "az elso adatsorban a szokoz miatt a(z) {0}. oszlop szoveges lesz: a kesobbi "
     "sorok erteket is szovegkent olvassa"},
    {Warning::dataLikeDeclaration,
     "a sor nem szammal vagy idezojellel kezdodik, igy nem adatsor: uj relaciot "
     "kezd, fejlece: {0}"},
    {Warning::declarationWithoutParenthesis,
     "a deklaraciobol hianyzik a '(': a relacio neve az egesz sor, fejlece: {0}"},
    {Warning::declarationWithoutClosing,
     "a deklaraciobol hianyzik a ')': fejlece igy irodik ki: {0}"},
    {Warning::textAfterDeclaration,
     "szoveg a deklaracio ')' jele utan: fejlece igy irodik ki: {0}"},
    {Warning::duplicateDeclaration,
     "a(z) '{0}' relaciot mar a(z) {1}. sor deklaralta: a szabalyok csak az elsot "
     "olvassak es bovitik, a kimenet mindkettot kiirja"},
};

const char* messageTemplate(Warning kind) {
  for (const MessageTemplate& message : messageTemplates) {
    if (message.kind == kind) {
      return message.text;
    }
  }
  return "";
}

// The line with every byte before `column` blanked as wide as the console
// shows it (tabs kept), then a caret; in a line of UTF-8 bytes, the bytes
// that continue a character take no room, and a C1 control the room of its
// two escapes.
std::string caretLine(const std::string& line, std::size_t column, bool utf8Line) {
  std::string caret;
  std::size_t continuing = 0;
  for (std::size_t i = 0; i + 1 < column; ++i) {
    const auto byte = static_cast<unsigned char>(i < line.size() ? line[i] : ' ');
    if (utf8Line && continuing != 0 && (byte & 0xC0U) == 0x80) {
      --continuing;
      continue;
    }
    if (utf8Line && i + 1 < line.size() &&
        isUtf8Control(byte, static_cast<unsigned char>(line[i + 1]))) {
      caret += std::string(2 * consoleWidth(0x80), ' ');  // both bytes escaped
      ++i;
      continue;
    }
    continuing = utf8Line ? utf8ContinuationCount(byte) : 0;
    caret += byte == '\t' ? std::string(1, '\t') : std::string(consoleWidth(byte), ' ');
  }
  return caret + '^';
}

}  // namespace

std::string diagnosticMessage(const Diagnostic& diagnostic) {
  const std::string pattern = messageTemplate(diagnostic.kind);
  std::string message;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const std::size_t part = i + 2 < pattern.size() && pattern[i] == '{' && pattern[i + 2] == '}'
                                 ? static_cast<std::size_t>(pattern[i + 1] - '0')
                                 : diagnostic.parts.size();
    if (part < diagnostic.parts.size()) {
      message += diagnostic.parts[part];
      i += 2;
    } else {
      message += pattern[i];
    }
  }
  return message;
}

void writeDiagnostics(const std::vector<Diagnostic>& diagnostics, std::size_t given,
                      const std::string& fileName, const std::vector<std::string>& ruleLines,
                      std::ostream& out, const TextForm& form) {
  std::ostream& text = form.text == nullptr ? out : *form.text;
  std::size_t written = 0;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (written == diagnosticLimit) {
      break;
    }
    ++written;
    const std::string& line =
        !diagnostic.lineText.empty() || diagnostic.line == 0 || diagnostic.line > ruleLines.size()
            ? diagnostic.lineText
            : ruleLines[diagnostic.line - 1];
    out << fileName << ':' << diagnostic.line << ':';
    if (diagnostic.column != 0) {
      out << (form.utf8Columns ? utf8Column(line, diagnostic.column) : diagnostic.column) << ':';
    }
    out << " figyelmeztetes: ";
    text << diagnosticMessage(diagnostic) << '\n' << line << '\n';
    if (diagnostic.column != 0) {
      text << caretLine(line, diagnostic.column, form.utf8Lines) << '\n';
    }
  }
  if (given > written) {
    out << fileName << ": meg " << given - written << " figyelmeztetes, ezeket nem irja ki\n";
  }
}
