// The relation section: declarations cut, and what its lines are diagnosed with.
#include "input/relation_section.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(DeclarationTest, GivesNameAndAttributesDroppingTheLastByte) {
  const Declaration declaration = cutDeclaration("p(a,b)");
  EXPECT_EQ(declaration.name, "p");
  EXPECT_EQ(declaration.attributes, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(cutDeclaration("p").attributes.empty());
  EXPECT_TRUE(cutDeclaration("p()").attributes.empty());
  EXPECT_EQ(cutDeclaration("p(").name, "p");
  EXPECT_EQ(cutDeclaration("p(a,b").attributes, (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(headerText("p", {"a", ""}), "p(a,)");
}

class IgnoredRelations : public RelationSectionSink {
  void beginRelation(const RelationBlock& /*block*/) override {}
  void tupleLine(std::string_view /*line*/) override {}
  void endRelation() override {}
};

using Found = std::vector<std::tuple<std::size_t, std::size_t, Warning, std::string>>;

// Line, column, kind and last message part of every diagnostic on a
// relation section.
Found diagnose(const std::string& section) {
  std::istringstream in(section);
  LineReader reader(in);
  Warnings warnings;
  IgnoredRelations ignored;
  readRelationSection(reader, warnings, ignored);
  Found found;
  for (const Diagnostic& diagnostic : warnings.sorted()) {
    found.emplace_back(diagnostic.line, diagnostic.column, diagnostic.kind,
                       diagnostic.parts.empty() ? "" : diagnostic.parts.back());
  }
  return found;
}

TEST(RelationChecksTest, SaysNothingAboutWellFormedRelations) {
  EXPECT_EQ(diagnose("edge(a,b)\n1,2\n22222222,33333333\n\nname(id,text)\n1,'Anna'\n"
                     "2,'Bea, Cili'\n3,''\n\nempty(a)\n\nlast(x)\n007\n"),
            Found{});
}

// Lines of a relation without "string" columns that hold nothing odd are
// passed over without a walk; any blank, quote or other count of commas is
// still walked.
TEST(RelationChecksTest, WalksEveryLineThatMayBeReadOtherwise) {
  EXPECT_EQ(diagnose("a(x,y)\n1,2\n7\n1,2,3\n4, 5\n6 ,7\n8,'9'\n12345678,12345678 \n"),
            (Found{{3, 2, Warning::fewerValues, "7,7"},
                   {4, 5, Warning::moreValues, "1,2,3"},
                   {5, 3, Warning::blankAroundValue, "4, 5"},
                   {6, 2, Warning::blankAroundValue, "6 ,7"},
                   {7, 3, Warning::quoteInsideValue, "8,'9'"},
                   {8, 18, Warning::blankAroundValue, "12345678,12345678 "}}));
}

TEST(RelationChecksTest, ShowsHowStringColumnsStoreOddValues) {
  EXPECT_EQ(diagnose("n(name,age)\n'Anna',30\n5,41\n'Cecil,52\n'Do'ra',18\n'Emma'\n"
                     "'Ede',1,2\n'Ida' ,3\n"),
            (Found{{3, 1, Warning::unquotedText, "',41',41"},
                   {4, 1, Warning::unclosedQuote, "'Cecil,52',ecil,52"},
                   {5, 4, Warning::quoteInsideValue, "'Do',a',18"},
                   {6, 7, Warning::fewerValues, "'Emma',"},
                   {7, 9, Warning::moreValues, "'Ede',1,2"},
                   {8, 6, Warning::blankAroundValue, "'Ida',,3"}}));
}

TEST(RelationChecksTest, ChecksTheFirstDataLineAgainstTheDeclaration) {
  EXPECT_EQ(diagnose("a(x,y)\n1, 2\n\nb(x,y)\n7\n\nc(x)\n1,2\n"),
            (Found{{2, 3, Warning::blankMakesTextColumn, "2"},
                   {5, 2, Warning::dataLineWidth, "2"},
                   {8, 3, Warning::dataLineWidth, "1"}}));
}

TEST(RelationChecksTest, NamesLinesThatStartRelationsUnasked) {
  EXPECT_EQ(diagnose("a(x)\n1\n-5\n\nb(x)\n1\n 2\n\nc(x)\n1\nabc\n\ng\n1\n\nh(x) z\n1\n\nk(x\n"
                     "1\n   \n\na(y)\n2\n"),
            (Found{{3, 1, Warning::dataLikeDeclaration, "-5()"},
                   {7, 1, Warning::dataLikeDeclaration, " 2()"},
                   {11, 1, Warning::dataLikeDeclaration, "abc()"},
                   {13, 1, Warning::declarationWithoutParenthesis, "g()"},
                   {16, 5, Warning::textAfterDeclaration, "h(x) )"},
                   {19, 4, Warning::declarationWithoutClosing, "k()"},
                   {21, 1, Warning::blankOnlyLine, ""},
                   {23, 1, Warning::duplicateDeclaration, "1"}}));
}

}  // namespace
