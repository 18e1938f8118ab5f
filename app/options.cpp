#include "app/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "input/char_class.h"

#ifndef LEVEZET_VERSION
#define LEVEZET_VERSION "0.0.0"
#endif

namespace {

// Sets the flag that `argument` names; false when it names none.
bool takeFlag(const std::string& argument, Options& options) {
  if (argument == "-h" || argument == "--help") {
    options.help = true;
  } else if (argument == "-V" || argument == "--version") {
    options.version = true;
  } else if (argument == "-q" || argument == "--quiet") {
    options.quiet = true;
  } else if (argument == "-w" || argument == "--no-warnings") {
    options.noWarnings = true;
  } else if (argument == "--trace") {
    options.trace = true;
  } else if (argument == "--graph") {
    options.graph = true;
  } else if (argument == "--strict") {
    options.strict = true;
  } else {
    return false;
  }
  return true;
}

// The encoding `name` names, if any.
std::optional<Encoding> encodingNamed(std::string name) {
  for (char& byte : name) {
    byte = static_cast<char>(std::tolower(static_cast<unsigned char>(byte)));
  }
  if (name == "latin2" || name == "latin-2" || name == "iso-8859-2") {
    return Encoding::latin2;
  }
  if (name == "utf-8" || name == "utf8") {
    return Encoding::utf8;
  }
  return std::nullopt;
}

// Where a value of a fact's argument list ends, from `at`: past its closing
// quote, or at the first byte of ",()'" after a bare value; `problem` names
// what makes it no constant.
std::size_t valueEnd(std::string_view fact, std::size_t at, std::string& problem) {
  if (at < fact.size() && fact[at] == '\'') {
    const std::size_t quote = fact.find('\'', at + 1);
    if (quote == std::string_view::npos) {
      problem = "lezaratlan idezojel";
    }
    return quote == std::string_view::npos ? fact.size() : quote + 1;
  }
  const std::size_t end = std::min(fact.find_first_of(",()'", at), fact.size());
  const std::string_view value = fact.substr(at, end - at);
  if (startsWithVariableInitial(value)) {
    problem = "valtozo all benne: " + std::string(value);
  } else if (end < fact.size() && fact[end] == '(') {
    problem = "'(' all az ertekek kozott";
  }
  return end;
}

// What makes `fact` no atom of constants as tuple lines write them: name(1,'a').
std::string factProblem(std::string_view fact) {
  const std::size_t open = fact.find('(');
  if (open == std::string_view::npos || open == 0) {
    return open == 0 ? "hianyzik a relacio neve" : "hianyzik a '('";
  }
  std::size_t at = open + 1;
  std::string problem;
  bool first = true;
  while (problem.empty() && at < fact.size() && (fact[at] != ')' || !first)) {
    at = valueEnd(fact, at, problem);
    first = false;
    if (problem.empty() && at < fact.size() && fact[at] != ',' && fact[at] != ')') {
      problem = "idezojel all egy ertekben";
    } else if (at < fact.size() && fact[at] == ',') {
      ++at;
    } else {
      break;
    }
  }
  if (problem.empty() && at >= fact.size()) {
    problem = "hianyzik a ')'";
  } else if (problem.empty() && at + 1 < fact.size()) {
    problem = "szoveg all a ')' utan: " + std::string(fact.substr(at + 1));
  }
  return problem;
}

// Takes the argument after the option at `i` (--explain, --encoding) and
// moves `i` past it; false, with `error` set, when it is missing or wrong.
bool takeArgument(const std::vector<std::string>& arguments, std::size_t& i, Options& options) {
  const std::string& option = arguments[i];
  if (++i == arguments.size()) {
    options.error = "levezet: a " + option + " kapcsolo utan hianyzik " +
                    (option == "--explain" ? "a teny" : "a kodolas neve");
    return false;
  }
  if (option == "--explain") {
    // Checked as Latin-2, as the run reads it where it is valid UTF-8, and
    // named as typed.
    std::string fact;
    const bool utf8 = latin2FromUtf8(arguments[i], fact);
    const std::string problem =
        utf8 ? utf8FromLatin2(factProblem(fact)) : factProblem(arguments[i]);
    if (!problem.empty()) {
      options.error = "levezet: a --explain tenye nem allandokbol allo atom: " + arguments[i] +
                      " (" + problem + ")";
      return false;
    }
    options.explain.push_back(arguments[i]);
    return true;
  }
  options.encoding = encodingNamed(arguments[i]);
  if (!options.encoding) {
    options.error = "levezet: ismeretlen kodolas: " + arguments[i] + " (latin2 vagy utf-8)";
    return false;
  }
  return true;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool isOption =
        !optionsEnded && options.files.empty() && argument.size() > 1 && argument.front() == '-';
    if (!isOption && options.files.size() == 2) {
      options.error = "levezet: tul sok file nev: " + argument +
                      " (csak az inputfile es az outputfile adhato meg)";
      return options;
    }
    if (!isOption) {
      options.files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--explain" || argument == "--encoding") {
      if (!takeArgument(arguments, i, options)) {
        return options;
      }
    } else if (!takeFlag(argument, options)) {
      options.error = "levezet: ismeretlen kapcsolo: " + argument;
      return options;
    }
  }
  return options;
}

const char* usageText() {
  return "Hasznalat: levezet [kapcsolok] [inputfile [outputfile]]\n"
         "\n"
         "Kiertekeli az inputfile szabalyait a relacioin, es az outputfile-ba irja\n"
         "a szabalyokat es minden relaciot. A hianyzo file neveket megkerdezi;\n"
         "alapertelmezes: inputkteszt.txt es outputk.txt.\n"
         "\n"
         "Kapcsolok (a file nevek elott):\n"
         "  -h, --help          ez a leiras\n"
         "  -V, --version       a program verzioja\n"
         "  -q, --quiet         nincs sikeruzenet es nincs varakozas a vegen; a hianyzo\n"
         "                      file nevek helyett az alapertelmezesek\n"
         "  -w, --no-warnings   nincsenek figyelmeztetesek a hibakimeneten\n"
         "  --trace             a futas utan a hibakimeneten: a kiertekeles sorrendje,\n"
         "                      szabalyonkent a kapott sorok es az ido, rekurziv\n"
         "                      csoportonkent a korok, es a reszek ideje\n"
         "  --explain TENY      a futas utan a kimeneten: hogyan adodott a TENY, pl.\n"
         "                      tc(1,3) vagy nev('Anna',7); tobbszor is megadhato\n"
         "  --graph             a futas utan a kimeneten: a program grafja Graphviz DOT\n"
         "                      alakban (UTF-8), pl. levezet -q --graph be.txt ki.txt |\n"
         "                      dot -Tsvg >graf.svg\n"
         "  --strict            barmely figyelmeztetes sikertelenne teszi a futast: az\n"
         "                      outputfile nem irodik, a kilepesi kod 1 (-w mellett is)\n"
         "  --encoding KODOLAS  az inputfile kodolasa: latin2 vagy utf-8; enelkul a\n"
         "                      tobbajtos karaktert tartalmazo, ervenyes UTF-8 file-t\n"
         "                      UTF-8-kent olvassa (es a kimenetet UTF-8-ban irja),\n"
         "                      minden mast Latin-2-kent\n"
         "  --                  a kapcsolok vege: ami utana jon, file nev\n"
         "\n"
         "Kilepesi kod: 0 siker, 1 sikertelen futas, 2 hibas parancssor.\n";
}

std::string versionLine() { return std::string("levezet ") + LEVEZET_VERSION; }

RunSettings runSettingsOf(const Options& options) {
  RunSettings settings;
  settings.showWarnings = !options.noWarnings;
  settings.trace = options.trace;
  settings.explain = options.explain;
  settings.graph = options.graph;
  settings.encoding = options.encoding;
  settings.strict = options.strict;
  return settings;
}
