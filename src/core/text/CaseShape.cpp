#include "text/CaseShape.h"

#include "text/AsciiCase.h"

namespace kesto {

CaseShape ShapeOf(std::string_view text) {
    int letters = 0;
    int upper = 0;
    bool firstUpper = false;
    for (const char c : text) {
        if (!IsAsciiUpper(c) && !IsAsciiLower(c)) continue;
        if (IsAsciiUpper(c)) {
            if (letters == 0) firstUpper = true;
            ++upper;
        }
        ++letters;
    }
    return ShapeOfLetters(letters, upper, firstUpper);
}

CaseShape ShapeOfLetters(int letters, int upper, bool firstUpper) {
    if (letters == 0) return CaseShape::AsTyped;
    if (upper == letters) return CaseShape::Upper;
    if (upper == 0) return CaseShape::Lower;
    if (upper == 1 && firstUpper) return CaseShape::Capitalised;
    return CaseShape::AsTyped;
}

void ApplyShape(CaseShape shape, std::string& text) {
    bool first = true;
    for (char& c : text) {
        if (!IsAsciiUpper(c) && !IsAsciiLower(c)) continue;
        const bool wantUpper =
            shape == CaseShape::Upper || (shape == CaseShape::Capitalised && first);
        if (shape != CaseShape::AsTyped) {
            if (wantUpper && IsAsciiLower(c)) c = SwapCase(c);
            if (!wantUpper && IsAsciiUpper(c)) c = SwapCase(c);
        }
        first = false;
    }
}

}  // namespace kesto
