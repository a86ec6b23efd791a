// The layout server (hosts/layoutserver/layout-server.py) as its owner runs
// it: a "downloads.json" it cannot read (cut short, mended by hand into
// something else) holds counts its owner may still want, so a download or
// an upload must not write over it; the server says so and goes on.
#include "testing/Process.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Lays out a folder of the server with one layout and the counts file
// given (on the standard input), starts the server on a free port of
// 127.0.0.1, counts a download of the layout and uploads another as the
// application does, and stops the server. Prints each answer (status and
// body), whether the counts file is byte for byte as it was, whether the
// upload was stored, and what the server said on its standard error, one
// line each.
const char* const countsScript = R"PY(
import ctypes, os, plistlib, signal, subprocess, sys, urllib.request
folder, server_path = sys.argv[1:3]
counts = sys.stdin.buffer.read()
collection = os.path.join(folder, "iPhone4Inch")
os.makedirs(collection)
layout = plistlib.dumps({"QV": True, "Origins-4Inch": [{"x": 20, "y": 40}]})
with open(os.path.join(collection, "Blue.plist"), "wb") as f:
    f.write(layout)
counts_path = os.path.join(collection, "downloads.json")
with open(counts_path, "wb") as f:
    f.write(counts)

def die_with_parent():
    ctypes.CDLL("libc.so.6").prctl(1, signal.SIGTERM)

server = subprocess.Popen([sys.executable, server_path, folder, "--port", "0"], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, preexec_fn=die_with_parent)
try:
    port = int(server.stdout.readline().split()[1])
    address = "http://127.0.0.1:%d/Apps/Quiltvane/Layouts/iPhone4Inch/" % port
    def answer(request):
        try:
            with urllib.request.urlopen(request, timeout=20) as reply:
                return "%d %s" % (reply.status, reply.read().decode())
        except urllib.error.HTTPError as error:
            return "%d %s" % (error.code, error.read().decode())
    print("download", answer(urllib.request.Request(address + "DownloadManager.asp", data=b"filename=Blue")))
    boundary = "0xKhTmLbOuNdArY-01234567-89AB-CDEF-0123-456789ABCDEF"
    form = (("--%s\r\nContent-Disposition: form-data; name=\"userfile\"; filename=\"Red.plist\"\r\n"
             "Content-Type: application/x-plist\r\n\r\n") % boundary).encode() + layout + ("\r\n--%s--\r\n" % boundary).encode()
    print("upload", answer(urllib.request.Request(address + "upload.asp", data=form,
                                                  headers={"Content-Type": "multipart/form-data; charset=utf-8; boundary=" + boundary})))
finally:
    server.terminate()
    _, errors = server.communicate(timeout=20)
with open(counts_path, "rb") as f:
    print("counts kept" if f.read() == counts else "counts changed")
print("upload stored" if os.path.exists(os.path.join(collection, "Red.plist")) else "upload not stored")
print(errors.strip())
)PY";

struct UnreadableCounts {
    const char* name;
    const char* bytes;
};

// Names the case in test output (instead of its bytes).
void PrintTo(const UnreadableCounts& counts, std::ostream* out)
{
    *out << counts.name;
}

class LayoutServerCounts : public ::testing::TestWithParam<UnreadableCounts> { };

TEST_P(LayoutServerCounts, AnUnreadableCountsFileIsLeftAsItIs)
{
    qv::testing::TemporaryDirectory folder;
    qv::testing::ProcessResult run = qv::testing::runPython(countsScript,
        { (folder.path() / "layouts").string(), qv::testing::sourceDirectory() + "/hosts/layoutserver/layout-server.py" }, GetParam().bytes);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    const std::vector<std::string> lines = qv::testing::outputLines(run.output);
    // The download is served and counted as ever, but not kept; so is the
    // upload's count of 0. The server says why once for each.
    ASSERT_GE(lines.size(), 4u) << run.output;
    EXPECT_EQ(lines[0], "download 200 1");
    EXPECT_EQ(lines[1], "upload 200 SUCCESS");
    EXPECT_EQ(lines[2], "counts kept");
    EXPECT_EQ(lines[3], "upload stored");
    const std::string why = (folder.path() / "layouts/iPhone4Inch/downloads.json").string() + " cannot be read as a JSON object of counts; it is left as it is";
    const std::vector<std::string> said(lines.begin() + 4, lines.end());
    EXPECT_EQ(said, std::vector<std::string>(2, "layout-server: " + why + ", and download counts are not kept until it is mended"));
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutServerCounts,
    ::testing::Values(UnreadableCounts { "CutShort", "{\n \"Blue.plist\": 7,\n \"Red" }, UnreadableCounts { "AList", "[\"Blue.plist\", 7]" },
        UnreadableCounts { "NotUTF8", "{\"Blue\xff.plist\": 7}" }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
