#include "platform/qt/EditorLauncher.h"

#include <gtest/gtest.h>

#include "platform/qt/DisplayText.h"
#include "support/QtPrinters.h"

namespace kesto {
namespace {

TEST(EditorCommandTest, PlaceholdersAreFilledInsideTheWordsOfTheTemplate) {
    const QString path = QStringLiteral("/src/my file;$(x).c");
    struct Row {
        QString editorTemplate;
        QStringList expected;
    };
    const std::vector<Row> rows = {
        {"gedit +%l %f", {"gedit", "+42", path}},
        {"edit --line %l --file=%f", {"edit", "--line", "42", "--file=" + path}},
        {"vi %f +%l", {"vi", path, "+42"}},
        {"code -g %f:%l", {"code", "-g", path + ":42"}},
        {"code -g %l:%f", {"code", "-g", "42:" + path}},
        {"\"/opt/my editor/ed\" %f", {"/opt/my editor/ed", path}},
        {"xdg-open", {"xdg-open", path}},
        {"ed -n%l", {"ed", "-n%l", path}},  // no file placeholder: no line number either
        {"ed %f %f %l %l", {"ed", path, "%f", "42", "%l"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BuildEditorCommand(row.editorTemplate, path, 42), row.expected)
            << row.editorTemplate.toStdString();
    }
    EXPECT_TRUE(BuildEditorCommand(QString(), path, 1).isEmpty());
}

TEST(EditorCommandTest, AFileNameHoldingAPlaceholderIsNotFilledAgain) {
    EXPECT_EQ(BuildEditorCommand("ed %f:%l", "/a%l.txt", 7), (QStringList{"ed", "/a%l.txt:7"}));
}

TEST(DisplayTextTest, BytesShowAsUtf8WhereValidElseLatin1) {
    EXPECT_EQ(DisplayText("gr\xC3\xBC\xC3\x9F"), QString::fromUtf8("grüß"));
    EXPECT_EQ(DisplayText("gr\xFC\xDF"), QString::fromLatin1("gr\xFC\xDF"));
    EXPECT_EQ(DisplayText(std::string_view("a\0b", 3)).size(), 3);
    EXPECT_EQ(TypedBytes(QString::fromUtf8("ü")), "\xC3\xBC");
}

}  // namespace
}  // namespace kesto
