// The benchmark corpus, the same on every machine: 2,000 text files of about 200 MB in 125
// folders three deep, one file of exactly 8 MiB, and a batch file of 100 pairs (with the
// same pairs for sed and perl); also a tree of 100,000 empty files in 1,000 folders for the
// walk, and a saved log of 2,048,000 lines.
//
//   kesto_make_corpus DIR    writes DIR/tree, DIR/big.txt, DIR/pairs.sr, DIR/pairs.sed,
//                            DIR/pairs.pl, DIR/walk, DIR/big.log
//   kesto_make_corpus --tree-only DIR    writes DIR/tree only
//   kesto_make_corpus --million DIR      writes DIR/million: 1,000,000 text files of 1 to
//                                        4 KiB in 10,000 folders two deep
//   kesto_make_corpus --encodings DIR    writes DIR/utf8 and DIR/utf16: the same 400 texts
//                                        (some words beyond ASCII), in UTF-8 and in UTF-16
//                                        LE with a byte-order mark
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr int kFanOut = 5;  // 5 x 5 x 5 = 125 folders
constexpr std::size_t kBigFileSize = 8'388'608;
constexpr const char* kPlanted = "planted";

std::vector<std::string> MakeWords(std::mt19937& random) {
    static const char* syllables[] = {"ka",  "lo",  "mi", "ter", "son", "ra",  "vel", "dun",
                                      "pri", "ost", "ne", "ga",  "bel", "tor", "fi",  "um"};
    std::vector<std::string> words;
    while (words.size() < 400) {
        std::string word;
        const int parts = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < parts; ++i) word += syllables[random() % 16];
        if (word != kPlanted) words.push_back(word);
    }
    return words;
}

std::string PlantedWord(std::mt19937& random) {
    if (random() % 10 != 0) return kPlanted;
    return random() % 2 ? "Planted" : "PLANTED";
}

// Lines of 40 to 120 characters of words until `size` bytes.
std::string MakeText(std::mt19937& random, const std::vector<std::string>& words, std::size_t size,
                     bool crlf, bool planted) {
    const std::string lineBreak = crlf ? "\r\n" : "\n";
    std::string text;
    while (text.size() < size) {
        const std::size_t length = 40 + random() % 81;
        std::string line;
        const bool plantHere = planted && random() % 10 == 0;
        const std::size_t plantAt = plantHere ? random() % 4 : 99;
        for (std::size_t word = 0; line.size() < length; ++word) {
            if (!line.empty()) line += ' ';
            line += word == plantAt ? PlantedWord(random) : words[random() % words.size()];
        }
        text += line + lineBreak;
    }
    return text;
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace

// A million small files: slices of a few long texts, written without a stream each.
bool WriteMillionFiles(const std::filesystem::path& root, std::mt19937& random,
                       const std::vector<std::string>& words) {
    std::vector<std::string> texts;
    for (int i = 0; i < 64; ++i) texts.push_back(MakeText(random, words, 64 * 1024, i % 2, false));
    for (int folder = 0; folder < 10'000; ++folder) {
        const std::filesystem::path dir = root / "million" / ("d" + std::to_string(folder / 100)) /
                                          ("d" + std::to_string(folder % 100));
        std::filesystem::create_directories(dir);
        for (int file = 0; file < 100; ++file) {
            const std::string& text = texts[random() % texts.size()];
            const std::size_t size = 1024 + random() % (3 * 1024 + 1);
            const std::size_t from = random() % (text.size() - size);
            const std::string path = (dir / ("f" + std::to_string(file) + ".txt")).string();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) return false;
            const bool written =
                ::write(fd, text.data() + from, size) == static_cast<ssize_t>(size);
            if (::close(fd) != 0 || !written) return false;
        }
    }
    return true;
}

// `utf8` (valid UTF-8 of the Basic Multilingual Plane) as UTF-16 LE with its mark.
std::string Utf16Of(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        unsigned codePoint = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
        for (std::size_t k = 1; k < length; ++k) {
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out += static_cast<char>(codePoint & 0xFF);
        out += static_cast<char>(codePoint >> 8);
        i += length;
    }
    return out;
}

// Two trees of the same text, one in each encoding.
void WriteEncodingTrees(const std::filesystem::path& root, std::mt19937& random,
                        std::vector<std::string> words) {
    for (const char* word :
         {"k\xC3\xA4\xC3\xA4pi\xC3\xB6",
          "gr\xC3\xBC\xC3\x9F"
          "e",
          "\xE6\x97\xA5\xE6\x9C\xAC", "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82"}) {
        words.insert(words.end(), 10, word);
    }
    for (int file = 0; file < 400; ++file) {
        const std::string folder = "d" + std::to_string(file % 20);
        std::filesystem::create_directories(root / "utf8" / folder);
        std::filesystem::create_directories(root / "utf16" / folder);
        const std::size_t size = 4096 + random() % (128 * 1024);
        const std::string text = MakeText(random, words, size, file % 2 == 0, file % 10 < 3);
        const std::string name = "file" + std::to_string(file) + ".txt";
        Write(root / "utf8" / folder / name, text);
        Write(root / "utf16" / folder / name, Utf16Of(text));
    }
}

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    const bool treeOnly = mode == "--tree-only";
    if (argc != 2 && !treeOnly && mode != "--million" && mode != "--encodings") {
        std::cerr << "usage: kesto_make_corpus [--tree-only | --million | --encodings] DIR\n";
        return 2;
    }
    const std::filesystem::path root = argv[argc - 1];
    std::mt19937 random(20261207);
    const std::vector<std::string> words = MakeWords(random);
    if (mode == "--million") return WriteMillionFiles(root, random, words) ? 0 : 1;
    if (mode == "--encodings") {
        WriteEncodingTrees(root, random, words);
        return 0;
    }

    std::uintmax_t total = 0;
    for (int file = 0; file < kFiles; ++file) {
        const int folder = file % (kFanOut * kFanOut * kFanOut);
        const std::filesystem::path dir = root / "tree" / ("d" + std::to_string(folder / 25)) /
                                          ("d" + std::to_string(folder / 5 % 5)) /
                                          ("d" + std::to_string(folder % 5));
        std::filesystem::create_directories(dir);
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        const auto size = static_cast<std::size_t>(1024 + 399.0 * 1024 * std::pow(u, 2.8));
        const std::string text = MakeText(random, words, size, file % 2 == 0, file % 10 < 3);
        Write(dir / ("file" + std::to_string(file) + ".txt"), text);
        total += text.size();
    }
    if (treeOnly) return 0;

    std::string big = MakeText(random, words, kBigFileSize - 200, false, true);
    big.resize(kBigFileSize - 1, 'x');
    big += '\n';
    Write(root / "big.txt", big);

    std::string sr;
    std::string sed;
    std::string perl;
    for (int pair = 1; pair <= 100; ++pair) {
        const std::string& from = words[static_cast<std::size_t>(pair) * 3];
        const std::string to = from + "X";
        if (pair > 1) sr += "\r\n";
        sr += "#!S!#" + std::to_string(pair) + "#\r\n" + from + "\r\n#!R!#" + std::to_string(pair) +
              "#\r\n" + to;
        sed += "s/" + from + "/" + to + "/g\n";
        perl += "s/" + from + "/" + to + "/g;";
    }
    Write(root / "pairs.sr", sr);
    Write(root / "pairs.sed", sed);
    Write(root / "pairs.pl", perl);

    // The walk's tree: 100,000 empty files in 1,000 folders (10 x 100).
    for (int top = 0; top < 10; ++top) {
        for (int sub = 0; sub < 100; ++sub) {
            const std::filesystem::path dir =
                root / "walk" / ("w" + std::to_string(top)) / ("s" + std::to_string(sub));
            std::filesystem::create_directories(dir);
            for (int file = 0; file < 100; ++file) {
                std::ofstream(dir / ("f" + std::to_string(file) + (file % 4 ? ".txt" : ".c")));
            }
        }
    }

    // A saved log of the most lines a window keeps, with one line to find at its end.
    {
        std::ofstream log(root / "big.log", std::ios::binary | std::ios::trunc);
        for (int line = 0; line < 2'047'999; ++line) {
            log << "ORG: " << std::setw(5) << std::setfill('0') << line % 99999 << ' '
                << words[static_cast<std::size_t>(line) % words.size()]
                << " and some more text\r\n";
        }
        log << "the last line holds the needle\r\n";
    }
    std::cout << kFiles << " files, " << total << " bytes in " << (root / "tree").string() << "\n";
    return 0;
}
