// Runs whose files are read and scanned ahead by workers give the log and the files of the
// same run on one thread, whatever kind of run it is and wherever the log's line limit
// falls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

#include "session/SessionDocument.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;
using Lines = std::vector<std::string>;

// The log and every file of the tree after a run.
struct RunResult {
    Lines log;
    std::map<std::string, std::string> files;
};

class ReadAheadRunTest : public ::testing::Test {
protected:
    // Files of every kind a run meets, in one folder, listed in an order of their own: with
    // a link to one of them and one of them twice.
    std::vector<std::string> MakeTree(int files, int matchingLines) {
        fs::remove_all(tree);
        fs::create_directories(tree);
        std::vector<std::string> list;
        const char* breaks[] = {"\n", "\r\n", "\r"};
        for (int f = 0; f < files; ++f) {
            std::string text;
            for (int line = 0; line < 40 + f * 7; ++line) {
                if (line % 5 == 0 && line / 5 < matchingLines) {
                    text += "the Cat and the cat, concat  CAT cats\t ";
                } else {
                    text += "line " + std::to_string(line) + " plain  ";
                }
                text += breaks[f % 3];
            }
            if (f % 9 == 4) text = "no match here\n";
            const std::string path = tree + "/f" + std::to_string(f) + ".txt";
            WriteFile(path, text);
            list.push_back(path);
        }
        WriteFile(tree + "/binary.txt", std::string("cat\0cat\n", 8));
        WriteFile(tree + "/empty.txt", "");
        fs::create_symlink(tree + "/f3.txt", tree + "/link.txt");
        list.insert(list.begin() + 2, tree + "/binary.txt");
        list.insert(list.begin() + 5, tree + "/empty.txt");
        list.insert(list.begin() + 1, tree + "/link.txt");
        list.push_back(tree + "/f3.txt");
        list.push_back(tree + "/f0.txt");
        return list;
    }

    RunResult Run(RunRequest request, int threads, int prefill = 0) {
        SessionDocument document(dir / "k.INI",
                                 SessionHosts{prompter, confirmer, status, hosts, hosts, hosts});
        document.settings.threads = threads;
        document.options.showNoFinds = true;
        for (int i = 0; i < prefill; ++i) document.log().AddPlainLogLine("earlier");
        request.files = MakeTree(fileCount, catLines);
        document.RunRequested(request);
        RunResult result;
        const std::regex elapsed("Elapsed Time [0-9]+ milliseconds");
        for (int i = prefill; i < document.log().logLineCount(); ++i) {
            result.log.push_back(
                std::regex_replace(std::string(document.log().line(i)), elapsed, "Elapsed Time"));
        }
        for (const auto& entry : fs::directory_iterator(tree)) {
            result.files[entry.path().string()] = test::ReadFile(entry.path().string());
        }
        return result;
    }

    void ExpectAsOnOneThread(const RunRequest& request, int prefill = 0) {
        const RunResult one = Run(request, 1, prefill);
        ASSERT_GT(one.log.size(), 10u)
            << (prompter.messages.empty() ? "" : prompter.messages.back());
        for (const int threads : {2, 4, 0}) {
            const RunResult many = Run(request, threads, prefill);
            const auto differs =
                std::mismatch(many.log.begin(), many.log.end(), one.log.begin(), one.log.end());
            EXPECT_TRUE(differs.first == many.log.end() && differs.second == one.log.end())
                << threads << " threads: log line " << differs.first - many.log.begin() << " of "
                << many.log.size() << " against " << one.log.size() << " on one thread";
            for (const auto& [path, bytes] : one.files) {
                const auto file = many.files.find(path);
                EXPECT_TRUE(file != many.files.end() && file->second == bytes)
                    << threads << " threads: " << path;
            }
            EXPECT_EQ(many.files.size(), one.files.size()) << threads << " threads";
        }
    }

    static RunRequest Single(std::string search, std::string replace) {
        RunRequest request;
        request.values.searchText = std::move(search);
        request.values.replaceText = std::move(replace);
        request.values.confirmEachReplace = false;
        request.values.globalReplace = true;
        return request;
    }

    RunRequest Batch(const std::vector<std::pair<std::string, std::string>>& pairs) {
        std::string text;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            text += "#!S!#" + n + "#\r\n" + pairs[i].first + "\r\n#!R!#" + n + "#\r\n" +
                    pairs[i].second + "\r\n";
        }
        WriteFile(dir / "pairs.sr", text);
        RunRequest request = Single("", "");
        request.batchFile = dir / "pairs.sr";
        return request;
    }

    test::TempDir dir;
    const std::string tree = dir / "t";
    int fileCount = 40;
    int catLines = 1000;
    test::ScriptedPrompter prompter;
    test::ScriptedConfirmer confirmer;
    test::RecordingStatusHost status;
    test::ScriptedSessionHosts hosts;
};

TEST_F(ReadAheadRunTest, SingleModeRunsOfEveryKindLogAndWriteAsOnOneThread) {
    RunRequest literal = Single("cat", "dog");
    literal.values.matchCase = true;
    ExpectAsOnOneThread(literal);

    RunRequest word = Single("cat", "a dog");
    word.values.matchWholeWord = true;
    ExpectAsOnOneThread(word);

    RunRequest first = Single("CAT", "cow");
    first.values.firstInstanceOnly = true;
    first.values.allInstancesInLine = false;
    ExpectAsOnOneThread(first);

    RunRequest wildcards = Single("c?t", "d?g");
    wildcards.values.wildcardSession = true;
    ExpectAsOnOneThread(wildcards);

    RunRequest regex = Single("c(a)t", "d$1g");
    regex.values.regularExpression = true;
    ExpectAsOnOneThread(regex);

    RunRequest preview = Single("cat", "cow");
    preview.preview = true;
    ExpectAsOnOneThread(preview);
}

TEST_F(ReadAheadRunTest, BatchStripInsertAndConversionRunsLogAndWriteAsOnOneThread) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < 14; ++i) pairs.emplace_back("line " + std::to_string(i), "L");
    pairs.emplace_back("cat", "dog");
    ExpectAsOnOneThread(Batch(pairs));
    ExpectAsOnOneThread(Batch({{"cat", "dog"}, {"dog", "cow"}, {"plain", ""}}));

    RunRequest strip = Single("~", "");
    strip.values.specialCharSession = true;
    ExpectAsOnOneThread(strip);

    RunRequest insert = Single(">>", "3");
    insert.values.insertAtColumn = true;
    ExpectAsOnOneThread(insert);

    RunRequest convert = Single("\\n", "\\r\\n");
    convert.values.specialCharSession = true;
    convert.conversion = ConversionDirection{LineBreakType::Unix, LineBreakType::Dos};
    ExpectAsOnOneThread(convert);
}

TEST_F(ReadAheadRunTest, TheLineLimitFallsWhereItFallsOnOneThread) {
    // Each file logs about 3 lines for each of its 40 changed lines; the limit comes in the
    // middle of the run, and in the middle of a file.
    fileCount = 30;
    catLines = 40;
    ExpectAsOnOneThread(Single("cat", "dog"), LogStore::kLineLimit - 2000);
}

}  // namespace
}  // namespace kesto
