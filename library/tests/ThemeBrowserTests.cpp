#include "LibraryTestSupport.h"

#include "hosts/install/Drawing.h"
#include "library/themes/QVThemeBrowser.h"
#include "model/QVSettings.h"
#include "model/QVThemeImages.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UINavigationController.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::librarytest::LibraryScreen;

namespace {

// The editor as the browser sees it: what it was told.
class BrowserOwner : public NSObject, public QVThemeBrowserDelegate {
public:
    std::vector<std::string> calls;
    void themeBrowserDidCancel(QVThemeBrowser*) override { calls.push_back("cancel"); }
    void themeBrowserDidFinishWithBrowseType(QVThemeBrowser*, int32_t browseType) override { calls.push_back("finish " + std::to_string(browseType)); }
};

class ThemeBrowserTest : public ::testing::Test {
protected:
    LibraryScreen screen { "iphone-4", CGSizeMake(320, 568) };
    Ref<BrowserOwner> owner = makeRef<BrowserOwner>();
    RefPtr<QVThemeBrowser> browser;
    RefPtr<UINavigationController> navigation;

    // An image file of the given side in pixels at a device path.
    void image(const std::string& devicePath, size_t side = 4) const { EXPECT_TRUE(writePNGFile(devicePath, PixelBuffer(side, side))); }
    void corrupt(const std::string& devicePath) const { screen.root.writeFile(devicePath, "no image here"); }

    // Opens the browser as the editor does on a phone.
    void open(int32_t browseType)
    {
        browser = makeRef<QVThemeBrowser>(UITableViewStylePlain, browseType);
        browser->setDelegate(WeakPtr<QVThemeBrowserDelegate>(owner));
        navigation = makeRef<UINavigationController>(browser);
        screen.tabs->presentViewController(navigation, true);
        screen.advance(1);
    }
    void close()
    {
        screen.tabs->dismissViewControllerAnimated(false);
        screen.advance(1);
    }
    // The browser's rows as "name|black/gray|selectable".
    std::vector<std::string> rows(UITableViewController& controller, NSInteger section = 0)
    {
        std::vector<std::string> texts;
        Ref<UITableView> table = controller.tableView();
        for (NSInteger r = 0; r < table->numberOfRowsInSection(section); ++r) {
            Ref<UITableViewCell> cell = controller.tableViewCellForRowAtIndexPath(table.ptr(), NSIndexPath::indexPathForRow(r, section).ptr());
            const bool gray = cell->textLabel()->textColor()->isEqual(UIColor::grayColor().ptr());
            texts.push_back(cell->textLabel()->text() + (gray ? "|gray" : "|black")
                + (cell->selectionStyle() == UITableViewCellSelectionStyleNone ? "" : "|selectable"));
        }
        return texts;
    }
    bool tapRow(UITableViewController& controller, NSInteger section, NSInteger row)
    {
        bool tapped = controller.tableView()->tapRowAtIndexPath(NSIndexPath::indexPathForRow(row, section).ptr());
        screen.advance(1);
        return tapped;
    }
    RefPtr<QVThemeDetailView> detail() const { return dynamicRefCast<QVThemeDetailView>(navigation->topViewController()); }
};

} // namespace

TEST_F(ThemeBrowserTest, WithoutThemesOneRowSaysSo)
{
    open(QVBrowseTypeIconImage);
    EXPECT_EQ(browser->title(), "Themes");
    EXPECT_EQ(rows(*browser), std::vector<std::string> { "No Themes|gray" });
    tapRow(*browser, 0, 0);
    EXPECT_EQ(navigation->topViewController(), browser);
    EXPECT_FALSE(browser->resetButton()->enabled()) << "the stock icon is shown";
    ASSERT_TRUE(browser->navigationItem()->leftBarButtonItem()->tap());
    EXPECT_EQ(owner->calls, std::vector<std::string> { "cancel" });
}

// Every folder is a theme, usable or not for the browse type; a theme with
// only a wallpaper is usable for backgrounds alone.
TEST_F(ThemeBrowserTest, ThemesAreListedUsableOrNotForTheBrowseType)
{
    image("/Library/Themes/Icons.theme/Icons/Mail.png");
    image("/Library/Themes/Paper.theme/Wallpaper.png");
    screen.root.writeFile("/Library/Themes/readme.txt", "not a theme");
    open(QVBrowseTypeIconImage);
    EXPECT_EQ(rows(*browser), (std::vector<std::string> { "Icons.theme|black|selectable", "Paper.theme|gray" }));
    tapRow(*browser, 0, 1);
    EXPECT_EQ(navigation->topViewController(), browser) << "an unusable theme opens nothing";
    close();

    open(QVBrowseTypeBackgroundImage);
    EXPECT_EQ(rows(*browser), (std::vector<std::string> { "Icons.theme|gray", "Paper.theme|black|selectable" }));
    std::vector<std::string> right;
    for (const Ref<UIBarButtonItem>& item : browser->navigationItem()->rightBarButtonItems())
        right.push_back(item->title().empty() ? item->systemItemName() : item->title());
    EXPECT_EQ(right, (std::vector<std::string> { "Reset", "Camera" }));
}

// A theme's detail screen lists its icon groups, only the non-empty ones
// with a header; choosing an image stores it as the icon image and tells
// the editor; a file that does not decode changes nothing.
TEST_F(ThemeBrowserTest, ChoosingAnIconImageStoresItAndTellsTheEditor)
{
    image("/Library/Themes/T.theme/Icons/Mail.png", 6);
    corrupt("/Library/Themes/T.theme/Icons/Broken.png");
    image("/Library/Themes/B.theme/Bundles/com.example.one/icon.png");
    image("/Library/Themes/B.theme/Bundles/com.example.two/icon.png");
    open(QVBrowseTypeIconImage);
    ASSERT_TRUE(tapRow(*browser, 0, 0));
    RefPtr<QVThemeDetailView> bundles = detail();
    ASSERT_TRUE(bundles);
    EXPECT_EQ(bundles->title(), "B.theme");
    EXPECT_EQ(bundles->tableView()->numberOfSections(), 3);
    EXPECT_EQ(bundles->tableViewTitleForHeaderInSection(nullptr, 0).value_or("<none>"), "From \"Bundles\"");
    EXPECT_EQ(rows(*bundles, 0), (std::vector<std::string> { "icon.png|black|selectable", "icon.png|black|selectable" }));
    navigation->popViewControllerAnimated(false);

    ASSERT_TRUE(tapRow(*browser, 0, 1));
    RefPtr<QVThemeDetailView> icons = detail();
    ASSERT_TRUE(icons);
    EXPECT_EQ(icons->tableView()->rowHeight(), 60);
    EXPECT_FALSE(icons->tableViewTitleForHeaderInSection(nullptr, 0));
    EXPECT_FALSE(icons->tableViewTitleForHeaderInSection(nullptr, 1));
    EXPECT_EQ(icons->tableViewTitleForHeaderInSection(nullptr, 2).value_or("<none>"), "From \"Icons\"");
    EXPECT_EQ(rows(*icons, 2), (std::vector<std::string> { "Broken.png|black|selectable", "Mail.png|black|selectable" }));

    RefPtr<UIImage> stock = QVSettings::currentSettings()->currentIconImage();
    tapRow(*icons, 2, 0);
    EXPECT_TRUE(owner->calls.empty()) << "the broken image is ignored";
    EXPECT_EQ(QVSettings::currentSettings()->currentIconImage(), stock);
    EXPECT_TRUE(QVSettings::currentSettings()->iconImageReset());
    EXPECT_EQ(navigation->topViewController(), icons) << "the browser stays open";

    tapRow(*icons, 2, 1);
    EXPECT_EQ(owner->calls, std::vector<std::string> { "finish 0" });
    ASSERT_TRUE(QVSettings::currentSettings()->currentIconImage());
    EXPECT_EQ(QVSettings::currentSettings()->currentIconImage()->size(), CGSizeMake(6, 6));
    EXPECT_FALSE(QVSettings::currentSettings()->iconImageReset());
    close();

    // Reopened, Reset is offered and brings the stock image back.
    open(QVBrowseTypeIconImage);
    ASSERT_TRUE(browser->resetButton()->enabled());
    ASSERT_TRUE(browser->resetButton()->tap());
    EXPECT_TRUE(QVSettings::currentSettings()->iconImageReset());
    EXPECT_EQ(owner->calls.back(), "finish 0");
}

// Backgrounds: the theme's wallpaper, or a photo from the library; the
// camera that is not there is refused with its alert.
TEST_F(ThemeBrowserTest, BackgroundsComeFromThemesOrPhotos)
{
    image("/Library/Themes/Paper.theme/Wallpaper.png", 8);
    open(QVBrowseTypeBackgroundImage);
    ASSERT_TRUE(tapRow(*browser, 0, 0));
    ASSERT_TRUE(detail());
    EXPECT_EQ(detail()->tableViewTitleForHeaderInSection(nullptr, 0).value_or("<none>"), "Backgrounds");
    Ref<UITableViewCell> cell = detail()->tableViewCellForRowAtIndexPath(detail()->tableView().ptr(), NSIndexPath::indexPathForRow(0, 0).ptr());
    EXPECT_EQ(cell->accessoryView()->frame().size, CGSizeMake(60, 60));
    tapRow(*detail(), 0, 0);
    EXPECT_EQ(owner->calls, std::vector<std::string> { "finish 1" });
    EXPECT_EQ(QVSettings::currentSettings()->currentBackgroundImage()->size(), CGSizeMake(8, 8));
    navigation->popViewControllerAnimated(false);

    UIImagePickerController::setSourceTypeAvailable(UIImagePickerControllerSourceTypeCamera, false);
    browser->pickImageButtonClicked();
    ASSERT_TRUE(UIModalView::topmostModalView()->tapButtonWithTitle("Take Photo"));
    RefPtr<UIAlertView> alert = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "Couldn't access camera");
    alert->tapButtonWithTitle("Ok");

    browser->pickImageButtonClicked();
    ASSERT_TRUE(UIModalView::topmostModalView()->tapButtonWithTitle("Choose Existing"));
    screen.advance(1);
    RefPtr<UIImagePickerController> picker = dynamicRefCast<UIImagePickerController>(browser->presentedViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->sourceType(), UIImagePickerControllerSourceTypePhotoLibrary);
    PixelBuffer pixels(12, 12);
    ASSERT_TRUE(picker->pickImage(UIImage::imageWithPixels(pixels)));
    EXPECT_EQ(QVSettings::currentSettings()->currentBackgroundImage()->size(), CGSizeMake(12, 12));
    screen.advance(1);
    EXPECT_FALSE(browser->presentedViewController());
    EXPECT_EQ(owner->calls.back(), "finish 1") << "after the picker went";
    EXPECT_EQ(owner->calls.size(), 2u);
}
