#include "model/QVUploadedLayout.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/Foundation/FoundationTesting.h"
#include "testing/LoopbackHTTPServer.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using namespace qv;
using qv::testing::LoopbackHTTPServer;
using qv::testing::ScopedDeviceProfile;

namespace {

class QVUploadedLayoutTest : public ::testing::Test {
protected:
    void serve(const std::string& name, const NSDictionary& layout)
    {
        ASSERT_TRUE(layout.writeToFile("/served.plist", true));
        std::ofstream(served.path() / name, std::ios::binary) << layouts.root().readFile("/served.plist");
    }
    Ref<QVUploadedLayout> entry(const std::string& path, const std::string& name = "Blue")
    {
        return QVUploadedLayout::create(NSURL::URLWithString(server.url(path)), name, 12);
    }
    static Ref<NSDictionary> layoutWithIcons(int count)
    {
        return NSDictionary::create({ { "QV", true }, { "Origins-4Inch", qv::testing::iconList(8, count) } });
    }

    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4" };
    // The silent server of the failure cases is given up on soon.
    ScopedURLLoadTimeout shortLoads { 0.5 };
    qv::testing::TemporaryDirectory served;
    LoopbackHTTPServer server { served.path() };
};

} // namespace

// A new entry knows its name, address and count, and has loaded nothing.
TEST_F(QVUploadedLayoutTest, NewEntryLoadsNothing)
{
    serve("a.plist", layoutWithIcons(1));
    serve("b.plist", layoutWithIcons(1));
    Ref<QVUploadedLayout> unused = entry("/a.plist", "Blue Grid");
    EXPECT_EQ(unused->layoutName(), "Blue Grid");
    EXPECT_EQ(unused->layoutURL()->absoluteString(), server.url("/a.plist"));
    EXPECT_EQ(unused->layoutDownloads(), 12);
    EXPECT_FALSE(unused->selected());
    EXPECT_FALSE(unused->QV());
    EXPECT_FALSE(unused->folderLayout());
    EXPECT_FALSE(unused->defaultLayout());
    EXPECT_FALSE(unused->layoutPath());
    unused->setLayoutDownloads(13);
    unused->setSelected(true);
    EXPECT_EQ(unused->layoutDownloads(), 13);
    EXPECT_TRUE(unused->selected());

    EXPECT_TRUE(entry("/b.plist")->layoutData());
    EXPECT_EQ(server.nextRequest(), "GET /b.plist") << "the first entry never asked the server";

    EXPECT_FALSE(QVUploadedLayout::create("Blue.plist", false)) << "no entry from a file";
}

// The data and the thumbnail are fetched anew at every request, as the
// server has the file then, and are not kept; what a setter stores is
// never handed back.
TEST_F(QVUploadedLayoutTest, FetchedAnewEachTime)
{
    serve("Blue.plist", layoutWithIcons(2));
    Ref<QVUploadedLayout> blue = entry("/Blue.plist");
    blue->setLayoutData(NSDictionary::create());
    blue->setLayoutPreview(QVLayoutPreview::create(CGRectZero, nullptr));

    RefPtr<QVLayoutPreview> first = blue->layoutPreview();
    serve("Blue.plist", layoutWithIcons(3));
    RefPtr<QVLayoutPreview> second = blue->layoutPreview();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->subviews().size(), 2u);
    EXPECT_EQ(second->subviews().size(), 3u);
    EXPECT_EQ(second->frame(), CGRectMake(0, 0, 190, 60));

    RefPtr<NSDictionary> data = blue->layoutData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->isEqual(layoutWithIcons(3).ptr()));
    EXPECT_NE(data.get(), blue->layoutData().get());
    for (int request = 0; request < 4; ++request)
        EXPECT_EQ(server.nextRequest(), "GET /Blue.plist");
}

// Data as the server sends it: an older key form is not upgraded.
TEST_F(QVUploadedLayoutTest, DataIsNotUpgraded)
{
    auto older = NSDictionary::create({ { "Origins", qv::testing::iconList(1, 2) } });
    serve("Old.plist", older);
    RefPtr<NSDictionary> data = entry("/Old.plist")->layoutData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->isEqual(older.ptr()));
}

// A server that never answers, a closed port, a web page, an oversized
// answer, an error status and no address at all: no data, an empty
// thumbnail, within the load's time-out.
TEST_F(QVUploadedLayoutTest, FailedLoadsGiveNothing)
{
    ScopedDeviceProfile pad("ipad");
    const std::vector<std::string> urls {
        server.url("/_/hang"),
        "http://127.0.0.1:" + std::to_string(LoopbackHTTPServer::closedPort()) + "/Blue.plist",
        server.url("/_/html"),
        server.url("/_/big/" + std::to_string(8u << 20)),
        server.url("/_/stream/" + std::to_string(8u << 20)),
        server.url("/_/status/404"),
        server.url("/missing.plist"),
    };
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        Ref<QVUploadedLayout> layout = QVUploadedLayout::create(NSURL::URLWithString(url), "Broken", 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(layout->layoutData());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << "bounded by the time-out";
        RefPtr<QVLayoutPreview> preview = layout->layoutPreview();
        ASSERT_TRUE(preview);
        EXPECT_EQ(preview->frame(), CGRectMake(0, 0, 210, 80));
        EXPECT_TRUE(preview->subviews().empty());
    }
    EXPECT_FALSE(QVUploadedLayout::create(nullptr, "Nowhere", 0)->layoutData());
}
