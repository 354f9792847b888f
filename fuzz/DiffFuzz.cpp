// Diffs read from random bytes never crash the reader; the diff of two random versions
// turns the first into the second, and so does any choice of its changes written out and
// read again, as far as the choice goes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "patch/DiffReader.h"
#include "text/UnifiedDiff.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const FilePatch& patch : DiffReader::Read(std::string(input), "/base").files) {
        (void)patch.Apply(input);
        (void)patch.Changes(true);
    }

    // Two versions, split at the first 0xff byte.
    const std::size_t cut = input.find('\xff');
    if (cut == std::string_view::npos) return 0;
    const std::string_view before = input.substr(0, cut);
    const std::string_view after = input.substr(cut + 1);
    std::string diff;
    UnifiedDiff::Append(diff, "f", before, after);
    const DiffReading reading = DiffReader::Read(diff, "/base");
    Check(reading.damage.empty());
    Check(reading.files.size() == (before == after ? 0u : 1u));
    if (reading.files.empty()) return 0;
    const FilePatch& patch = reading.files.front();
    Check(patch.Apply(before) == std::string(after));

    for (const bool lineForLine : {true, false}) {
        const std::size_t changes = patch.Changes(lineForLine).size();
        // Every other change, starting with the first or the second.
        const std::size_t parity = size % 2;
        const FilePatch some =
            patch.Keeping(lineForLine, [parity](std::size_t i) { return i % 2 == parity; });
        std::string written = "--- a/f\n+++ b/f\n";
        some.AppendHunks(written);
        const DiffReading again = DiffReader::Read(written, "/base");
        Check(again.damage.empty());
        const bool any = changes > parity;
        Check(again.files.size() == (any ? 1u : 0u));
        if (any) Check(again.files.front().Apply(before).has_value());
        const FilePatch all = patch.Keeping(lineForLine, [](std::size_t) { return true; });
        Check(all.Apply(before) == std::string(after));
    }
    return 0;
}
