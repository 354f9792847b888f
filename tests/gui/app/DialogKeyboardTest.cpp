// Every dialog worked from the keyboard: Tab walks its controls in the order the eye reads
// them, each control it reaches has a name a screen reader can say, and no two of its
// Alt letters are the same. And every caption of a dialog or of the main window has the
// room its text needs.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <sstream>

#include "gui/batch/BatchModeDlg.h"
#include "gui/batch/EditPairsDlg.h"
#include "gui/batch/SelectPairDlg.h"
#include "gui/history/RunHistoryDlg.h"
#include "gui/log/FindDlg.h"
#include "gui/log/GoToDlg.h"
#include "gui/options/MySheet.h"
#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/run/ConvertDlg.h"
#include "gui/run/ExtStringDlg.h"
#include "gui/run/SearchReplaceDlg.h"
#include "gui/run/SetSessionSwitchDlg.h"
#include "gui/selection/OverrideDlg.h"
#include "gui/selection/StartDirDlg.h"
#include "gui/selection/UnknownExtDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

// A control Tab stops at, where it stands in its window.
struct TabStop {
    QWidget* widget;
    QRect place;
};

// Pixels two edges may differ by and still count as lined up.
constexpr int kSlack = 3;

std::string Describe(const TabStop& stop) {
    std::ostringstream text;
    text << stop.widget->metaObject()->className();
    QString name = stop.widget->accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(stop.widget)) {
        if (name.isEmpty()) name = button->text();
    }
    if (!name.isEmpty()) text << " \"" << name.toStdString() << '"';
    text << " at (" << stop.place.x() << ',' << stop.place.y() << ' ' << stop.place.width() << 'x'
         << stop.place.height() << ')';
    return text.str();
}

// The widgets Tab moves through, in the order it takes them, as Qt chooses them: visible,
// taking focus from Tab, not standing in for another widget. Disabled controls are kept:
// their place in the order counts once they are enabled.
std::vector<TabStop> TabStops(QWidget& window) {
    std::vector<TabStop> stops;
    int guard = 0;
    for (QWidget* widget = window.nextInFocusChain(); widget != &window && guard < 10'000;
         widget = widget->nextInFocusChain(), ++guard) {
        if (widget->window() != &window || !widget->isVisible() || widget->focusProxy()) continue;
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        stops.push_back({widget, QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size())});
    }
    return stops;
}

bool OnOneRow(const QRect& a, const QRect& b) {
    const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    return overlap * 2 >= std::min(a.height(), b.height());
}

// Whether the eye meets `first` before `second` whichever way a layout is read, row by row
// or column by column: on a shared row it stands wholly to the left; otherwise it stands
// higher and not to the right. A control higher and to the right may come later: Tab has
// then wrapped into the next column.
bool ReadBefore(const QRect& first, const QRect& second) {
    if (OnOneRow(first, second)) return first.right() < second.left() + kSlack;
    return first.center().y() < second.center().y() && first.left() <= second.left() + kSlack;
}

// Each pair of stops that Tab takes against the reading order, described.
std::vector<std::string> OrderFaults(const std::vector<TabStop>& stops) {
    std::vector<std::string> faults;
    for (std::size_t later = 1; later < stops.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (ReadBefore(stops[later].place, stops[earlier].place)) {
                faults.push_back("Tab reaches " + Describe(stops[later]) + " after " +
                                 Describe(stops[earlier]) + ", which it stands before");
            }
        }
    }
    return faults;
}

// A box where Tab types a tab: the keyboard leaves it with the keys of the dialog's buttons.
bool TakesTabAsText(const QWidget* widget) {
    const auto* editor = qobject_cast<const QPlainTextEdit*>(widget);
    return editor && !editor->isReadOnly() && !editor->tabChangesFocus();
}

// The enabled stops as Tab meets them: the radio buttons of one group are one stop, since
// Tab enters a group at one of them and the arrow keys go on inside it.
std::vector<std::vector<QWidget*>> TabKeyStops(const std::vector<TabStop>& stops) {
    std::vector<std::vector<QWidget*>> groups;
    const QWidget* lastRadioParent = nullptr;
    for (const TabStop& stop : stops) {
        if (!stop.widget->isEnabled()) continue;
        const auto* radio = qobject_cast<const QRadioButton*>(stop.widget);
        const QWidget* radioParent =
            radio && radio->autoExclusive() ? radio->parentWidget() : nullptr;
        if (radioParent && radioParent == lastRadioParent) {
            groups.back().push_back(stop.widget);
        } else {
            groups.push_back({stop.widget});
        }
        lastRadioParent = radioParent;
    }
    return groups;
}

// The Tab key itself, pressed from the first enabled control, goes round the enabled ones
// in the order of the chain: no control keeps the key or sends the focus elsewhere.
void ExpectTabKeyWalks(QWidget& window, const std::vector<TabStop>& stops) {
    const std::vector<std::vector<QWidget*>> groups = TabKeyStops(stops);
    if (groups.empty()) return;
    QApplication::setActiveWindow(&window);
    groups.front().front()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const auto place = [&window](QWidget* widget) {
        if (!widget) return std::string("nothing");
        return Describe({widget, QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size())});
    };
    for (std::size_t step = 1; step <= groups.size(); ++step) {
        QWidget* from = QApplication::focusWidget();
        ASSERT_NE(from, nullptr);
        const std::vector<QWidget*>& wanted = groups[step % groups.size()];
        if (TakesTabAsText(from)) {
            wanted.front()->setFocus(Qt::TabFocusReason);
            continue;
        }
        QTest::keyClick(from, Qt::Key_Tab);
        QApplication::processEvents();
        QWidget* reached = QApplication::focusWidget();
        if (std::find(wanted.begin(), wanted.end(), reached) == wanted.end()) {
            ADD_FAILURE() << "Tab from " << place(from) << " reaches " << place(reached)
                          << " instead of " << place(wanted.front());
            return;
        }
    }
}

// Each control Tab reaches has a name, and none is reached after one it should follow;
// with `pressTab`, the Tab key goes round them too.
// The Alt letter of a control's text ("&Find" gives F), none without one.
std::optional<QKeySequence> AltLetterOf(const QString& text) {
    const QKeySequence letter = QKeySequence::mnemonic(text);
    if (letter.isEmpty()) return std::nullopt;
    return letter;
}

// Letters the design's own texts give twice, word for word as the design has them; any
// other letter given twice is a fault.
const QStringList kDesignsSharedLetters = {
    QStringLiteral("Replace &All this File | &Abort"),
    QStringLiteral("Add All Extensions to &Always Search | &Abort"),
    QStringLiteral("Searc&h Subdirectories | &Help"),
    QStringLiteral("Automatically Set ? and * are &Wild Cards | Prompt to Set ? and * are &Wild "
                   "Cards"),
};

// Two shown controls of `window` whose texts give the same Alt letter: Alt then only moves
// between them instead of acting.
std::vector<std::string> AltLetterClashes(QWidget& window) {
    std::map<int, QStringList> owners;
    const auto note = [&owners](const QWidget* widget, const QString& text) {
        if (!widget->isVisible()) return;
        if (const auto letter = AltLetterOf(text)) owners[(*letter)[0].toCombined()] << text;
    };
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        note(button, button->text());
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) note(label, label->text());
    for (const QGroupBox* group : window.findChildren<QGroupBox*>()) note(group, group->title());
    for (const QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) note(tabs, tabs->tabText(i));
    }
    std::vector<std::string> clashes;
    for (const auto& [letter, texts] : owners) {
        if (texts.size() > 1 &&
            !kDesignsSharedLetters.contains(texts.join(QStringLiteral(" | ")))) {
            clashes.push_back("Alt letter " + QKeySequence(letter).toString().toStdString() +
                              " is shared by \"" +
                              texts.join(QStringLiteral("\", \"")).toStdString() + "\"");
        }
    }
    return clashes;
}

// Each caption of `window` with less room than its text needs, so that it is drawn cut: a
// label, a button's text or a group's title.
std::vector<std::string> CutCaptions(QWidget& window) {
    std::vector<std::string> cut;
    const auto note = [&cut](const QWidget* widget, const QString& text, int room, int needed) {
        if (!widget->isVisible() || text.isEmpty() || room >= needed) return;
        cut.push_back(std::string(widget->metaObject()->className()) + " \"" + text.toStdString() +
                      "\" has " + std::to_string(room) + " pixels of the " +
                      std::to_string(needed) + " it needs");
    };
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->wordWrap()) {
            note(label, label->text(), label->height(), label->heightForWidth(label->width()));
        } else {
            note(label, label->text(), label->width(), label->minimumSizeHint().width());
        }
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (qobject_cast<const QPushButton*>(button)) {
            // A push button's own hint asks for a least width even for a short text.
            const QStyle* style = button->style();
            const int margins =
                style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            QString shown = button->text();
            shown.remove(u'&');
            note(button, button->text(), button->width(),
                 button->fontMetrics().horizontalAdvance(shown) + margins);
        } else {
            note(button, button->text(), button->width(), button->minimumSizeHint().width());
        }
    }
    for (const QGroupBox* group : window.findChildren<QGroupBox*>()) {
        note(group, group->title(), group->width(), group->minimumSizeHint().width());
    }
    return cut;
}

void ExpectKeyboardAccess(QWidget& window, const std::string& what, bool pressTab = true) {
    SCOPED_TRACE(what);
    window.show();
    QApplication::processEvents();
    const std::vector<TabStop> stops = TabStops(window);
    ASSERT_FALSE(stops.empty());
    for (const TabStop& stop : stops) {
        if (stop.widget->accessibleName().isEmpty())
            ADD_FAILURE() << Describe(stop) << " has no name";
    }
    for (const std::string& fault : OrderFaults(stops)) ADD_FAILURE() << fault;
    for (const std::string& clash : AltLetterClashes(window)) ADD_FAILURE() << clash;
    for (const std::string& caption : CutCaptions(window)) ADD_FAILURE() << caption;
    if (pressTab) ExpectTabKeyWalks(window, stops);
}

class DialogKeyboardTest : public test::GuiFixture {
protected:
    CKestoDoc& Doc() {
        if (!doc) doc = std::make_unique<CKestoDoc>(settingsPath(), hosts(), "Kesto1");
        return *doc;
    }
    void AddPair(const char* search, const char* replace) {
        CBatchSR& pair = Doc().session().batchPairs().AddNewPair();
        pair.m_nIndex = static_cast<int>(Doc().session().batchPairs().size()) - 1;
        pair.m_strSearch = search;
        pair.m_strReplace = replace;
    }

    std::unique_ptr<CKestoDoc> doc;
};

// The check itself: a grid of two rows of two buttons, Tab taken along the rows, down the
// columns, and then with two buttons of one row or of one column exchanged.
TEST(KeyboardOrderCheckTest, AcceptsRowsAndColumnsAndFindsAnExchangedPair) {
    QDialog dialog;
    auto* grid = new QGridLayout(&dialog);
    std::array<QPushButton*, 4> buttons{};
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new QPushButton(QStringLiteral("Button %1").arg(i), &dialog);
        grid->addWidget(buttons[i], i / 2, i % 2);
    }
    dialog.show();
    QApplication::processEvents();
    const auto faultsWith = [&buttons](std::array<int, 4> order) {
        for (std::size_t i = 1; i < order.size(); ++i) {
            QWidget::setTabOrder(buttons[order[i - 1]], buttons[order[i]]);
        }
        return OrderFaults(TabStops(*buttons[0]->window())).size();
    };
    EXPECT_EQ(faultsWith({0, 1, 2, 3}), 0u) << "row by row";
    EXPECT_EQ(faultsWith({0, 2, 1, 3}), 0u) << "column by column";
    EXPECT_GT(faultsWith({1, 0, 2, 3}), 0u) << "right before left";
    EXPECT_GT(faultsWith({2, 1, 0, 3}), 0u) << "below before above";
}

// The check itself: captions laid out at their own size fit; squeezed, each is found.
TEST(CaptionCheckTest, FindsEachKindOfCaptionSqueezedBelowItsText) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    const std::vector<QWidget*> captions = {
        new QLabel(QStringLiteral("A label of some length"), &dialog),
        new QPushButton(QStringLiteral("A &button of some length"), &dialog),
        new QCheckBox(QStringLiteral("A check box of some length"), &dialog),
        new QGroupBox(QStringLiteral("A group of some length"), &dialog),
    };
    for (QWidget* caption : captions) layout->addWidget(caption);
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(CutCaptions(dialog).empty());
    for (QWidget* caption : captions) caption->setFixedWidth(40);
    QApplication::processEvents();
    EXPECT_EQ(CutCaptions(dialog).size(), captions.size());
}

TEST_F(DialogKeyboardTest, TheRunDialogs) {
    CSearchReplaceDlg::Doors doors;
    doors.batchMode = true;
    doors.selectFiles = [](QWidget*) { return true; };
    doors.override = [](QWidget*) {};
    CSearchReplaceDlg searchReplace(Doc(), false, false, doors);
    ExpectKeyboardAccess(searchReplace, "search/replace");
    // Any control but the list closes the list: Tab cannot go round with it open.
    searchReplace.control(SearchReplaceForm::SpecialChar)->click();
    ASSERT_TRUE(searchReplace.specialList()->isVisible());
    ExpectKeyboardAccess(searchReplace, "search/replace with its special characters", false);

    ConfirmRequest request;
    request.fileName = "/w/file.txt";
    request.lineNumber = "00007";
    request.displayedLine = "a cat sat";
    request.highlightStart = 2;
    request.highlightEnd = 5;
    request.matchStart = 2;
    request.matchLength = 3;
    CConfirmReplaceDlg confirm(request);
    ExpectKeyboardAccess(confirm, "confirm");
    confirm.button(CConfirmReplaceDlg::YouEditIt)->click();
    ExpectKeyboardAccess(confirm, "confirm, editing the line");

    std::optional<ConversionDirection> conversion;
    CConvertDlg convert(conversion);
    ExpectKeyboardAccess(convert, "convert");
    CExtStringDlg extended(QStringLiteral("Search String"), QStringLiteral("two\nlines"));
    ExpectKeyboardAccess(extended, "extended string");
    CSetSpecialCharDlg special(QStringLiteral("a\\tb"));
    ExpectKeyboardAccess(special, "special char session question");
}

// The list of special characters takes the focus from the button that opens it, and the
// arrow keys and Enter pick an entry into the field.
TEST_F(DialogKeyboardTest, ASpecialCharacterIsPickedWithTheKeys) {
    CSearchReplaceDlg::Doors doors;
    doors.batchMode = true;
    CSearchReplaceDlg dialog(Doc(), false, false, doors);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.searchBox()->lineEdit()->setText(QStringLiteral("a"));
    QAbstractButton* specialChar = dialog.control(SearchReplaceForm::SpecialChar);
    specialChar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(specialChar, Qt::Key_Space);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), dialog.specialList());
    // The first entry is current as the list takes the focus; Down goes to the second.
    QTest::keyClick(dialog.specialList(), Qt::Key_Down);
    QTest::keyClick(dialog.specialList(), Qt::Key_Return);
    EXPECT_EQ(dialog.searchBox()->currentText(), QStringLiteral("a\\v"));
    EXPECT_FALSE(dialog.specialList()->isVisible());
    EXPECT_TRUE(dialog.isVisible()) << "Enter picked the entry and did not begin the run";
    EXPECT_EQ(QApplication::focusWidget(), dialog.searchBox());
}

TEST_F(DialogKeyboardTest, TheBatchDialogs) {
    CBatchModeDlg batch(Doc(), false, nullptr, nullptr);
    ExpectKeyboardAccess(batch, "batch");
    {
        CEditPairsDlg empty(Doc());
        ExpectKeyboardAccess(empty, "pair editor without pairs");
    }
    AddPair("cat", "dog");
    AddPair("red", "blue");
    CEditPairsDlg editor(Doc());
    ExpectKeyboardAccess(editor, "pair editor");
    CSelectPairDlg select(Doc().session().batchPairs());
    ExpectKeyboardAccess(select, "pair list");
}

TEST_F(DialogKeyboardTest, TheSelectionDialogs) {
    StartDirectoryChoice initial;
    initial.startDirectory = "/w/src";
    initial.fileFilter = " *.*";
    initial.namedFilters = {" *.*", " *.txt"};
    CStartDirDlg startDirectory(initial);
    ExpectKeyboardAccess(startDirectory, "start directory");
    ExtensionLists& lists = Doc().session().extensions();
    lists.alwaysExcludeList = {"EXE", "DLL"};
    lists.overrideList = {"exe"};
    COverrideDlg override(lists);
    ExpectKeyboardAccess(override, "override");
    CUnknownExtDlg unknown("/w/data", "XYZ");
    ExpectKeyboardAccess(unknown, "unknown extension");
}

TEST_F(DialogKeyboardTest, EveryPageOfTheOptionsSheet) {
    CMySheet sheet(Doc());
    for (int page = 0; page < sheet.tabs()->count(); ++page) {
        sheet.tabs()->setCurrentIndex(page);
        ASSERT_EQ(sheet.tabs()->currentIndex(), page) << "a page refused to be left";
        ExpectKeyboardAccess(sheet, "options, page " + sheet.tabs()->tabText(page).toStdString());
    }
}

TEST_F(DialogKeyboardTest, TheLogAndHistoryDialogs) {
    CFindDlg find({"cat", "dog"});
    ExpectKeyboardAccess(find, "find");
    CGoToDlg goTo(2, 3);
    ExpectKeyboardAccess(goTo, "go to");
    RunHistory history(dir / "state");
    CRunHistoryDlg runs(history);
    ExpectKeyboardAccess(runs, "run history");
}

// The log view is reached with Tab too, and named.
TEST_F(DialogKeyboardTest, TheMainWindowWithASessionWindow) {
    NewWindow();
    for (const TabStop& stop : TabStops(Frame())) {
        EXPECT_FALSE(stop.widget->accessibleName().isEmpty()) << Describe(stop) << " has no name";
    }
    ASSERT_NE(Frame().activeView(), nullptr);
    EXPECT_TRUE(Frame().activeView()->list()->focusPolicy() & Qt::TabFocus);
}

// The status panes show their texts whole, on any screen: those of a log of more than one
// display frame too.
TEST_F(DialogKeyboardTest, TheStatusPanesOfTheMainWindowReadInFull) {
    NewWindow();
    for (const std::string& cut : CutCaptions(Frame())) ADD_FAILURE() << cut;
    ASSERT_NE(Open(WriteLog("long.log", NumberedLines(32'001))), nullptr);
    Frame().activeView()->OnNextFrame();
    Frame().UpdateCommandUI();
    QApplication::processEvents();
    EXPECT_EQ(Frame().paneText(2), "Display Frame 2 of 2");
    for (const std::string& cut : CutCaptions(Frame())) ADD_FAILURE() << cut;
}

}  // namespace
}  // namespace kesto
