#include "app/options.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

TEST(ParseOptionsTest, TakesEachOptionInItsShortAndLongForm) {
  for (const auto& [shortForm, longForm] :
       {std::pair{"-h", "--help"}, std::pair{"-V", "--version"}, std::pair{"-q", "--quiet"},
        std::pair{"-w", "--no-warnings"}}) {
    for (const char* form : {shortForm, longForm}) {
      const Options options = parseOptions({form, "in.txt"});
      EXPECT_EQ(options.error, "") << form;
      EXPECT_EQ(options.files, Arguments{"in.txt"}) << form;
      EXPECT_EQ(options.help + options.version + options.quiet + options.noWarnings, 1) << form;
    }
  }
  EXPECT_TRUE(parseOptions({"-q", "-w"}).noWarnings);
  EXPECT_TRUE(parseOptions({"--trace", "in.txt"}).trace);
  EXPECT_TRUE(runSettingsOf(parseOptions({"--strict", "in.txt"})).strict);
  EXPECT_EQ(parseOptions({"-t"}).error, "levezet: ismeretlen kapcsolo: -t");
}

TEST(ParseOptionsTest, OptionsStopAtTheFirstNameOrAtTwoDashes) {
  EXPECT_EQ(parseOptions({"in.txt", "-q"}).files, (Arguments{"in.txt", "-q"}));
  EXPECT_FALSE(parseOptions({"in.txt", "-q"}).quiet);
  const Options ended = parseOptions({"-w", "--", "--help", "out.txt"});
  EXPECT_TRUE(ended.noWarnings);
  EXPECT_FALSE(ended.help);
  EXPECT_EQ(ended.files, (Arguments{"--help", "out.txt"}));
  EXPECT_EQ(parseOptions({"-", "out.txt"}).files, (Arguments{"-", "out.txt"}));
  EXPECT_EQ(parseOptions({"--", "--"}).files, Arguments{"--"});
  EXPECT_EQ(parseOptions({"-q", "in.txt", "out.txt", "x"}).error,
            "levezet: tul sok file nev: x (csak az inputfile es az outputfile adhato meg)");
  EXPECT_TRUE(parseOptions({}).files.empty());
}

TEST(ParseOptionsTest, ExplainTakesTheNextArgumentEachTime) {
  const Options options = parseOptions(
      {"--explain", "tc(1,2)", "-q", "--explain", "-w(1)", "--explain", "--()", "in.txt"});
  EXPECT_EQ(options.error, "");
  EXPECT_EQ(options.explain, (Arguments{"tc(1,2)", "-w(1)", "--()"}));
  EXPECT_TRUE(options.quiet);
  EXPECT_FALSE(options.noWarnings);
  EXPECT_EQ(options.files, Arguments{"in.txt"});
  EXPECT_EQ(parseOptions({"-q", "--explain"}).error,
            "levezet: a --explain kapcsolo utan hianyzik a teny");
  EXPECT_EQ(parseOptions({"in.txt", "--explain"}).files, (Arguments{"in.txt", "--explain"}));
}

TEST(ParseOptionsTest, AFactIsAnAtomOfConstants) {
  for (const char* fact : {"tc(1,2)", "nev('Anna, B',7)", "p()", "t(1,,-2)", "\xE9l('\xC1')"}) {
    EXPECT_EQ(parseOptions({"--explain", fact}).error, "") << fact;
  }
  const std::pair<const char*, const char*> faulty[] = {
      {"tc(1,2", "hianyzik a ')'"},
      {"tc(1,22", "hianyzik a ')'"},
      {"tc(1,2)x", "szoveg all a ')' utan: x"},
      {"tc", "hianyzik a '('"},
      {"(1)", "hianyzik a relacio neve"},
      {"tc(X,2)", "valtozo all benne: X"},
      {"t(\xC3\x81rp\xC3\xA1"
       "d)",
       "valtozo all benne: \xC3\x81rp\xC3\xA1"
       "d"},  // UTF-8
      {"nev('Anna,7)", "lezaratlan idezojel"},
      {"nev('Anna'x,7)", "idezojel all egy ertekben"},
      {"tc(f(1),2)", "'(' all az ertekek kozott"}};
  for (const auto& [fact, problem] : faulty) {
    EXPECT_EQ(parseOptions({"--explain", fact, "in.txt"}).error,
              std::string("levezet: a --explain tenye nem allandokbol allo atom: ") + fact + " (" +
                  problem + ")");
  }
}

TEST(ParseOptionsTest, EncodingTakesOneOfTwoNames) {
  EXPECT_EQ(runSettingsOf(parseOptions({"--encoding", "UTF8", "in.txt"})).encoding, Encoding::utf8);
  EXPECT_EQ(parseOptions({"--encoding", "ISO-8859-2"}).encoding, Encoding::latin2);
  EXPECT_FALSE(parseOptions({"in.txt"}).encoding.has_value());
  EXPECT_EQ(parseOptions({"--encoding", "cp1250"}).error,
            "levezet: ismeretlen kodolas: cp1250 (latin2 vagy utf-8)");
  EXPECT_EQ(parseOptions({"--encoding"}).error,
            "levezet: a --encoding kapcsolo utan hianyzik a kodolas neve");
}

TEST(ParseOptionsTest, NamesAnUnknownOption) {
  EXPECT_EQ(parseOptions({"-x", "in.txt"}).error, "levezet: ismeretlen kapcsolo: -x");
  EXPECT_EQ(parseOptions({"-qw"}).error, "levezet: ismeretlen kapcsolo: -qw");
  EXPECT_EQ(parseOptions({"--help=1"}).error, "levezet: ismeretlen kapcsolo: --help=1");
}

}  // namespace
