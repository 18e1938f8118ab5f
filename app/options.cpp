#include "app/options.h"

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
  } else {
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
    if (!isOption) {
      options.files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--explain") {
      if (++i == arguments.size()) {
        options.error = "levezet: a --explain kapcsolo utan hianyzik a teny";
        return options;
      }
      options.explain.push_back(arguments[i]);
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
  return settings;
}
