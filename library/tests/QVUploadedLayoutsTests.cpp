#include "LibraryTestSupport.h"

#include "library/LayoutServerProtocol.h"
#include "library/QVSavedLayouts.h"
#include "library/QVUploadedLayouts.h"
#include "model/QVLayoutKeys.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSString.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "testing/LoopbackLayoutServer.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

using namespace qv;
using qv::librarytest::LibraryScreen;
using qv::testing::LoopbackLayoutServer;

namespace {

// A layout file of `count` icons in the 4-inch phone's lists.
std::string layoutBytes(int count, bool withMark = false)
{
    auto icons = NSArray::create();
    for (int i = 0; i < count; ++i)
        icons->addObject(NSDictionary::create({ { "x", 10 + 60 * i }, { "y", 40 }, { "LockedIndex", -1 } }));
    auto layout = NSDictionary::create();
    layout->setObject(icons, "Origins-4Inch");
    layout->setObject(icons->mutableCopy(), "Origins-4Inch-Landscape");
    if (withMark)
        layout->setObject(false, QVMadeByApplicationKey);
    return NSPropertyListSerialization::XMLDataWithPropertyList(*layout).value_or("");
}

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes)
        text += std::string { digits[c >> 4], digits[c & 15] };
    return text;
}

RefPtr<UIAlertView> topAlert()
{
    return dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
}

// A device (4-inch phone unless said) whose application is pointed at a
// layout server on loopback, and the "Uploaded" tab on its screen.
class UploadedTab {
public:
    explicit UploadedTab(LoopbackLayoutServer& server, const std::string& profile = "iphone-4", CGSize size = CGSizeMake(320, 568))
        : screen(profile, size)
    {
        QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, NSString::create(server.host()));
    }
    ~UploadedTab() { QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, nullptr); }

    // Runs the main run loop (and the virtual clock, slowly) until the
    // condition holds or the real time is up.
    template<typename Condition>
    bool waitFor(Condition condition, int seconds = 30)
    {
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds); !condition();) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            screen.advance(0.01);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    void show(size_t expectedLayouts)
    {
        screen.showTab(uploaded);
        EXPECT_TRUE(waitFor([&] { return uploaded->layouts().size() == expectedLayouts && !uploaded->loadingLayoutList()->isAnimating(); }));
    }
    Ref<NSIndexPath> rowOf(const std::string& name) const
    {
        for (size_t i = 0; i < uploaded->searchResults().size(); ++i) {
            if (uploaded->searchResults()[i]->layoutName() == name)
                return NSIndexPath::indexPathForRow(static_cast<NSInteger>(i), 0);
        }
        ADD_FAILURE() << "no row " << name;
        return NSIndexPath::indexPathForRow(0, 0);
    }
    bool tap(const std::string& name) { return uploaded->layoutTable()->tapRowAtIndexPath(rowOf(name).ptr()); }
    // Expands the row, taps it again and answers its sheet "Download".
    void download(const std::string& name)
    {
        ASSERT_TRUE(tap(name));
        ASSERT_TRUE(tap(name));
        RefPtr<UIActionSheet> sheet = uploaded->downloadLayoutActionSheet();
        ASSERT_TRUE(sheet && sheet->visible());
        ASSERT_TRUE(sheet->tapButtonWithTitle("Download"));
    }
    // "name|count" of every row the table shows.
    std::vector<std::string> rows() const
    {
        std::vector<std::string> texts;
        Ref<UITableView> table = uploaded->layoutTable().toRef();
        for (NSInteger r = 0; r < table->numberOfRowsInSection(0); ++r) {
            RefPtr<UITableViewCell> cell = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(r, 0).ptr());
            texts.push_back(cell ? cell->textLabel()->text() + "|" + cell->detailTextLabel()->text() : "(no cell)");
        }
        return texts;
    }
    std::filesystem::path userFile(const std::string& name) const { return screen.root.hostPath(std::string(QVUserLayoutsFolder) + "/" + name); }

    LibraryScreen screen;
    Ref<QVUploadedLayouts> uploaded = makeRef<QVUploadedLayouts>();
};

using Records = std::vector<LayoutListingRecord>;

} // namespace

// The listing grammar, and what is left out of a listing that does not
// read: records without their separator, names that are no single file
// name or are not text. A count is read as an integer value, whatever it
// looks like, and a line break ending the record before is no part of a name.
TEST(LayoutServerProtocol, ReadsWhatParsesOfAListing)
{
    const struct {
        const char* name;
        std::optional<std::string> body;
        NSStringEncoding encoding;
        Records records;
    } cases[] = {
        { "one record", "Blue.plists/s/3n/n/", NSUTF8StringEncoding, { { "Blue.plist", 3 } } },
        { "an unterminated record", "Blue.plists/s/3n/n/Red.plists/s/5", NSUTF8StringEncoding, { { "Blue.plist", 3 } } },
        { "no body", std::nullopt, NSUTF8StringEncoding, {} },
        { "an empty body", "", NSUTF8StringEncoding, {} },
        { "empty records", "n/n/n/n/", NSUTF8StringEncoding, {} },
        { "no name separator", "Blue.plist3n/n/Red.plists/s/5n/n/", NSUTF8StringEncoding, { { "Red.plist", 5 } } },
        { "counts that are no number", "A.plists/s/abcn/n/B.plists/s/12abcn/n/C.plists/s/n/n/D.plists/s/-3n/n/E.plists/s/99999999999n/n/F.plists/s/nann/n/",
            NSUTF8StringEncoding, { { "A.plist", 0 }, { "B.plist", 12 }, { "C.plist", 0 }, { "D.plist", -3 }, { "E.plist", INT32_MAX }, { "F.plist", 0 } } },
        { "white space around a count", "A.plists/s/ 7n/n/B.plists/s/+8 n/n/", NSUTF8StringEncoding, { { "A.plist", 7 }, { "B.plist", 8 } } },
        { "records ended with CR LF", "Blue.plists/s/3n/n/\r\nRed.plists/s/5n/n/\r\nGreen.plists/s/1n/n/\r\n", NSUTF8StringEncoding,
            { { "Blue.plist", 3 }, { "Red.plist", 5 }, { "Green.plist", 1 } } },
        { "records ended with LF", "Blue.plists/s/3n/n/\nRed.plists/s/5n/n/\n", NSUTF8StringEncoding, { { "Blue.plist", 3 }, { "Red.plist", 5 } } },
        { "further parts", "A.plists/s/4s/s/xn/n/", NSUTF8StringEncoding, { { "A.plist", 4 } } },
        { "names that are no single file name", "../x.plists/s/1n/n/a/b.plists/s/1n/n/..s/s/1n/n/.s/s/1n/n/s/s/1n/n/\r\ns/s/1n/n/",
            NSUTF8StringEncoding, {} },
        { "a NUL in a name", std::string("A\0B.plists/s/1n/n/", 18), NSUTF8StringEncoding, {} },
        { "dots and other characters inside a name", "My..Layout.plists/s/1n/n/...plists/s/2n/n/Tab\t.plists/s/3n/n/", NSUTF8StringEncoding,
            { { "My..Layout.plist", 1 }, { "...plist", 2 }, { "Tab\t.plist", 3 } } },
        { "invalid UTF-8 costs only its record", "\xff\xfe.plists/s/1n/n/Caf\xC3\xA9.plists/s/2n/n/", NSUTF8StringEncoding, { { "Caf\xC3\xA9.plist", 2 } } },
        { "Latin-1 text", "Caf\xE9.plists/s/2n/n/", NSISOLatin1StringEncoding, { { "Caf\xC3\xA9.plist", 2 } } },
        { "a page instead of a listing", "<html><body>Internal Server Error</body></html>", NSUTF8StringEncoding, {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(readLayoutListing(c.body, c.encoding), c.records) << c.name;
}

// A count reply is the layout's new count only when it is above 0; an
// upload's reply is judged by its whole text.
TEST(LayoutServerProtocol, CountAndUploadReplies)
{
    const std::pair<std::optional<std::string>, std::optional<int32_t>> counts[] = {
        { " 7", 7 }, { "12abc", 12 }, { "12", 12 }, { "abc", std::nullopt }, { "0", std::nullopt }, { "-3", std::nullopt }, { "", std::nullopt },
        { std::nullopt, std::nullopt },
    };
    for (const auto& [text, count] : counts)
        EXPECT_EQ(readDownloadCount(text), count) << text.value_or("(none)");

    const std::string saving = "Error uploading layout: Blue.plist\nError saving file. Please use Cydia to contact the developer if this error persists.";
    const std::tuple<std::optional<std::string>, const char*, std::string> replies[] = {
        { "SUCCESS", "Uploaded",
            "The layout: Blue.plist has been successfully uploaded! Press the \"Uploaded\" tab at the bottom to search for your, and other peoples "
            "layouts." },
        { "EXISTS", "File Exists", "Error uploading layout: Blue.plist\nFile already exists." },
        { "SUCCESS\n", "Error", saving },
        { "success", "Error", saving },
        { "", "Error", saving },
        { std::nullopt, "Error", "Error uploading layout: Blue.plist\nServer connection timed out." },
    };
    for (const auto& [reply, title, message] : replies) {
        const LayoutServerAlert alert = uploadReplyAlert(reply, "Blue.plist");
        EXPECT_EQ(alert.title, title) << reply.value_or("(none)");
        EXPECT_EQ(alert.message, message) << reply.value_or("(none)");
    }
}

// The placeholder row, and a search without regard to case beyond ASCII.
TEST(UploadedLayoutsTab, PlaceholderRowAndSearch)
{
    LoopbackLayoutServer server;
    UploadedTab tab(server);
    tab.show(0);
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "No Layouts Found|" }));
    EXPECT_EQ(tab.uploaded->tableViewHeightForRowAtIndexPath(tab.uploaded->layoutTable().get(), NSIndexPath::indexPathForRow(0, 0).ptr()), 44);
    EXPECT_TRUE(tab.uploaded->layoutTable()->hidden());
    EXPECT_EQ(tab.uploaded->noLayoutsLbl()->text(), "No Layouts Found");
    EXPECT_TRUE(tab.uploaded->layoutTable()->tapRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0).ptr()));
    EXPECT_FALSE(tab.uploaded->downloadLayoutActionSheet());
    EXPECT_EQ(tab.uploaded->navBar()->topItem()->title(), "Uploaded (0)");

    server.addLayout("iPhone4Inch", "CAF\xC3\x89 Grid.plist", layoutBytes(2), 1);
    server.addLayout("iPhone4Inch", "Plain.plist", layoutBytes(2), 4);
    tab.uploaded->refreshLayoutList();
    ASSERT_TRUE(tab.waitFor([&] { return tab.uploaded->layouts().size() == 2; }));
    tab.uploaded->searchForLayouts("caf\xC3\xA9");
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "CAF\xC3\x89 Grid.plist|1" }));
    EXPECT_EQ(tab.uploaded->navBar()->topItem()->title(), "Uploaded (2)");
    tab.uploaded->searchForLayouts("");
    EXPECT_EQ(tab.rows().size(), 2u);
}

// Two downloads that overlap each count and fetch their own layout and
// adopt it under its own name, whichever started last.
TEST(UploadedLayoutsTab, OverlappingDownloadsEachAdoptTheirOwnFile)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "First.plist", layoutBytes(2), 5);
    server.addLayout("iPhone4Inch", "Second.plist", layoutBytes(3, true), 1);
    UploadedTab tab(server);
    tab.show(2);
    ASSERT_TRUE(server.command("delay 1"));
    tab.download("First.plist");
    tab.download("Second.plist");
    EXPECT_EQ(tab.uploaded->runningDownloads(), 2u);
    ASSERT_TRUE(tab.waitFor([&] { return tab.uploaded->runningDownloads() == 0; }));

    std::vector<std::string> messages;
    while (RefPtr<UIAlertView> alert = topAlert()) {
        EXPECT_EQ(alert->title(), "Saved");
        messages.push_back(alert->message());
        alert->tapButtonWithTitle("Ok");
    }
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(messages, (std::vector<std::string> { layoutSavedMessage("First.plist"), layoutSavedMessage("Second.plist") }));
    RefPtr<NSDictionary> first = NSDictionary::dictionaryWithContentsOfFile(std::string(QVUserLayoutsFolder) + "/First.plist");
    RefPtr<NSDictionary> second = NSDictionary::dictionaryWithContentsOfFile(std::string(QVUserLayoutsFolder) + "/Second.plist");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->arrayForKey("Origins-4Inch")->count(), 2u);
    EXPECT_EQ(second->arrayForKey("Origins-4Inch")->count(), 3u);
    // A missing mark is set; one that says NO stays.
    EXPECT_TRUE(first->numberForKey(QVMadeByApplicationKey)->boolValue());
    EXPECT_FALSE(second->numberForKey(QVMadeByApplicationKey)->boolValue());
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "First.plist|6", "Second.plist|2" }));
    EXPECT_EQ(server.downloads("iPhone4Inch", "First.plist"), 6);
    EXPECT_EQ(server.downloads("iPhone4Inch", "Second.plist"), 2);
}

// The list is read again while a count is on its way, without the layout:
// the reply changes nothing, and nothing is fetched.
TEST(UploadedLayoutsTab, ACountReplyForALayoutNoLongerListedChangesNothing)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Going.plist", layoutBytes(2), 5);
    server.addLayout("iPhone4Inch", "Staying.plist", layoutBytes(2), 1);
    UploadedTab tab(server);
    tab.show(2);
    // Long enough for the list to come first, even on a busy machine.
    ASSERT_TRUE(server.command("delay 5 DownloadManager.asp"));
    tab.download("Going.plist");
    ASSERT_TRUE(server.command("listing " + hex("Staying.plists/s/1n/n/")));
    tab.uploaded->getLayoutsFromUploadServer();
    ASSERT_TRUE(tab.waitFor([&] { return tab.uploaded->layouts().size() == 1; }));
    ASSERT_TRUE(tab.waitFor([&] { return tab.uploaded->runningDownloads() == 0; }));
    tab.screen.advance(0.5);
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "Staying.plist|1" }));
    EXPECT_FALSE(topAlert());
    EXPECT_FALSE(std::filesystem::exists(tab.userFile("Going.plist")));
    std::vector<std::string> targets;
    while (std::optional<LoopbackLayoutServer::Request> request = server.nextRequest(std::chrono::milliseconds(500)))
        targets.push_back(request->method + " " + request->target.substr(request->target.rfind('/') + 1));
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string> { "GET DownloadCounter.asp", "GET DownloadCounter.asp", "GET GetLayout.asp?filename=Going.plist",
                           "POST DownloadManager.asp" }))
        << "the thumbnail's fetch only";
}

// Collapsing when no row is selected leaves every row as it is; the
// expanded row stays expanded.
TEST(UploadedLayoutsTab, ACollapseWithNoSelectedRowDoesNothing)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "A.plist", layoutBytes(2), 5);
    server.addLayout("iPhone4Inch", "B.plist", layoutBytes(2), 1);
    UploadedTab tab(server);
    tab.show(2);
    ASSERT_TRUE(tab.tap("A.plist"));
    // The table loses its selection without being told through the screen.
    tab.uploaded->layoutTable()->deselectRowAtIndexPath(tab.rowOf("A.plist").ptr(), false);
    tab.uploaded->deselectCellInTableView(tab.uploaded->layoutTable().get());
    tab.uploaded->viewWillDisappear(false);
    EXPECT_TRUE(tab.uploaded->layouts()[0]->selected());
    EXPECT_TRUE(tab.uploaded->expandedPreview());
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "A.plist|", "B.plist|1" }));
    EXPECT_EQ(tab.uploaded->tableViewHeightForRowAtIndexPath(tab.uploaded->layoutTable().get(), tab.rowOf("A.plist").ptr()), 70);
}

// Expanded rows by device class, the frames, and rotation.
TEST(UploadedLayoutsTab, SizesFollowTheDeviceAndTheOrientation)
{
    LoopbackLayoutServer server;
    for (const char* collection : { "iPhone3_5Inch", "iPhone5_5Inch", "iPhone4Inch" })
        server.addLayout(collection, "A.plist", layoutBytes(2), 5);
    const struct {
        const char* profile;
        CGSize size;
        CGFloat expanded;
    } devices[] = { { "iphone-3.5", CGSizeMake(320, 480), 60 }, { "iphone-5.5", CGSizeMake(414, 736), 80 }, { "iphone-4", CGSizeMake(320, 568), 70 } };
    for (const auto& device : devices) {
        SCOPED_TRACE(device.profile);
        UploadedTab tab(server, device.profile, device.size);
        tab.show(1);
        ASSERT_TRUE(tab.tap("A.plist"));
        EXPECT_EQ(tab.uploaded->tableViewHeightForRowAtIndexPath(tab.uploaded->layoutTable().get(), tab.rowOf("A.plist").ptr()), device.expanded);
        EXPECT_EQ(tab.uploaded->layoutTable()->frame(), CGRectMake(0, 64, device.size.width, device.size.height - 113));
        if (std::string(device.profile) != "iphone-4")
            continue;
        EXPECT_EQ(tab.uploaded->loadingLayoutList()->frame(), CGRectMake(145, 294, 30, 30));
        UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortraitUpsideDown);
        EXPECT_EQ(tab.uploaded->view()->frame(), CGRectMake(0, 0, 320, 568));
        UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft);
        EXPECT_EQ(tab.uploaded->view()->frame(), CGRectMake(0, 0, 568, 320));
        EXPECT_EQ(tab.uploaded->layoutTable()->frame().size.height, 207);
        UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait);
    }
}

// Only names that are no single file name are not shareable; two dots
// inside a name are no path, and a name is as long as its UTF-8 bytes. A
// layout without a file in the user folder is reported at once, and nothing
// is sent.
TEST(SavedLayoutsUpload, SharesEveryFileNameAndReportsMissingFiles)
{
    std::string accented249;
    for (int i = 0; i < 83; ++i)
        accented249 += "\xE2\x82\xAC"; // 83 euro signs, 249 bytes
    const std::pair<std::string, bool> names[] = {
        { "Blue.plist", true }, { "My..Layout.plist", true }, { "..plist", true }, { "...", true }, { "Tab\t.plist", true },
        { std::string(249, 'n') + ".plist", true }, { accented249 + ".plist", true },
        { "", false }, { ".", false }, { "..", false }, { "a/b.plist", false }, { "/", false },
        { std::string(250, 'n') + ".plist", false }, { accented249 + "e.plist", false }, { std::string(4096, 'n'), false },
    };
    for (const auto& [name, shareable] : names)
        EXPECT_EQ(isShareableLayoutName(name), shareable) << name;
    EXPECT_FALSE(isShareableLayoutName(std::string_view("A\0.plist", 8)));

    LoopbackLayoutServer server;
    UploadedTab device(server);
    device.screen.writeUserLayout("Two..Dots.plist");
    Ref<QVSavedLayouts> saved = makeRef<QVSavedLayouts>();
    device.screen.showTab(saved);
    auto rowNamed = [&](const std::string& name) {
        for (size_t i = 0; i < saved->layouts().size(); ++i) {
            if (saved->layouts()[i]->layoutName() == name)
                return NSIndexPath::indexPathForRow(static_cast<NSInteger>(i), 0);
        }
        ADD_FAILURE() << name;
        return NSIndexPath::indexPathForRow(0, 0);
    };
    saved->uploadLayoutInTableView(saved->layoutTable().get(), rowNamed("Two..Dots.plist").ptr());
    ASSERT_TRUE(device.waitFor([] { return topAlert() != nullptr; }));
    EXPECT_EQ(topAlert()->title(), "Uploaded");
    topAlert()->tapButtonWithTitle("Ok");
    std::optional<LoopbackLayoutServer::Request> sent = server.nextRequest();
    ASSERT_TRUE(sent);
    EXPECT_TRUE(sent->problems.empty());
    EXPECT_EQ(server.layoutFile("iPhone4Inch", "Two..Dots.plist"), device.screen.root.readFile(std::string(QVUserLayoutsFolder) + "/Two..Dots.plist"));

    saved->uploadLayoutInTableView(saved->layoutTable().get(), rowNamed("Default.plist").ptr());
    ASSERT_TRUE(device.waitFor([] { return topAlert() != nullptr; }));
    EXPECT_EQ(topAlert()->title(), "Error");
    EXPECT_EQ(topAlert()->message(), "No file exists at /var/mobile/Library/Quiltvane/Layouts/Default.plist");
    topAlert()->tapButtonWithTitle("Ok");
    device.screen.advance(0.5);
    EXPECT_FALSE(server.nextRequest(std::chrono::milliseconds(500))) << "nothing was sent";
}

// The server keeps every name inside its collection: a fetch, a count or
// an upload naming something outside is refused, and nothing is stored.
TEST(LayoutServerFixture, RefusesNamesLeavingTheirFolder)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Blue.plist", layoutBytes(2), 1);
    server.addLayout("iPhone3_5Inch", "Secret.plist", layoutBytes(1), 4);
    UploadedTab device(server);
    const std::string base = server.url("/Apps/Quiltvane/Layouts/iPhone4Inch");
    auto run = [&](const Ref<QNHTTPRequest>& request) {
        request->startAsynchronous();
        EXPECT_TRUE(device.waitFor([&] { return request->complete() || request->error(); }));
        return std::to_string(request->responseStatusCode()) + " " + request->responseString().value_or("(none)");
    };
    // Files put there by hand that could not be listed are passed over.
    std::ofstream(server.folder() / "iPhone4Inch" / "Not UTF-8 \xff.plist") << layoutBytes(1);
    std::filesystem::create_directory(server.folder() / "iPhone4Inch" / "Folder.plist");
    EXPECT_EQ(run(QNHTTPRequest::requestWithURL(NSURL::URLWithString(base + "/DownloadCounter.asp"))), "200 Blue.plists/s/1n/n/");
    EXPECT_EQ(run(QNHTTPRequest::requestWithURL(NSURL::URLWithString(base + "/GetLayout.asp?filename=../iPhone3_5Inch/Secret.plist"))), "400 REFUSED");
    EXPECT_EQ(run(QNHTTPRequest::requestWithURL(QVDevice::currentDevice()->urlForLayoutWithName("Blue.plist"))).substr(0, 4), "200 ");
    Ref<QNFormDataRequest> count = QNFormDataRequest::requestWithURL(NSURL::URLWithString(base + "/DownloadManager.asp"));
    count->setPostValue("../iPhone3_5Inch/Secret", "filename");
    EXPECT_EQ(run(count), "400 0");
    EXPECT_EQ(server.downloads("iPhone3_5Inch", "Secret.plist"), 4);

    device.screen.writeUserLayout("Fine.plist");
    const std::string file = std::string(QVUserLayoutsFolder) + "/Fine.plist";
    auto upload = [&](const std::string& fileName) {
        Ref<QNFormDataRequest> request = QNFormDataRequest::requestWithURL(NSURL::URLWithString(base + "/upload.asp"));
        request->setFile(file, fileName, std::string("application/x-plist"), "userfile");
        return run(request);
    };
    EXPECT_EQ(upload("/var/mobile/Library/Quiltvane/Layouts/../../../../iPhone3_5Inch/Evil"), "400 REFUSED");
    EXPECT_EQ(upload("/var/mobile/Library/Quiltvane/Layouts/.."), "400 REFUSED");
    EXPECT_EQ(upload("/var/mobile/Library/Quiltvane/Layouts/Fine"), "200 SUCCESS");
    EXPECT_TRUE(server.layoutFile("iPhone4Inch", "Fine.plist"));
    EXPECT_FALSE(server.layoutFile("iPhone3_5Inch", "Evil.plist"));
    EXPECT_FALSE(std::filesystem::exists(server.folder() / "Evil.plist"));
    while (std::optional<LoopbackLayoutServer::Request> request = server.nextRequest(std::chrono::milliseconds(200)))
        EXPECT_TRUE(request->problems.empty()) << request->target << ": " << request->problems[0];
}

// A listing replaced before it answered is ignored when it does: the
// segment chosen last decides the order.
TEST(UploadedLayoutsTab, OnlyTheLastListingCounts)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Few.plist", layoutBytes(1), 1);
    server.addLayout("iPhone4Inch", "Many.plist", layoutBytes(1), 9);
    UploadedTab tab(server);
    tab.show(2);
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "Few.plist|1", "Many.plist|9" }));
    ASSERT_TRUE(server.command("delay 2 DownloadCounter.asp"));
    tab.uploaded->refreshLayoutList();
    ASSERT_TRUE(tab.uploaded->sortingControl()->tapSegment(1));
    ASSERT_TRUE(tab.waitFor([&] { return tab.rows() == std::vector<std::string> { "Many.plist|9", "Few.plist|1" }; }));
    // Every listing is answered (the first twice, the replaced one last or
    // not), and the replaced one's answer changes nothing.
    for (int answered = 0; answered < 3; ++answered)
        ASSERT_TRUE(server.nextRequest());
    tab.waitFor([] { return false; }, 1); // time for that answer to reach the screen
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "Many.plist|9", "Few.plist|1" }));
}

// The server's check is real: bytes the application would not send are
// refused, with the reason.
TEST(LayoutServerFixture, RefusesRequestsTheApplicationWouldNotSend)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Blue.plist", layoutBytes(2), 1);
    UploadedTab device(server);
    const std::string base = server.url("/Apps/Quiltvane/Layouts/iPhone4Inch");
    auto run = [&](const Ref<QNHTTPRequest>& request) {
        request->startAsynchronous();
        EXPECT_TRUE(device.waitFor([&] { return request->complete() || request->error(); }));
        std::optional<LoopbackLayoutServer::Request> seen = server.nextRequest();
        EXPECT_TRUE(seen && !seen->problems.empty());
        return std::to_string(request->responseStatusCode()) + " " + request->responseString().value_or("(none)").substr(0, 9);
    };
    Ref<QNHTTPRequest> extraHeader = QNHTTPRequest::requestWithURL(NSURL::URLWithString(base + "/DownloadCounter.asp"));
    extraHeader->addRequestHeader("X-Extra", "1");
    EXPECT_EQ(run(extraHeader), "400 PROTOCOL:");
    EXPECT_EQ(run(QNHTTPRequest::requestWithURL(NSURL::URLWithString(base + "/GetLayout.asp?filename=Blue%2Eplist"))), "400 PROTOCOL:");
    EXPECT_EQ(run(QNHTTPRequest::requestWithURL(NSURL::URLWithString(base + "/DownloadCounter.asp?x=1"))), "400 PROTOCOL:");
    Ref<QNFormDataRequest> twoFields = QNFormDataRequest::requestWithURL(NSURL::URLWithString(base + "/DownloadManager.asp"));
    twoFields->setPostValue("Blue", "filename");
    twoFields->setPostValue("x", "other");
    EXPECT_EQ(run(twoFields), "400 0");
    Ref<QNFormDataRequest> wrongPart = QNFormDataRequest::requestWithURL(NSURL::URLWithString(base + "/upload.asp"));
    wrongPart->setData(layoutBytes(1), "/var/mobile/Library/Quiltvane/Layouts/Data", std::string("application/octet-stream"), "userfile");
    EXPECT_EQ(run(wrongPart), "400 PROTOCOL");
    EXPECT_EQ(server.downloads("iPhone4Inch", "Blue.plist"), 1);
    EXPECT_FALSE(server.layoutFile("iPhone4Inch", "Data.plist"));
}

// Searching while a download runs changes nothing of the download: the
// layout chosen is counted, fetched and named.
TEST(UploadedLayoutsTab, ASearchDuringADownloadKeepsItsLayout)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Chosen.plist", layoutBytes(2), 2);
    server.addLayout("iPhone4Inch", "Other.plist", layoutBytes(2), 7);
    UploadedTab tab(server);
    tab.show(2);
    ASSERT_TRUE(server.command("delay 1 DownloadManager.asp"));
    tab.download("Chosen.plist");
    tab.uploaded->searchForLayouts("Other");
    ASSERT_TRUE(tab.waitFor([&] { return topAlert() != nullptr; }));
    EXPECT_EQ(topAlert()->message(), layoutSavedMessage("Chosen.plist"));
    EXPECT_TRUE(std::filesystem::exists(tab.userFile("Chosen.plist")));
    EXPECT_FALSE(std::filesystem::exists(tab.userFile("Other.plist")));
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { "Other.plist|7" }));
    EXPECT_EQ(tab.uploaded->layouts()[0]->layoutName() + " " + std::to_string(tab.uploaded->layouts()[0]->layoutDownloads()), "Chosen.plist 3");
}

// A fetch that brings no layout (an error page, a failing server, an empty
// or truncated body, bytes that are no property list, a property list that
// is no dictionary) stores nothing: the user layouts folder stays as it
// was, a file of the same name byte for byte, and the download ends with
// an "Error" alert naming the layout instead of "Saved". A good layout then
// replaces the file as before.
TEST(UploadedLayoutsTab, AFetchThatBringsNoLayoutStoresNothing)
{
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Mine.plist", layoutBytes(3), 1);
    server.addLayout("iPhone4Inch", "New.plist", layoutBytes(3), 1);
    UploadedTab tab(server);
    const std::filesystem::path folder = tab.userFile("Mine.plist").parent_path();
    std::filesystem::create_directories(folder);
    std::ofstream(tab.userFile("Mine.plist"), std::ios::binary) << layoutBytes(1, true);
    auto folderContents = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream file(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(file), {});
        }
        return files;
    };
    const std::map<std::string, std::string> before = folderContents();
    tab.show(2);

    const std::string noLayout = "The server sent no layout.";
    const struct {
        const char* name;
        int status;
        std::string body;
        std::string reason;
    } replies[] = {
        { "404 with a page", 404, "<html><body><h1>404 Not Found</h1></body></html>", "The server answered 404." },
        { "500", 500, "Internal Server Error", "The server answered 500." },
        { "200 with an empty body", 200, "", noLayout },
        { "200 with a truncated layout", 200, layoutBytes(3).substr(0, layoutBytes(3).size() / 2), noLayout },
        { "200 with bytes that are no property list", 200, "this is no layout", noLayout },
        { "200 with a property-list array", 200, NSPropertyListSerialization::XMLDataWithPropertyList(*NSArray::create()).value_or(""), noLayout },
    };
    for (const auto& reply : replies) {
        ASSERT_TRUE(server.command("fetch " + std::to_string(reply.status) + " " + hex(reply.body)));
        for (const char* name : { "Mine.plist", "New.plist" }) {
            SCOPED_TRACE(std::string(reply.name) + ", " + name);
            tab.download(name);
            ASSERT_TRUE(tab.waitFor([&] { return tab.uploaded->runningDownloads() == 0; }));
            RefPtr<UIAlertView> alert = topAlert();
            ASSERT_TRUE(alert);
            EXPECT_EQ(alert->title(), "Error");
            EXPECT_EQ(alert->message(), "Error downloading layout: " + std::string(name) + "\n" + reply.reason);
            alert->tapButtonWithTitle("Ok");
            tab.screen.advance(0.5);
            EXPECT_EQ(folderContents(), before);
            EXPECT_FALSE(tab.uploaded->layoutTable()->indexPathForSelectedRow()) << "the row is collapsed";
        }
    }

    ASSERT_TRUE(server.command("normal"));
    tab.download("Mine.plist");
    ASSERT_TRUE(tab.waitFor([] { return topAlert() != nullptr; }));
    EXPECT_EQ(topAlert()->message(), layoutSavedMessage("Mine.plist"));
    topAlert()->tapButtonWithTitle("Ok");
    RefPtr<NSDictionary> replaced = NSDictionary::dictionaryWithContentsOfFile(std::string(QVUserLayoutsFolder) + "/Mine.plist");
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->arrayForKey("Origins-4Inch")->count(), 3u);
    EXPECT_TRUE(replaced->numberForKey(QVMadeByApplicationKey)->boolValue());
}

// A listed name the file system cannot take as a file name (more than 255
// bytes, counted in UTF-8) is not listed, so it is never counted nor
// fetched; the longest name it takes is listed, counted, fetched and saved.
TEST(UploadedLayoutsTab, ANameNoFileMayHaveIsNotListedNorCounted)
{
    const std::string longest = std::string(249, 'L') + ".plist";
    const std::string tooLong = std::string(250, 'L') + ".plist";
    std::string accented; // 131 characters, 256 bytes
    for (int i = 0; i < 125; ++i)
        accented += "\xC3\xA9";
    accented += ".plist";
    ASSERT_EQ(longest.size(), 255u);
    ASSERT_EQ(tooLong.size(), 256u);
    ASSERT_EQ(accented.size(), 256u);
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", longest, layoutBytes(2), 4);
    // The server's own folder cannot hold the others either: the listing
    // names them all the same.
    ASSERT_TRUE(server.command("listing " + hex(tooLong + "s/s/9n/n/" + longest + "s/s/4n/n/" + accented + "s/s/2n/n/")));
    UploadedTab tab(server);
    tab.show(1);
    EXPECT_EQ(tab.rows(), (std::vector<std::string> { longest + "|4" }));
    EXPECT_EQ(tab.uploaded->navBar()->topItem()->title(), "Uploaded (1)");

    tab.download(longest);
    ASSERT_TRUE(tab.waitFor([] { return topAlert() != nullptr; }));
    EXPECT_EQ(topAlert()->title(), "Saved");
    EXPECT_EQ(topAlert()->message(), layoutSavedMessage(longest));
    topAlert()->tapButtonWithTitle("Ok");
    EXPECT_EQ(server.downloads("iPhone4Inch", longest), 5);
    RefPtr<NSDictionary> saved = NSDictionary::dictionaryWithContentsOfFile(std::string(QVUserLayoutsFolder) + "/" + longest);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->arrayForKey("Origins-4Inch")->count(), 2u);

    // What the server was asked: the listing, the thumbnail, the count and
    // the file of the longest name, nothing of the others.
    std::vector<std::string> asked;
    while (std::optional<LoopbackLayoutServer::Request> request = server.nextRequest(std::chrono::milliseconds(500)))
        asked.push_back(request->method + " " + request->target.substr(request->target.rfind('/') + 1) + " " + request->body);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string> { "GET DownloadCounter.asp ", "GET GetLayout.asp?filename=" + longest + " ",
                         "GET GetLayout.asp?filename=" + longest + " ", "POST DownloadManager.asp filename=" + std::string(249, 'L') }));
}

// A layout as a real peer writes it (Python's plistlib), but larger than a
// property list may be, is refused as too large, not as no layout: nothing
// is stored, and the alert says why. The server counted the download.
TEST(UploadedLayoutsTab, ALayoutLargerThanAPropertyListMayBeIsRefusedAsTooLarge)
{
    const std::string large = qv::testing::binaryPropertyListFromPython(
        "{'Origins-4Inch': [{'x': 10, 'y': 40, 'LockedIndex': -1}], 'Notes': 'n' * "
        + std::to_string(NSPropertyListSerialization::maximumSize) + "}");
    ASSERT_GT(large.size(), NSPropertyListSerialization::maximumSize);
    LoopbackLayoutServer server;
    server.addLayout("iPhone4Inch", "Large.plist", large, 1);
    UploadedTab tab(server);
    tab.show(1);
    tab.download("Large.plist");
    ASSERT_TRUE(tab.waitFor([] { return topAlert() != nullptr; }, 60));
    EXPECT_EQ(topAlert()->title(), "Error");
    EXPECT_EQ(topAlert()->message(), "Error downloading layout: Large.plist\nThe layout is too large: layouts of more than 32 MB cannot be read.");
    topAlert()->tapButtonWithTitle("Ok");
    EXPECT_FALSE(std::filesystem::exists(tab.userFile("Large.plist")));
    EXPECT_EQ(server.downloads("iPhone4Inch", "Large.plist"), 2);
}
