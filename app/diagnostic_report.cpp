#include "app/diagnostic_report.h"

namespace {

// "{0}", "{1}" and "{2}" stand for the diagnostic's parts.
const char* messageTemplate(Warning kind) {
  switch (kind) {
    case Warning::utf8File:
      return "a file UTF-8 kodolasu, nem Latin-2: az ekezetes betuk nem azok, aminek latszanak "
             "(az ekezetes kezdobetuket sem ismeri fel); alakitsa at: "
             "iconv -f UTF-8 -t ISO-8859-2";
    case Warning::leadingEmptyLine:
      return "a file ures sorral kezdodik: ez az egyetlen szabalysor, es nem zarja le a "
             "szabalyokat, igy a kovetkezo sorok is szabalykent olvasodnak (szabalyok nelkul "
             "ket ures sor kell)";
    case Warning::blankOnlyLine:
      return "a sor csak szokozokbol all: nem ures sor, nem zar le semmit";
    case Warning::colonArrow:
      return "':-' all '<-' helyett: a sort nem ertekeli ki";
    case Warning::noArrowAfterHead:
      return "a fej ')' jele utan nem '<-' kovetkezik: a sort nem ertekeli ki";
    case Warning::noOpeningParenthesis:
      return "a fejbol hianyzik a '(': a sort nem ertekeli ki";
    case Warning::noClosingParenthesis:
      return "a fejbol hianyzik a ')': a sort nem ertekeli ki";
    case Warning::closingBeforeOpening:
      return "a ')' a '(' elott all: a sort nem ertekeli ki";
    case Warning::blankInRule:
      return "szokoz a szabalyban: nem hagyja ki, a nev, feltetel vagy ertek resze lesz";
    case Warning::unknownRelation:
      return "az atomot kihagyja: nincs '{0}' nevu relacio";
    case Warning::atomFewerArguments:
      return "a(z) '{0}' atomnak {1} argumentuma van, a relacionak {2} oszlopa: "
             "az atom csak az elso {1} oszlopot olvassa";
    case Warning::atomMoreArguments:
      return "a(z) '{0}' atomnak {1} argumentuma van, a relacionak csak {2} oszlopa: "
             "az atom egy sort sem ad";
    case Warning::atomNestedParenthesis:
      return "az atomban '(' all a ')' elott: az elso ')'-ig egy atomnak olvassa, "
             "argumentumai: {0}";
    case Warning::atomWithoutClosing:
      return "az atombol hianyzik a ')': argumentumai igy olvasva: {0}";
    case Warning::headArgumentNotVariable:
      return "a fej '{0}' argumentuma nem valtozo: elso bajtja nelkul oszlopszamnak olvassa";
    case Warning::unboundHeadVariable:
      return "a fej '{0}' argumentumat a torzs nem koti: a szabaly nem vezet le semmit";
    case Warning::headWidthDiffers:
      return "a fej a deklaralt '{0}' relaciot nevezi meg, amelynek {1} attributuma van, a "
             "fejnek {2} argumentuma: a levezetett sorok mas szelesseggel kerulnek bele";
    case Warning::constantOnLeft:
      return "a feltetel bal oldalan allando ('{0}') all: nem hasonlitja ossze, hanem uj "
             "valtozonak veszi, amely a masik oldal ertekeit kapja";
    case Warning::unboundConditionVariable:
      return "a(z) '{0}' valtozot sem atom, sem '=' feltetel nem koti: a feltetel masik "
             "oldalanak erteket kapja, es ugy ertekeli ki a feltetelt";
    case Warning::textOrdered:
      return "a '{1}' szoveget hasonlit ({0}), de egesz ertekeket hasonlit ossze: egy szoveg "
             "erteke a vezeto szamjegyeibol all (szamjegy nelkul 0)";
    case Warning::unknownOperator:
      return "'{0}' nem muveleti jel: a feltetelt igy olvassa: {1}";
    case Warning::conditionWithoutOperator:
      return "a(z) '{0}' feltetelben nincs muveleti jel vagy jobb oldal: egy sort sem enged "
             "at, a szabaly nem vezet le semmit";
    case Warning::finalPeriod:
      return "a szabaly vegi '.' feltetelnek szamit muveleti jel nelkul: egy sort sem enged "
             "at, a szabaly nem vezet le semmit";
    case Warning::dataLineWidth:
      return "az elso adatsorban {0} ertek all, a deklaracioban {1} attributum: a relacio "
             "oszlopait ez a sor adja";
    case Warning::fewerValues:
      return "a sorban {0} ertek all, a relacionak {1} oszlopa van: igy tarolja: {2}";
    case Warning::moreValues:
      return "a sorban {0} ertek all, a relacionak csak {1} oszlopa van: igy tarolja: {2}";
    case Warning::unquotedText:
      return "a(z) '{0}' ertek idezojel nelkul all szoveges oszlopban: elso bajtjat "
             "idezojelnek veszi; igy tarolja: {1}";
    case Warning::unclosedQuote:
      return "a szoveg idezojele nincs lezarva: az ertek a sor vegeig tart; igy tarolja: {0}";
    case Warning::quoteInsideValue:
      return "idezojel az ertekben: igy tarolja: {0}";
    case Warning::blankAroundValue:
      return "szokoz az ertek mellett: nem hagyja ki; igy tarolja: {0}";
    case Warning::blankMakesTextColumn:
      return "az elso adatsorban a szokoz miatt a(z) {0}. oszlop szoveges lesz: a kesobbi "
             "sorok erteket is szovegkent olvassa";
    case Warning::dataLikeDeclaration:
      return "a sor nem szammal vagy idezojellel kezdodik, igy nem adatsor: uj relaciot "
             "kezd, fejlece: {0}";
    case Warning::declarationWithoutParenthesis:
      return "a deklaraciobol hianyzik a '(': a relacio neve az egesz sor, fejlece: {0}";
    case Warning::declarationWithoutClosing:
      return "a deklaraciobol hianyzik a ')': fejlece igy irodik ki: {0}";
    case Warning::textAfterDeclaration:
      return "szoveg a deklaracio ')' jele utan: fejlece igy irodik ki: {0}";
    case Warning::duplicateDeclaration:
      return "a(z) '{0}' relaciot mar a(z) {1}. sor deklaralta: a szabalyok csak az elsot "
             "olvassak es bovitik, a kimenet mindkettot kiirja";
  }
  return "";
}

// The line with every byte before `column` blanked (tabs kept), then a caret.
std::string caretLine(const std::string& line, std::size_t column) {
  std::string caret;
  for (std::size_t i = 0; i + 1 < column; ++i) {
    caret += i < line.size() && line[i] == '\t' ? '\t' : ' ';
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

void writeDiagnostics(const std::vector<Diagnostic>& diagnostics, const std::string& fileName,
                      const std::vector<std::string>& ruleLines, std::ostream& out) {
  std::size_t written = 0;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (written == diagnosticLimit) {
      out << fileName << ": meg " << diagnostics.size() - written
          << " figyelmeztetes, ezeket nem irja ki\n";
      return;
    }
    ++written;
    out << fileName << ':' << diagnostic.line << ':';
    if (diagnostic.column != 0) {
      out << diagnostic.column << ':';
    }
    out << " figyelmeztetes: " << diagnosticMessage(diagnostic) << '\n';
    const std::string& line =
        !diagnostic.lineText.empty() || diagnostic.line == 0 || diagnostic.line > ruleLines.size()
            ? diagnostic.lineText
            : ruleLines[diagnostic.line - 1];
    out << line << '\n';
    if (diagnostic.column != 0) {
      out << caretLine(line, diagnostic.column) << '\n';
    }
  }
}
