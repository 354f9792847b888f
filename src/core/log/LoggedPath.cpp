#include "log/LoggedPath.h"

namespace kesto {
namespace {

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string LoggedPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (IsControl(byte)) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string PathFromLog(std::string_view logged) {
    std::string out;
    out.reserve(logged.size());
    for (std::size_t i = 0; i < logged.size(); ++i) {
        const char c = logged[i];
        if (c != '\\' || i + 1 == logged.size()) {
            out += c;
            continue;
        }
        const char next = logged[i + 1];
        if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < logged.size() && HexValue(logged[i + 2]) >= 0 &&
                   HexValue(logged[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(logged[i + 2]) * 16 + HexValue(logged[i + 3]));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace kesto
