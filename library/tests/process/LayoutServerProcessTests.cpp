// The application as a real process with the layout server on loopback:
// the "Uploaded" tab lists, sorts, searches, refreshes, expands with a
// thumbnail and downloads; the "Saved" tab uploads. The server checks the
// bytes of every request against what the application is to send.
#include "LibraryProcessSupport.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackLayoutServer.h"
#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace qv;
using namespace qv::libraryprocess;
using qv::testing::LoopbackLayoutServer;

namespace {

std::string hostPreference(const std::string& host)
{
    // The folder-mode offer would come up over the tabs: it was seen.
    return "<key>LayoutServerHost</key><string>" + host + "</string><key>UsedFolderModeBefore</key><true/>";
}

// A layout file as plistlib writes it: `count` icons in the portrait list
// of the device suffix (and the landscape list unless told otherwise).
std::string serverLayout(const std::string& suffix, int count, bool withLandscape = true)
{
    return python("import plistlib, sys\nsuffix, count = sys.argv[1], int(sys.argv[2])\n"
                  "icons = [{'x': 12 + 60 * (i % 4), 'y': 40 + 80 * (i // 4), 'LockedIndex': -1} for i in range(count)]\n"
                  "layout = {'Origins' + suffix: icons}\n"
                  "if sys.argv[3] == '1': layout['Origins' + suffix + '-Landscape'] = icons\n"
                  "sys.stdout.write(plistlib.dumps(layout).hex())",
        { suffix, std::to_string(count), withLandscape ? "1" : "0" });
}

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// Runs the application until a value of its dump is the one expected (or
// the bound passes); the value it had last.
std::string awaitValue(InstalledDevice& device, const std::string& expression, const std::string& expected, int seconds = 30)
{
    std::string value;
    for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds); std::chrono::steady_clock::now() < deadline;) {
        value = device.value(expression);
        if (value == expected)
            break;
        device.ok("wait 100");
    }
    return value;
}

// The rows of the "Uploaded" tab as "name|count".
const char* uploadedRows = "['%s|%s' % (r['text'], r['detail']) for r in lib['uploaded']['rows']]";
const char* topAlert = "[dump['modalViews'][-1]['title'], dump['modalViews'][-1]['message']] if dump['modalViews'] else None";
const char* topAlertTitle = "dump['modalViews'][-1]['title'] if dump['modalViews'] else None";

// The next request the server answered, which must be the application's
// bytes exactly.
LoopbackLayoutServer::Request expectRequest(LoopbackLayoutServer& server, const std::string& method, const std::string& target)
{
    std::optional<LoopbackLayoutServer::Request> request = server.nextRequest();
    EXPECT_TRUE(request) << "no request came for " << method << " " << target;
    if (!request)
        return {};
    EXPECT_EQ(request->method + " " + request->target, method + " " + target);
    EXPECT_TRUE(request->problems.empty()) << request->target << ": " << (request->problems.empty() ? "" : request->problems[0]);
    EXPECT_EQ(request->version, "HTTP/1.1");
    return *request;
}

struct DeviceCase {
    const char* profile;
    const char* collection;
    const char* suffix;
    int expandedHeight;
    const char* previewSize;
    bool iPad;
};

class UploadedLayoutsProcess : public ::testing::TestWithParam<DeviceCase> { };

} // namespace

// The whole exchange for one device: list, popularity, search, refresh,
// thumbnails, a download that lands upgraded in the user folder and is
// counted, and an upload from the "Saved" tab that the server then lists.
TEST_P(UploadedLayoutsProcess, ListsSearchesDownloadsAndUploads)
{
    const DeviceCase& c = GetParam();
    const std::string base = std::string("/Apps/Quiltvane/Layouts/") + c.collection;
    LoopbackLayoutServer server;
    ASSERT_NE(server.port(), 0);
    server.addLayout(c.collection, "Blue.plist", fromHex(serverLayout(c.suffix, 4)), 3);
    // Without its landscape list and without the mark: both come with the download.
    server.addLayout(c.collection, "my BLUE grid.plist", fromHex(serverLayout(c.suffix, 2, false)), 7);
    server.addLayout(c.collection, "Red.plist", fromHex(serverLayout(c.suffix, 5)), 1);
    server.addLayout("iPhone3_5Inch", "Elsewhere.plist", fromHex(serverLayout("-3_5Inch", 1)), 50);

    InstalledDevice device(c.profile, hostPreference(server.host()));
    device.writeLayout(user("Mine.plist"), 3, 20, 60);
    device.startApplication();
    device.ok("tab Uploaded");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['title']", "\"Uploaded (3)\""), "\"Uploaded (3)\"");
    EXPECT_EQ(device.value(uploadedRows), "[\"Blue.plist|3\", \"my BLUE grid.plist|7\", \"Red.plist|1\"]");
    EXPECT_EQ(device.value("[lib['uploaded']['tableHidden'], lib['uploaded']['loading']]"), "[false, false]");
    expectRequest(server, "GET", base + "/DownloadCounter.asp");

    // Popularity: the screen shows that it loads until the slow answer comes.
    ASSERT_TRUE(server.command("delay 3"));
    EXPECT_EQ(device.valueRightAfter("segment Popular", "[lib['uploaded']['title'], lib['uploaded']['label'], lib['uploaded']['tableHidden'], lib['uploaded']['loading']]"),
        "[\"Uploaded\", \"Loading...\", true, true]");
    EXPECT_EQ(awaitValue(device, uploadedRows, "[\"my BLUE grid.plist|7\", \"Blue.plist|3\", \"Red.plist|1\"]"),
        "[\"my BLUE grid.plist|7\", \"Blue.plist|3\", \"Red.plist|1\"]");
    ASSERT_TRUE(server.command("normal"));
    expectRequest(server, "GET", base + "/SortedDownloadCounter.asp");

    // Search: typed into the bar, without regard to case; Cancel shows all
    // again and leaves the text.
    device.ok("tap 100 86");
    device.ok("type blue");
    EXPECT_EQ(device.value(uploadedRows), "[\"my BLUE grid.plist|7\", \"Blue.plist|3\"]");
    EXPECT_EQ(device.value("lib['uploaded']['title']"), "\"Uploaded (3)\"");
    device.ok("searchcancel");
    EXPECT_EQ(device.value("[len(lib['uploaded']['rows']), lib['uploaded']['search']]"), "[3, \"blue\"]");

    // A pull reloads without the loading state; the text still filters the
    // new list, and the title counts every layout.
    server.addLayout(c.collection, "Green.plist", fromHex(serverLayout(c.suffix, 1)), 9);
    ASSERT_TRUE(server.command("delay 3"));
    EXPECT_EQ(device.valueRightAfter("pull", "[lib['uploaded']['refreshing'], lib['uploaded']['tableHidden'], lib['uploaded']['loading']]"), "[true, false, false]");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['title']", "\"Uploaded (4)\""), "\"Uploaded (4)\"");
    ASSERT_TRUE(server.command("normal"));
    EXPECT_EQ(device.value(uploadedRows), "[\"my BLUE grid.plist|7\", \"Blue.plist|3\"]");
    expectRequest(server, "GET", base + "/SortedDownloadCounter.asp");
    device.ok("tap 100 86");
    for (int i = 0; i < 4; ++i)
        device.ok("backspace");
    EXPECT_EQ(device.value(uploadedRows), "[\"Green.plist|9\", \"my BLUE grid.plist|7\", \"Blue.plist|3\", \"Red.plist|1\"]");
    device.ok("return");

    // A tap expands a row with the layout's thumbnail, fetched from the
    // server; a tap on another row moves the expansion there.
    device.ok("rowtitle Blue.plist");
    const std::string expanded = std::string("[") + std::to_string(c.expandedHeight) + ", \"QVLayoutPreview\", \"" + (c.iPad ? "3" : "") + "\"]";
    EXPECT_EQ(device.value("[[r['height'], r['accessory'], r['detail']] for r in lib['uploaded']['rows']][2]"), expanded);
    EXPECT_EQ(awaitValue(device, "[lib['uploaded']['previewLoading'], lib['uploaded']['preview']['dots'] > 0]", "[false, true]"), "[false, true]");
    EXPECT_EQ(device.value("[lib['uploaded']['preview']['size'], lib['uploaded']['preview']['alpha']]"), std::string("[") + c.previewSize + ", 1]");
    expectRequest(server, "GET", base + "/GetLayout.asp?filename=Blue.plist");
    device.ok("rowtitle Red.plist");
    EXPECT_EQ(device.value("[[r['height'], r['accessory']] for r in lib['uploaded']['rows']][2:]"),
        "[[44, \"\"], [" + std::to_string(c.expandedHeight) + ", \"QVLayoutPreview\"]]");
    expectRequest(server, "GET", base + "/GetLayout.asp?filename=Red.plist");
    device.ok("rowtitle Red.plist");
    EXPECT_EQ(device.value("dump['modalViews'][-1]['buttons']"), "[\"Download\", \"Cancel\"]");
    device.ok("sheet Cancel");
    EXPECT_EQ(device.value("[lib['uploaded']['selectedRow'], lib['uploaded']['preview']]"), "[null, null]");

    // Download: counted first, then fetched into the user folder, marked
    // and upgraded; the row shows the server's new count.
    device.ok("rowtitle my BLUE grid.plist");
    expectRequest(server, "GET", base + "/GetLayout.asp?filename=my%20BLUE%20grid.plist");
    device.ok("rowtitle my BLUE grid.plist");
    device.ok("sheet Download");
    EXPECT_EQ(awaitValue(device, topAlert,
                  "[\"Saved\", \"The layout: my BLUE grid.plist has been successfully saved! To manage it, press the \\\"Saved\\\" tab at the bottom\"]"),
        "[\"Saved\", \"The layout: my BLUE grid.plist has been successfully saved! To manage it, press the \\\"Saved\\\" tab at the bottom\"]");
    LoopbackLayoutServer::Request count = expectRequest(server, "POST", base + "/DownloadManager.asp");
    EXPECT_EQ(count.body, "filename=my%20BLUE%20grid");
    EXPECT_EQ(count.header("Content-Type").value_or(""), "application/x-www-form-urlencoded; charset=utf-8");
    expectRequest(server, "GET", base + "/GetLayout.asp?filename=my%20BLUE%20grid.plist");
    EXPECT_EQ(server.downloads(c.collection, "my BLUE grid.plist"), 8);
    device.ok("alert Ok");
    EXPECT_EQ(device.value("[[r['text'], r['detail']] for r in lib['uploaded']['rows'] if r['text'].startswith('my')]"), "[[\"my BLUE grid.plist\", \"8\"]]");
    EXPECT_EQ(device.value("[lib['uploaded']['selectedRow'], lib['uploaded']['downloads']]"), "[null, 0]");
    EXPECT_EQ(python("import plistlib, sys\nd = plistlib.load(open(sys.argv[1], 'rb'))\n"
                     "print(d.get('QV'), len(d['Origins' + sys.argv[2]]), 'Origins' + sys.argv[2] + '-Landscape' in d)",
                  { device.root.hostPath(user("my BLUE grid.plist")).string(), c.suffix }),
        "True 2 True");

    // The "Saved" tab lists it; an upload from there reaches the server,
    // which lists it next time; a second upload finds it there.
    device.ok("tab Saved");
    EXPECT_EQ(device.value("sorted(l['name'] for l in lib['saved']['layouts'] if not l['default'])"), "[\"Mine.plist\", \"my BLUE grid.plist\"]");
    device.ok("rowtitle Mine.plist");
    device.ok("sheet Upload");
    EXPECT_EQ(awaitValue(device, topAlert,
                  "[\"Uploaded\", \"The layout: Mine.plist has been successfully uploaded! Press the \\\"Uploaded\\\" tab at the bottom to search "
                  "for your, and other peoples layouts.\"]"),
        "[\"Uploaded\", \"The layout: Mine.plist has been successfully uploaded! Press the \\\"Uploaded\\\" tab at the bottom to search "
        "for your, and other peoples layouts.\"]");
    device.ok("alert Ok");
    LoopbackLayoutServer::Request upload = expectRequest(server, "POST", base + "/upload.asp");
    EXPECT_NE(upload.body.find("; filename=\"/var/mobile/Library/Quiltvane/Layouts/Mine\"\r\nContent-Type: application/x-plist\r\n\r\n"),
        std::string::npos);
    EXPECT_EQ(server.layoutFile(c.collection, "Mine.plist"), device.root.readFile(user("Mine.plist")));
    EXPECT_EQ(server.downloads(c.collection, "Mine.plist"), 0);
    device.ok("rowtitle Mine.plist");
    device.ok("sheet Upload");
    EXPECT_EQ(awaitValue(device, topAlert, "[\"File Exists\", \"Error uploading layout: Mine.plist\\nFile already exists.\"]"),
        "[\"File Exists\", \"Error uploading layout: Mine.plist\\nFile already exists.\"]");
    device.ok("alert Ok");
    expectRequest(server, "POST", base + "/upload.asp");

    device.ok("tab Uploaded");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['title']", "\"Uploaded (5)\""), "\"Uploaded (5)\"");
    EXPECT_EQ(device.value("[r['text'] for r in lib['uploaded']['rows']][-1]"), "\"Mine.plist\"");
    expectRequest(server, "GET", base + "/SortedDownloadCounter.asp");
    EXPECT_EQ(device.quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, UploadedLayoutsProcess,
    ::testing::Values(DeviceCase { "iphone-4", "iPhone4Inch", "-4Inch", 70, "[190, 60]", false },
        DeviceCase { "ipad", "iPad", "-iPad", 80, "[210, 80]", true }),
    [](const ::testing::TestParamInfo<DeviceCase>& info) { return std::string(info.param.iPad ? "iPad" : "Phone"); });

// A server that is down, one that answers too slowly, and one that answers
// nonsense: the Part's messages, and the application goes on working.
TEST(LayoutServerFailuresProcess, DownSlowAndNonsenseServers)
{
    {
        InstalledDevice device("iphone-4", hostPreference("127.0.0.1:" + std::to_string(qv::testing::LoopbackHTTPServer::closedPort())));
        device.writeLayout(user("Mine.plist"), 3, 20, 60);
        device.startApplication();
        device.ok("tab Uploaded");
        EXPECT_EQ(awaitValue(device, topAlertTitle, "\"Error\""), "\"Error\"");
        EXPECT_EQ(device.value(topAlert), "[\"Error\", \"A connection failure occurred\"]");
        device.ok("alert Ok");
        EXPECT_EQ(device.value("[lib['uploaded']['label'], lib['uploaded']['tableHidden'], lib['uploaded']['loading']]"),
            "[\"No Layouts Found\", true, false]");
        device.ok("tab Saved");
        device.ok("rowtitle Mine.plist");
        device.ok("sheet Upload");
        EXPECT_EQ(awaitValue(device, topAlert, "[\"Error\", \"A connection failure occurred\"]"), "[\"Error\", \"A connection failure occurred\"]");
        device.ok("alert Ok");
        EXPECT_EQ(device.quit(), 0);
    }

    LoopbackLayoutServer server;
    ASSERT_NE(server.port(), 0);
    server.addLayout("iPhone4Inch", "Blue.plist", fromHex(serverLayout("-4Inch", 4)), 3);
    InstalledDevice device("iphone-4", hostPreference(server.host()));
    device.writeLayout(user("Mine.plist"), 3, 20, 60);
    device.startApplication();
    device.ok("tab Uploaded");
    EXPECT_EQ(awaitValue(device, uploadedRows, "[\"Blue.plist|3\"]"), "[\"Blue.plist|3\"]");

    // Slow: the thumbnail stays empty and the screen answers while its
    // fetch waits; the fetch gives up without a word, the listing with the
    // library's message, and the list stays.
    ASSERT_TRUE(server.command("delay 40"));
    EXPECT_EQ(device.valueRightAfter("rowtitle Blue.plist", "[lib['uploaded']['previewLoading'], lib['uploaded']['preview']['dots']]"), "[true, 0]");
    device.ok("pull");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['previewLoading']", "false", 60), "false");
    EXPECT_EQ(device.value("[lib['uploaded']['preview']['dots'], dump['modalViews']]"), "[0, []]");
    EXPECT_EQ(awaitValue(device, topAlert, "[\"Error\", \"The request timed out\"]", 60), "[\"Error\", \"The request timed out\"]");
    device.ok("alert Ok");
    // A pull collapses nothing: the row is still expanded, its count hidden.
    EXPECT_EQ(device.value("[" + std::string(uploadedRows) + ", lib['uploaded']['selectedRow'], lib['uploaded']['refreshing'], lib['uploaded']['tableHidden']]"),
        "[[\"Blue.plist|\"], 0, false, false]");
    ASSERT_TRUE(server.command("normal"));

    // Nonsense: a listing's bad records are left out (a count that is no
    // number reads as an integer and costs nothing), a count reply that is
    // no number ends the download silently, a file that is no layout gives
    // an empty thumbnail, and an upload's odd answer is an error.
    const std::string listing = std::string("Good.plists/s/2n/n/") + "\xff\xfe" + "Bad.plists/s/1n/n/" + "No separatorn/n/" + "Count.plists/s/lotsn/n/"
        + "../Escape.plists/s/4n/n/" + "Minus.plists/s/-3n/n/" + "Also Good.plists/s/ 5n/n/" + "Tail.plists/s/6";
    ASSERT_TRUE(server.command("listing " + toHex(listing)));
    device.ok("pull");
    const std::string listed = "[\"Good.plist|2\", \"Count.plist|0\", \"Minus.plist|-3\", \"Also Good.plist|5\"]";
    EXPECT_EQ(awaitValue(device, uploadedRows, listed), listed);
    ASSERT_TRUE(server.command("garbage"));
    device.ok("rowtitle Good.plist");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['previewLoading']", "false"), "false");
    EXPECT_EQ(device.value("lib['uploaded']['preview']['dots']"), "0");
    device.ok("rowtitle Good.plist");
    device.ok("sheet Download");
    EXPECT_EQ(awaitValue(device, "lib['uploaded']['downloads']", "0"), "0");
    EXPECT_EQ(device.value("[lib['uploaded']['selectedRow'], dump['modalViews']]"), "[0, []]");
    EXPECT_FALSE(device.exists(user("Good.plist")));
    device.ok("tab Saved");
    device.ok("rowtitle Mine.plist");
    device.ok("sheet Upload");
    EXPECT_EQ(awaitValue(device, topAlertTitle, "\"Error\""), "\"Error\"");
    EXPECT_EQ(device.value(topAlert),
        "[\"Error\", \"Error uploading layout: Mine.plist\\nError saving file. Please use Cydia to contact the developer if this error persists.\"]");
    device.ok("alert Ok");
    EXPECT_EQ(device.quit(), 0);
}

namespace {

// The User-Agent the HTTP library makes of the installed bundle's
// Info.plist and the device.
std::string userAgentOf(const char* model)
{
    return std::string("Quilt Vane 1.0 (") + model + "; iPhone OS 8.4; en_GB)";
}

// The "Saved" alert as the dump shows it.
std::string savedAlert(const std::string& name)
{
    return "[\"Saved\", \"The layout: " + name + " has been successfully saved! To manage it, press the \\\"Saved\\\" tab at the bottom\"]";
}

} // namespace

// A listing whose records end with CR LF, whose counts are empty, negative,
// too big or "nan", and whose names have dots: every layout is listed
// (counts read as integers, 0 without digits), only the names that are no
// single file name are left out, and a dotted name downloads. Every request
// carries the bundle's User-Agent.
TEST(LayoutServerRepliesProcess, OddListingsAreListedWhole)
{
    qv::testing::ScopedEnvironment locale("LC_ALL", "en_GB.UTF-8");
    LoopbackLayoutServer server;
    ASSERT_NE(server.port(), 0);
    server.addLayout("iPhone4Inch", "My..Layout.plist", fromHex(serverLayout("-4Inch", 3)), 4);
    const std::string listing = std::string("Blue.plists/s/3n/n/\r\n") + "Empty.plists/s/n/n/\r\n" + "Minus.plists/s/-4n/n/\r\n"
        + "Big.plists/s/99999999999n/n/\r\n" + "NaN.plists/s/nann/n/\r\n" + "My..Layout.plists/s/4n/n/\r\n" + ".s/s/2n/n/\r\n"
        + "..s/s/2n/n/\r\n" + "a/b.plists/s/2n/n/\r\n" + "Last.plists/s/ 7n/n/\r\n";
    ASSERT_TRUE(server.command("listing " + toHex(listing)));
    InstalledDevice device("iphone-4", hostPreference(server.host()));
    device.startApplication();
    device.ok("tab Uploaded");
    const std::string rows = "[\"Blue.plist|3\", \"Empty.plist|0\", \"Minus.plist|-4\", \"Big.plist|2147483647\", \"NaN.plist|0\", "
                             "\"My..Layout.plist|4\", \"Last.plist|7\"]";
    EXPECT_EQ(awaitValue(device, uploadedRows, rows), rows);
    EXPECT_EQ(device.value("[lib['uploaded']['title'], lib['uploaded']['tableHidden']]"), "[\"Uploaded (7)\", false]");
    LoopbackLayoutServer::Request listed = expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/DownloadCounter.asp");
    EXPECT_EQ(listed.header("User-Agent").value_or("(none)"), userAgentOf("iPhone"));

    device.ok("rowtitle My..Layout.plist");
    expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/GetLayout.asp?filename=My..Layout.plist");
    device.ok("rowtitle My..Layout.plist");
    device.ok("sheet Download");
    EXPECT_EQ(awaitValue(device, topAlert, savedAlert("My..Layout.plist")), savedAlert("My..Layout.plist"));
    device.ok("alert Ok");
    LoopbackLayoutServer::Request count = expectRequest(server, "POST", "/Apps/Quiltvane/Layouts/iPhone4Inch/DownloadManager.asp");
    EXPECT_EQ(count.body, "filename=My..Layout");
    EXPECT_EQ(count.header("User-Agent").value_or("(none)"), userAgentOf("iPhone"));
    expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/GetLayout.asp?filename=My..Layout.plist");
    EXPECT_EQ(server.downloads("iPhone4Inch", "My..Layout.plist"), 5);
    EXPECT_EQ(python("import plistlib, sys\nd = plistlib.load(open(sys.argv[1], 'rb'))\nprint(d.get('QV'), len(d['Origins-4Inch']))",
                  { device.root.hostPath(user("My..Layout.plist")).string() }),
        "True 3");
    EXPECT_EQ(device.quit(), 0);
}

// A fetch answered by an error page, or by a body that is no layout, is
// counted by the server and then ends with an "Error" alert naming the
// layout; nothing is written to the user layouts folder.
TEST(LayoutServerRepliesProcess, AFetchWithoutALayoutSaysSo)
{
    LoopbackLayoutServer server;
    ASSERT_NE(server.port(), 0);
    const std::string layout = fromHex(serverLayout("-4Inch", 4));
    server.addLayout("iPhone4Inch", "Blue.plist", layout, 3);
    InstalledDevice device("iphone-4", hostPreference(server.host()));
    device.startApplication();
    device.ok("tab Uploaded");
    EXPECT_EQ(awaitValue(device, uploadedRows, "[\"Blue.plist|3\"]"), "[\"Blue.plist|3\"]");
    expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/DownloadCounter.asp");

    const struct {
        const char* name;
        int status;
        std::string body;
        const char* reason;
    } replies[] = {
        { "a 404 page", 404, "<html><body><h1>404 Not Found</h1></body></html>", "The server answered 404." },
        { "an empty body", 200, "", "The server sent no layout." },
        { "a truncated layout", 200, layout.substr(0, layout.size() / 2), "The server sent no layout." },
    };
    int downloads = 3;
    for (const auto& reply : replies) {
        SCOPED_TRACE(reply.name);
        ASSERT_TRUE(server.command("fetch " + std::to_string(reply.status) + " " + toHex(reply.body)));
        device.ok("rowtitle Blue.plist");
        expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/GetLayout.asp?filename=Blue.plist");
        device.ok("rowtitle Blue.plist");
        device.ok("sheet Download");
        const std::string alert = std::string("[\"Error\", \"Error downloading layout: Blue.plist\\n") + reply.reason + "\"]";
        EXPECT_EQ(awaitValue(device, topAlert, alert), alert);
        device.ok("alert Ok");
        expectRequest(server, "POST", "/Apps/Quiltvane/Layouts/iPhone4Inch/DownloadManager.asp");
        expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPhone4Inch/GetLayout.asp?filename=Blue.plist");
        EXPECT_EQ(server.downloads("iPhone4Inch", "Blue.plist"), ++downloads);
        EXPECT_FALSE(device.exists(user("Blue.plist")));
        EXPECT_EQ(device.value("[lib['uploaded']['selectedRow'], lib['uploaded']['downloads'], dump['modalViews']]"), "[null, 0, []]");
    }
    EXPECT_EQ(device.quit(), 0);
}

// A server that compresses its replies (the requests accept gzip): the
// listing reads, and an upload's "SUCCESS" and "EXISTS" are read inflated.
// A name with two dots inside is shared like any other, byte for byte.
TEST(LayoutServerRepliesProcess, CompressedRepliesAreReadAndDottedNamesUpload)
{
    qv::testing::ScopedEnvironment locale("LC_ALL", "en_GB.UTF-8");
    LoopbackLayoutServer server;
    ASSERT_NE(server.port(), 0);
    server.addLayout("iPad", "Blue.plist", fromHex(serverLayout("-iPad", 4)), 3);
    ASSERT_TRUE(server.command("gzip"));
    InstalledDevice device("ipad", hostPreference(server.host()));
    device.writeLayout(user("My..Layout.plist"), 3, 20, 60);
    device.startApplication();
    device.ok("tab Uploaded");
    EXPECT_EQ(awaitValue(device, uploadedRows, "[\"Blue.plist|3\"]"), "[\"Blue.plist|3\"]");
    expectRequest(server, "GET", "/Apps/Quiltvane/Layouts/iPad/DownloadCounter.asp");

    device.ok("tab Saved");
    device.ok("rowtitle My..Layout.plist");
    device.ok("sheet Upload");
    const std::string uploaded = "[\"Uploaded\", \"The layout: My..Layout.plist has been successfully uploaded! Press the \\\"Uploaded\\\" tab at "
                                 "the bottom to search for your, and other peoples layouts.\"]";
    EXPECT_EQ(awaitValue(device, topAlert, uploaded), uploaded);
    device.ok("alert Ok");
    LoopbackLayoutServer::Request upload = expectRequest(server, "POST", "/Apps/Quiltvane/Layouts/iPad/upload.asp");
    EXPECT_EQ(upload.header("Accept-Encoding").value_or("(none)"), "gzip");
    EXPECT_EQ(upload.header("User-Agent").value_or("(none)"), userAgentOf("iPad"));
    EXPECT_NE(upload.body.find("; filename=\"/var/mobile/Library/Quiltvane/Layouts/My..Layout\"\r\n"), std::string::npos);
    EXPECT_EQ(server.layoutFile("iPad", "My..Layout.plist"), device.root.readFile(user("My..Layout.plist")));

    device.ok("rowtitle My..Layout.plist");
    device.ok("sheet Upload");
    const std::string exists = "[\"File Exists\", \"Error uploading layout: My..Layout.plist\\nFile already exists.\"]";
    EXPECT_EQ(awaitValue(device, topAlert, exists), exists);
    device.ok("alert Ok");
    expectRequest(server, "POST", "/Apps/Quiltvane/Layouts/iPad/upload.asp");
    EXPECT_EQ(device.quit(), 0);
}
