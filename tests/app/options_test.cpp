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
  EXPECT_TRUE(parseOptions({}).files.empty());
}

TEST(ParseOptionsTest, NamesAnUnknownOption) {
  EXPECT_EQ(parseOptions({"-x", "in.txt"}).error, "levezet: ismeretlen kapcsolo: -x");
  EXPECT_EQ(parseOptions({"-qw"}).error, "levezet: ismeretlen kapcsolo: -qw");
  EXPECT_EQ(parseOptions({"--help=1"}).error, "levezet: ismeretlen kapcsolo: --help=1");
}

}  // namespace
