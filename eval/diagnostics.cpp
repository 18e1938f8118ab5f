#include "eval/diagnostics.h"

namespace {

const char* warningText(Warning warning) {
  switch (warning) {
    case Warning::notARule:
      return "a sor nem fej(argumentumok)<-torzs alaku szabaly, nem ertekelem ki.";
    case Warning::conditionWithoutOperator:
      return "feltetel muveleti jel vagy jobb oldal nelkul, egy sort sem enged at.";
    default:
      return "a fej egyik valtozojat a torzs nem koti, a szabaly nem vezet le semmit.";
  }
}

}  // namespace

void Warnings::warn(Warning warning, std::size_t lineNumber) {
  if (!said_.insert({warning, lineNumber}).second || !sink_) {
    return;
  }
  sink_(Diagnostic{warning, lineNumber, 0, warningText(warning)});
}
