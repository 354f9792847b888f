// CaseShape: the case a replacement takes from the text it replaces, when Preserve Case is
// on. Only ASCII letters have a case here; every other byte is left as it is.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

enum class CaseShape {
    AsTyped,      // no letters, or a mix the shapes below do not describe
    Lower,        // every letter lower case
    Upper,        // every letter upper case (a single capital letter too)
    Capitalised,  // the first letter upper case, the others lower case
};

CaseShape ShapeOf(std::string_view text);

// The shape of a text whose `letters` letters with a case hold `upper` upper-case ones, the
// first of them upper case or not.
CaseShape ShapeOfLetters(int letters, int upper, bool firstUpper);

// Gives `text` the shape: Capitalised makes its first letter upper case and the others
// lower case.
void ApplyShape(CaseShape shape, std::string& text);

}  // namespace kesto
