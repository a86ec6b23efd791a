#include "UIKitTestSupport.h"

#include "platform/UIKit/TextUnits.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qv;

namespace {

// Lets through only texts whose number lies in 0...999, with the field's
// own rule for the prospective text, and writes down what it is asked.
class AmountFilter : public UITextFieldDelegate {
public:
    bool textFieldShouldBeginEditing(UITextField*) override { calls.push_back("should begin"); return allowBegin; }
    void textFieldDidBeginEditing(UITextField*) override { calls.push_back("did begin"); }
    bool textFieldShouldEndEditing(UITextField*) override { calls.push_back("should end"); return allowEnd; }
    void textFieldDidEndEditing(UITextField*) override { calls.push_back("did end"); }
    bool textFieldShouldReturn(UITextField*) override { calls.push_back("should return"); return allowReturn; }
    bool textFieldShouldClear(UITextField*) override { calls.push_back("should clear"); return true; }
    bool textField(UITextField* field, NSRange range, const std::string& replacement) override
    {
        calls.push_back("change " + std::to_string(range.location) + "," + std::to_string(range.length) + " '" + replacement + "'");
        std::string candidate = field->text();
        if (range.length == 1)
            candidate.pop_back();
        else
            candidate += replacement;
        long value = std::strtol(candidate.c_str(), nullptr, 10);
        return value >= 0 && value <= 999;
    }

    bool allowBegin = true;
    bool allowEnd = true;
    bool allowReturn = true;
    std::vector<std::string> calls;
};

class TextFieldTest : public ::testing::Test {
protected:
    Ref<UITextField> field = makeRef<UITextField>(CGRectMake(10, 54, 160, 24));
    Ref<AmountFilter> filter = makeRef<AmountFilter>();
    std::vector<std::string> events;

    void SetUp() override
    {
        field->setDelegate(filter);
        field->setPlaceholder("Icon Amount");
        field->setKeyboardType(UIKeyboardTypeNumberPad);
        const std::pair<uint64_t, const char*> names[] = {
            { UIControlEventEditingDidBegin, "began" }, { UIControlEventEditingChanged, "changed" },
            { UIControlEventEditingDidEnd, "ended" }, { UIControlEventEditingDidEndOnExit, "exit" },
        };
        for (const auto& [event, name] : names)
            field->addTarget(nullptr, [this, name = std::string(name)](UIControl&, UIEvent*) { events.push_back(name); }, event);
    }
    void TearDown() override { field->resignFirstResponder(); }
};

} // namespace

TEST_F(TextFieldTest, EditsTheDelegateRefusesAreNotMade)
{
    EXPECT_FALSE(field->typeText("1234"));
    EXPECT_EQ(field->text(), "123");
    EXPECT_TRUE(field->deleteBackward());
    EXPECT_EQ(field->text(), "12");
    EXPECT_EQ(filter->calls, (std::vector<std::string> { "should begin", "did begin", "change 0,0 '1'", "change 1,0 '2'",
                                 "change 2,0 '3'", "change 3,0 '4'", "change 2,1 ''" }));
    EXPECT_EQ(events, (std::vector<std::string> { "began", "changed", "changed", "changed", "changed" }));

    // Setting the text from code asks nobody.
    filter->calls.clear();
    field->setText("5000");
    EXPECT_TRUE(filter->calls.empty());
    EXPECT_EQ(field->text(), "5000");
}

TEST_F(TextFieldTest, TheDelegateDecidesWhenEditingBeginsAndEnds)
{
    filter->allowBegin = false;
    EXPECT_FALSE(field->typeText("1"));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_FALSE(field->editing());
    EXPECT_EQ(filter->calls, (std::vector<std::string> { "should begin" }));

    filter->allowBegin = true;
    ASSERT_TRUE(field->becomeFirstResponder());
    EXPECT_TRUE(field->editing());
    EXPECT_EQ(UIResponder::firstResponder().get(), static_cast<UIResponder*>(field.ptr()));

    // One first responder at a time: another field asks this one to resign.
    Ref<UITextField> other = makeRef<UITextField>();
    filter->allowEnd = false;
    EXPECT_FALSE(other->becomeFirstResponder());
    EXPECT_TRUE(field->isFirstResponder());
    filter->allowEnd = true;
    EXPECT_TRUE(other->becomeFirstResponder());
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_FALSE(field->editing());
    EXPECT_EQ(filter->calls.back(), "did end");
    EXPECT_EQ(events, (std::vector<std::string> { "began", "ended" }));
    other->resignFirstResponder();
    EXPECT_FALSE(UIResponder::firstResponder());

    // A disabled field cannot be typed into.
    field->setEnabled(false);
    EXPECT_FALSE(field->becomeFirstResponder());
}

TEST_F(TextFieldTest, TheReturnKeyEndsEditingOnlyWhenSomebodyListens)
{
    Ref<UITextField> plain = makeRef<UITextField>();
    plain->setDelegate(filter);
    filter->allowReturn = false;
    EXPECT_FALSE(plain->pressReturnKey());
    EXPECT_TRUE(plain->isFirstResponder()); // pressing started the editing
    filter->allowReturn = true;
    EXPECT_TRUE(plain->pressReturnKey());
    EXPECT_TRUE(plain->isFirstResponder()); // nobody listens for the exit
    int exits = 0;
    plain->addTarget(nullptr, [&](UIControl&, UIEvent*) { ++exits; }, UIControlEventEditingDidEndOnExit);
    EXPECT_TRUE(plain->pressReturnKey());
    EXPECT_FALSE(plain->isFirstResponder());
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(std::count(filter->calls.begin(), filter->calls.end(), "should return"), 3);
}

TEST_F(TextFieldTest, RangesCountUTF16Units)
{
    field->setDelegate(nullptr);
    field->setText("a\xF0\x9F\x98\x80" "b"); // a, an emoji (two units), b
    EXPECT_TRUE(field->replaceRange(NSMakeRange(1, 2), "x"));
    EXPECT_EQ(field->text(), "axb");
    field->setText("a\xF0\x9F\x98\x80");
    filter->calls.clear();
    field->setDelegate(filter);
    EXPECT_TRUE(field->deleteBackward());
    EXPECT_EQ(field->text(), "a");
    EXPECT_EQ(filter->calls.back(), "change 1,2 ''");

    LogCapture capture;
    field->setText("a\xF0\x9F\x98\x80");
    EXPECT_FALSE(field->replaceRange(NSMakeRange(2, 1), "x")); // half an emoji
    EXPECT_FALSE(field->replaceRange(NSMakeRange(3, 2), "x")); // past the end
    EXPECT_EQ(field->text(), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(capture.lines().size(), 2u);
    field->setText("");
    EXPECT_FALSE(field->deleteBackward()); // nothing to delete, nobody asked
}

TEST_F(TextFieldTest, TheClearButtonShowsByItsMode)
{
    struct Case {
        UITextFieldViewMode mode;
        bool editing;
        bool shows;
    };
    const Case cases[] = {
        { UITextFieldViewModeNever, true, false },
        { UITextFieldViewModeAlways, false, true },
        { UITextFieldViewModeWhileEditing, true, true },
        { UITextFieldViewModeWhileEditing, false, false },
        { UITextFieldViewModeUnlessEditing, false, true },
        { UITextFieldViewModeUnlessEditing, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode) * 10 + c.editing);
        field->setClearButtonMode(c.mode);
        if (c.editing)
            field->becomeFirstResponder();
        else
            field->resignFirstResponder();
        field->setText("12");
        EXPECT_EQ(field->pressClearButton(), c.shows);
        EXPECT_EQ(field->text(), c.shows ? "" : "12");
    }
    field->setClearButtonMode(UITextFieldViewModeAlways);
    field->setText("");
    EXPECT_FALSE(field->pressClearButton()); // no text, no button
}

TEST_F(TextFieldTest, ATapStartsEditingAndRemovalEndsIt)
{
    Ref<UIWindow> window = qv::uikittest::makeWindow();
    window->addSubview(field);
    UITouchDriver::shared().tapView(field);
    EXPECT_TRUE(field->isFirstResponder());
    field->removeFromSuperview();
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(filter->calls.back(), "did end");
}

TEST(TextUnits, CountingAndCutting)
{
    struct Case {
        std::string text;
        uint64_t units;
        NSRange last;
        size_t characters;
    };
    const Case cases[] = {
        { "", 0, NSMakeRange(0, 0), 0 },
        { "abc", 3, NSMakeRange(2, 1), 3 },
        { "\xC3\xA9t\xC3\xA9", 3, NSMakeRange(2, 1), 3 },
        { "a\xF0\x9F\x98\x80", 3, NSMakeRange(1, 2), 2 },
        { "\xFF\xFE", 2, NSMakeRange(1, 1), 2 },             // not UTF-8: a unit a byte
        { "a\xE2\x82", 3, NSMakeRange(2, 1), 3 },            // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(utf16Length(c.text), c.units);
        EXPECT_EQ(lastCharacterRange(c.text), c.last);
        EXPECT_EQ(charactersOf(c.text).size(), c.characters);
    }
    EXPECT_EQ(byteRangeOfUTF16Range("a\xF0\x9F\x98\x80" "b", NSMakeRange(1, 2)), std::make_pair(size_t(1), size_t(5)));
    EXPECT_FALSE(byteRangeOfUTF16Range("abc", NSMakeRange(2, 2)));
    EXPECT_FALSE(byteRangeOfUTF16Range("abc", NSMakeRange(UINT64_MAX, 2)));
}

namespace {

class SearchListener : public UISearchBarDelegate {
public:
    bool searchBarShouldBeginEditing(UISearchBar*) override { return true; }
    void searchBarTextDidBeginEditing(UISearchBar*) override { calls.push_back("began"); }
    void searchBarTextDidEndEditing(UISearchBar*) override { calls.push_back("ended"); }
    bool searchBarShouldChangeTextInRange(UISearchBar*, NSRange, const std::string& text) override { return text != "!"; }
    void searchBarTextDidChange(UISearchBar*, const std::string& text) override { calls.push_back("text " + text); }
    void searchBarSearchButtonClicked(UISearchBar*) override { calls.push_back("search"); }
    void searchBarCancelButtonClicked(UISearchBar*) override { calls.push_back("cancel"); }
    std::vector<std::string> calls;
};

} // namespace

TEST(UISearchBar, TellsItsDelegateWhatTheUserDoes)
{
    Ref<UISearchBar> bar = makeRef<UISearchBar>(CGRectMake(0, 0, 320, 44));
    Ref<SearchListener> listener = makeRef<SearchListener>();
    bar->setDelegate(listener);
    bar->setPlaceholder("Search Layouts");
    EXPECT_EQ(bar->searchField()->placeholder(), "Search Layouts");

    bar->searchField()->typeText("a!b");
    bar->searchField()->deleteBackward();
    EXPECT_EQ(bar->text(), "a");
    EXPECT_FALSE(bar->pressCancelButton()); // not shown
    bar->setShowsCancelButton(true, true);
    EXPECT_TRUE(bar->pressCancelButton());
    EXPECT_TRUE(bar->pressSearchButton());
    bar->searchField()->pressReturnKey(); // the keyboard's search key
    bar->setText("quiet");                 // from code: nobody hears
    bar->resignFirstResponder();
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "began", "text a", "text ab", "text a", "cancel", "search", "search", "ended" }));
}
