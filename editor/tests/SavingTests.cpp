#include "EditorTestSupport.h"

#include "model/QVSettings.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UITextField.h"
#include "testing/Process.h"

#include <filesystem>
#include <fstream>

using namespace qv;
using namespace qv::editortest;

namespace {

const std::string layoutsFolder = "/var/mobile/Library/Quiltvane/Layouts";

class SavingTest : public ::testing::Test {
protected:
    // The whole flow: "Save", the choice, the name, "Save".
    void save(const std::string& choice, const std::string& name)
    {
        ASSERT_TRUE(app.tapButton("Save"));
        EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Save Portrait & Landscape", "Save Portrait", "Save Landscape", "Cancel" }));
        ASSERT_TRUE(app.tapSheetButton(choice));
        answerPrompt(name);
    }
    void answerPrompt(const std::string& name)
    {
        RefPtr<UIModalView> prompt = UIModalView::topmostModalView();
        ASSERT_TRUE(prompt);
        EXPECT_EQ(prompt->title(), "Save Layout");
        RefPtr<UITextField> field = dynamicRefCast<UIAlertView>(prompt)->textFieldAtIndex(0);
        ASSERT_TRUE(field);
        EXPECT_EQ(field->placeholder(), "Layout Name");
        field->setText(name);
        ASSERT_TRUE(prompt->tapButtonWithTitle("Save"));
    }
    // The title and message of the alert on top, and closes it.
    std::pair<std::string, std::string> outcome()
    {
        RefPtr<UIAlertView> alert = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
        if (!alert)
            return {};
        std::pair<std::string, std::string> result { alert->title(), alert->message() };
        if (alert->title() != "Save Layout" && alert->numberOfButtons() == 1)
            alert->tapButtonAtIndex(0);
        return result;
    }
    std::string plistlib(const std::string& name)
    {
        auto result = qv::testing::runPython("import json, plistlib, sys\nwith open(sys.argv[1], 'rb') as f:\n    print(json.dumps(plistlib.load(f), sort_keys=True))\n",
            { app.root.hostPath(layoutsFolder + "/" + name + ".plist").string() });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }
    void writeRaw(const std::string& name, const std::string& contents)
    {
        app.root.writeFile(layoutsFolder + "/" + name + ".plist", contents);
    }

    ApplicationScreen app { deviceCases[0] };
};

} // namespace

// A new name is saved; the same name again asks before overwriting, and
// "Overwrite" replaces the file whole.
TEST_F(SavingTest, SaveAndOverwrite)
{
    save("Save Portrait", "Home");
    auto [title, message] = outcome();
    EXPECT_EQ(title, "Saved");
    EXPECT_EQ(message, "The layout: Home has been successfully saved! To manage it, press the \"Saved\" tab at the bottom");
    EXPECT_NE(plistlib("Home").find("\"Origins-4Inch\": [{\"LockedIndex\": -1, \"x\": 130, \"y\": 30}]"), std::string::npos);

    app.icons()->addIcon();
    save("Save Portrait", "Home");
    std::tie(title, message) = outcome();
    EXPECT_EQ(title, "Home");
    EXPECT_EQ(message, "File already exists, are you sure you want to overwrite?");
    ASSERT_TRUE(app.tapSheetButton("Cancel"));
    EXPECT_EQ(plistlib("Home").find("{\"LockedIndex\": -1, \"x\": 130, \"y\": 30}, {"), std::string::npos) << "Cancel leaves the file";

    save("Save Portrait", "Home");
    ASSERT_TRUE(app.tapSheetButton("Overwrite"));
    std::tie(title, message) = outcome();
    EXPECT_EQ(title, "Overwritten");
    EXPECT_EQ(message, "The layout: Home has been successfully overwritten! To manage it, press the \"Saved\" tab at the bottom");
    EXPECT_NE(plistlib("Home").find("{\"LockedIndex\": -1, \"x\": 130, \"y\": 30}, {\"LockedIndex\": -1, \"x\": 130, \"y\": 30}]"), std::string::npos);
}

// A file this system did not make is never touched: the layout goes to
// the first free numbered name.
TEST_F(SavingTest, RenamedAroundForeignFiles)
{
    writeRaw("Home", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Other</key><true/></dict></plist>");
    writeRaw("Home(1)", "not a property list");
    save("Save Portrait", "Home");
    auto [title, message] = outcome();
    EXPECT_EQ(title, "Renamed");
    EXPECT_EQ(message, "The layout: Home already exists, but could not be overwritten because it was not created by this app. It was renamed to: Home(2)");
    EXPECT_EQ(app.root.readFile(layoutsFolder + "/Home(1).plist"), "not a property list");
    EXPECT_NE(plistlib("Home(2)").find("\"QV\": true"), std::string::npos);
    EXPECT_NE(plistlib("Home").find("\"Other\": true"), std::string::npos);
}

// Portrait and landscape round trip through one file; with only the
// screen's half there, the file holds that half and the alert says so;
// overwriting a file whose other half would be lost warns first.
TEST_F(SavingTest, PortraitAndLandscape)
{
    save("Save Portrait & Landscape", "Both");
    auto [title, message] = outcome();
    EXPECT_EQ(title, "Saved");
    EXPECT_NE(message.find("Only the portrait half was saved"), std::string::npos) << message;
    EXPECT_EQ(plistlib("Both").find("Landscape"), std::string::npos);

    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    app.icons()->addIcons(2);
    save("Save Portrait & Landscape", "Both");
    std::tie(title, message) = outcome();
    EXPECT_EQ(message, "File already exists, are you sure you want to overwrite?");
    ASSERT_TRUE(app.tapSheetButton("Overwrite"));
    std::tie(title, message) = outcome();
    EXPECT_EQ(title, "Overwritten");
    const std::string both = plistlib("Both");
    EXPECT_NE(both.find("\"Origins-4Inch\": [{\"LockedIndex\": -1, \"x\": 130, \"y\": 30}]"), std::string::npos) << both;
    EXPECT_NE(both.find("\"Origins-4Inch-Landscape\": [{\"LockedIndex\": -1, \"x\": 254, \"y\": 30}, {"), std::string::npos) << both;

    save("Save Landscape", "Both");
    std::tie(title, message) = outcome();
    EXPECT_EQ(message, "File already exists, are you sure you want to overwrite? Its portrait half will be lost.");
    ASSERT_TRUE(app.tapSheetButton("Cancel"));

    // Opened again, both halves come back.
    app.appDelegate->setViewLayout(true);
    app.appDelegate->setViewLayoutData(NSDictionary::dictionaryWithContentsOfFile(layoutsFolder + "/Both.plist"));
    app.editor->viewWillAppear(true);
    EXPECT_EQ(app.icons()->icons().size(), 3u);
    EXPECT_EQ(app.icons()->portraitIconCache().size(), 1u);
}

// "Save Landscape" with nothing in landscape writes nothing and says why.
TEST_F(SavingTest, NothingToSave)
{
    save("Save Landscape", "Wide");
    auto [title, message] = outcome();
    EXPECT_EQ(title, "Failed to Save");
    EXPECT_EQ(message, "Could not save layout: Wide because there aren't any landscape icons loaded. Please tilt your device into landscape and begin creating the landscape portion of your layout, or choose \"Save Portrait\" instead.");
    EXPECT_FALSE(std::filesystem::exists(app.root.hostPath(layoutsFolder + "/Wide.plist")));
}

// Names: "/" is dropped; a name that is then empty or too long for a file
// is asked for again; the Return key saves like the button.
TEST_F(SavingTest, Names)
{
    save("Save Portrait", "a/b/");
    EXPECT_EQ(outcome().first, "Saved");
    EXPECT_TRUE(std::filesystem::exists(app.root.hostPath(layoutsFolder + "/ab.plist")));
    for (const std::string& name : { std::string("///"), std::string(), std::string(300, 'x') }) {
        save("Save Portrait", name);
        EXPECT_EQ(outcome().first, "Save Layout") << "asked again for \"" << name << "\"";
        ASSERT_TRUE(app.tapSheetButton("Cancel"));
    }
    ASSERT_TRUE(app.tapButton("Save"));
    ASSERT_TRUE(app.tapSheetButton("Save Portrait"));
    RefPtr<UITextField> field = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView())->textFieldAtIndex(0);
    field->setText("Typed");
    EXPECT_FALSE(field->pressReturnKey());
    EXPECT_EQ(outcome().first, "Saved");
    EXPECT_TRUE(std::filesystem::exists(app.root.hostPath(layoutsFolder + "/Typed.plist")));
    EXPECT_TRUE(UIModalView::visibleModalViews().empty()) << "the prompt went";
}

// A write that fails says so, naming the layout, and never "Saved".
TEST_F(SavingTest, FailedWrite)
{
    // A file where the layouts folder belongs: nothing can be written there.
    app.root.writeFile("/var/mobile/Library/Quiltvane/Layouts", "in the way");
    save("Save Portrait", "Home");
    auto [title, message] = outcome();
    EXPECT_EQ(title, "Failed to Save");
    EXPECT_EQ(message, "The layout: Home could not be written.");
}
