// scripts/run-springboard as a new user meets it, run as a real process on
// the tests' own build (which it finds built) and a device root of the
// test's.

#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/objc/DynamicLibraries.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace qv;

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// Each expected line begins a line of the output, in the order given; a
// line that is missing, or stands before the one expected before it,
// fails.
void expectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected)
{
    size_t next = 0;
    for (const std::string& wanted : expected) {
        size_t found = next;
        while (found < lines.size() && lines[found].rfind(wanted, 0) != 0)
            ++found;
        ASSERT_LT(found, lines.size()) << "missing, or out of order: \"" << wanted << "\"";
        next = found + 1;
    }
}

std::string fileContents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

std::string binaryPlist(const std::string& pythonValue)
{
    qv::testing::ProcessResult written = qv::testing::runPython(
        "import plistlib, sys; sys.stdout.buffer.write(plistlib.dumps(" + pythonValue + "))");
    EXPECT_EQ(written.exitCode, 0) << written.errors;
    return written.output;
}

class RunSpringBoardTest : public ::testing::Test {
protected:
    // The script on the tests' build, with its standard error in its output
    // as a terminal shows them.
    qv::testing::ProcessResult run(const std::vector<std::string>& commands, const std::string& script = scriptPath())
    {
        std::vector<std::string> argv { "/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", script };
        argv.insert(argv.end(), commands.begin(), commands.end());
        return qv::testing::runProcess(argv, {}, std::chrono::minutes(5));
    }

    static std::string scriptPath() { return qv::testing::sourceDirectory() + "/scripts/run-springboard"; }

    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment build { "QV_RELEASE_BUILD", qv::testing::buildDirectory() };
    qv::testing::ScopedEnvironment device { "QV_DEVICE", std::nullopt };
};

} // namespace

// The user's own root and home screen are used and kept; what the host
// logs and what it answers come in order, each answer naming its command
// after the log lines of that command; the dump names the device and its
// screen; an extension's printing passes through as text.
TEST_F(RunSpringBoardTest, RunsOnTheUsersRootAndHomeScreenWithTheAnswersInOrder)
{
    const std::string homeScreen = binaryPlist(
        "{'pages': [['Weather', 'Maps', {'kind': 'folder', 'name': 'Box', 'pages': [['Notes']]}], ['Stocks']], 'dock': ['Phone']}");
    root.writeFile(SBHomeScreenDescription::homeScreenPath, homeScreen);
    std::filesystem::create_directories(root.hostPath(kSubstrateLibraryFolder));
    std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/ChattyExtension.dylib",
        root.hostPath(kSubstrateLibraryFolder) / "ChattyExtension.dylib");
    qv::testing::ScopedEnvironment ipad("QV_DEVICE", "ipad");

    qv::testing::ProcessResult result = run({ "launch Weather", "lock", "page 1", "unlock", "rotate landscapeleft", "dump" });
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> lines = linesOf(result.output);
    expectInOrder(lines, {
        "ChattyExtension: loading {\"ok\": not json",
        "ChattyExtension: \xEF\xBF\xBD\xEF\xBF\xBD",
        "SpringBoard: launching com.apple.weather from location 0",
        "> launch Weather: ok",
        "SpringBoard: locked",
        "> lock: ok",
        "> page 1: error: the device is locked",
        "SpringBoard: unlocked from source 0",
        "> unlock: ok",
        "> rotate landscapeleft: ok {\"rotated\": true}",
        "> dump: ok",
        "  device ipad, screen 1024 x 768 points (scale 2)",
        "  orientation 4, editing False, locked False, page 0, held None, last launched Weather, open folder None",
        "  Page 0  SBRootIconListView (",
        "      Weather          application  (",
        "      Maps             application  (",
        "      Box              folder       (",
        "  Page 1  SBRootIconListView (",
        "      Stocks           application  (",
        "  Dock  SBDockIconListView (",
        "      Phone            application  (",
        "  Box, page 0  SBFolderIconListView (",
        "      Notes            application  (",
        "> quit: ok",
    });
    EXPECT_NE(result.output.find("{\"ok\":true,\"dangling\":"), std::string::npos) << "the open line shows as text";
    // The user's home screen is what the dump shows, and it is kept.
    EXPECT_EQ(result.output.find("      Messages "), std::string::npos) << "not the default home screen";
    EXPECT_EQ(root.readFile(SBHomeScreenDescription::homeScreenPath), homeScreen);
    EXPECT_TRUE(std::filesystem::is_regular_file(root.hostPath("/Library/Application Support/Quiltvane/Layouts/Default.plist")))
        << "the root was laid out";
}

// A device or a root the host cannot run on is a clear error and a
// failure, not a warning.
TEST_F(RunSpringBoardTest, AnUnknownDeviceOrAnUnusableRootFails)
{
    {
        qv::testing::ScopedEnvironment unknown("QV_DEVICE", "iphone-99");
        qv::testing::ProcessResult result = run({ "dump" });
        EXPECT_EQ(result.exitCode, 2) << result.output;
        EXPECT_NE(result.output.find("springboard: QV_DEVICE \"iphone-99\" names no known device (iphone-3.5, iphone-4, iphone-4.7, iphone-5.5, ipad)"),
            std::string::npos)
            << result.output;
        EXPECT_EQ(result.output.find("> dump"), std::string::npos);
    }
    qv::testing::TemporaryDirectory scratch;
    const std::filesystem::path file = scratch.path() / "file";
    std::ofstream(file) << "not a folder";
    for (const std::string& unusable : { file.string(), std::string("/") }) {
        SCOPED_TRACE(unusable);
        qv::testing::ScopedEnvironment badRoot("QV_ROOT", unusable);
        qv::testing::ProcessResult result = run({ "dump" });
        EXPECT_NE(result.exitCode, 0) << result.output;
        EXPECT_NE(result.output.find("qv-install-root: cannot use " + unusable + " as the device root"), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("> dump"), std::string::npos);
    }
    EXPECT_EQ(fileContents(file), "not a folder");
}

// A home screen with a kind of the wrong type is not read as something
// else: the log says where it is wrong, and the default home screen shows.
TEST_F(RunSpringBoardTest, AHomeScreenThatCannotBeReadIsLoggedWithThePlace)
{
    const std::string homeScreen = binaryPlist("{'pages': [[{'kind': 1, 'name': 'Work', 'pages': [['Notes']]}]]}");
    root.writeFile(SBHomeScreenDescription::homeScreenPath, homeScreen);
    qv::testing::ProcessResult result = run({ "dump" });
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("SpringBoard: /var/mobile/Library/SpringBoard/HomeScreen.plist: pages[0][0].kind: \"kind\" is a string; "
                                 "the default home screen is used"),
        std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("      Messages "), std::string::npos);
    EXPECT_EQ(result.output.find("Work, page"), std::string::npos) << "no folder of the file shows";
    EXPECT_EQ(root.readFile(SBHomeScreenDescription::homeScreenPath), homeScreen) << "the user's file is only read";
}

// A build that fails shows why: the compiler's or CMake's own words, not
// a bare failure; so does the script that lays out a device root.
TEST_F(RunSpringBoardTest, AFailedBuildShowsItsOutput)
{
    const char* const brokenSource = "cmake_minimum_required(VERSION 3.25)\nproject(Broken LANGUAGES CXX)\n"
                                     "add_executable(springboard broken.cpp)\nadd_executable(qv-install-root broken.cpp)\n";
    struct Case {
        const char* script;
        const char* cmakeLists;
        const char* shown;
    };
    const Case cases[] = {
        { "run-springboard", brokenSource, "broken.cpp:1:" },
        { "run-springboard", "cmake_minimum_required(VERSION 3.25)\nproject(Broken LANGUAGES CXX)\nadd_executable(springboard\n", "CMakeLists.txt" },
        { "device-root", brokenSource, "broken.cpp:1:" },
    };
    qv::testing::ScopedEnvironment ownBuild("QV_RELEASE_BUILD", std::nullopt);
    qv::testing::ScopedEnvironment ownTestBuild("QV_TEST_BUILD", std::nullopt);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.script) + " " + c.shown);
        qv::testing::TemporaryDirectory tree;
        std::filesystem::create_directories(tree.path() / "scripts");
        for (const char* file : { "run-springboard", "device-root", "quietly.sh", "install-packages", "packages.txt", "springboard-answers.py" })
            std::filesystem::copy_file(qv::testing::sourceDirectory() + "/scripts/" + file, tree.path() / "scripts" / file);
        std::ofstream(tree.path() / "CMakeLists.txt") << c.cmakeLists;
        std::ofstream(tree.path() / "broken.cpp") << "int main() { return 0 }\n";

        qv::testing::ProcessResult result = run({}, (tree.path() / "scripts" / c.script).string());
        EXPECT_NE(result.exitCode, 0) << result.output;
        EXPECT_NE(result.output.find(c.shown), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(std::string(c.script) + ": failed"), std::string::npos) << result.output;
    }
}

// The map of the source in the README names only folders a newcomer finds.
TEST(ReadmeTest, TheMapOfTheSourceNamesFoldersThatExist)
{
    const std::filesystem::path top = qv::testing::sourceDirectory();
    const std::vector<std::string> lines = linesOf(fileContents(top / "README.md"));
    auto heading = std::find(lines.begin(), lines.end(), "## Layout of the source");
    ASSERT_NE(heading, lines.end());
    auto open = std::find(heading, lines.end(), "```");
    ASSERT_NE(open, lines.end());
    size_t folders = 0;
    for (auto line = open + 1; line != lines.end() && *line != "```"; ++line) {
        const std::string first = line->substr(0, line->find(' '));
        if (first.empty() || first.back() != '/')
            continue;
        ++folders;
        EXPECT_TRUE(std::filesystem::is_directory(top / first)) << first;
    }
    EXPECT_GE(folders, 3u) << "the map lists folders";
}
