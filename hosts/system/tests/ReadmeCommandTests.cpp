// The README's commands as a newcomer pastes them: the command that sets
// "LayoutServerHost" on a device root is taken from the README itself and
// run in the source folder; and every script the README names can be run
// as the README shows it.
#include "PreferenceFileFixtures.h"
#include "SystemTestSupport.h"

#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <sys/stat.h>

using namespace qv;
using namespace qv::systemtest;

namespace {

const char* const profile = "iphone-4";

std::string readme()
{
    std::ifstream file(qv::testing::sourceDirectory() + "/README.md");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The README's command for "LayoutServerHost": the first code block after
// the setting is first named.
std::string layoutServerHostCommand()
{
    const std::string text = readme();
    const size_t named = text.find("\"LayoutServerHost\"");
    const size_t start = named == std::string::npos ? named : text.find("```\n", named);
    const size_t end = start == std::string::npos ? start : text.find("\n```", start + 4);
    if (end == std::string::npos) {
        ADD_FAILURE() << "the README shows no command for \"LayoutServerHost\"";
        return "false";
    }
    return text.substr(start + 4, end - start - 4);
}

// Runs the README's command as pasted into a shell in the source folder,
// with QV_ROOT naming the device's root, after the shell commands given.
qv::testing::ProcessResult runLayoutServerHostCommand(const std::string& before = {})
{
    return qv::testing::runProcess(
        { "/bin/bash", "-c", before + "\ncd \"$1\" && eval \"$2\"", "bash", qv::testing::sourceDirectory(), layoutServerHostCommand() });
}

// The preference file as plistlib reads it: its form ("binary", "xml"),
// its "LayoutServerHost" and its other values.
struct PreferenceFile {
    std::string form;
    std::string host;
    std::string otherValues;
};

PreferenceFile readPreferenceFile(const SimulatedDevice& device)
{
    const std::vector<std::string> lines = qv::testing::outputLines(python(R"(
import plistlib, sys
with open(sys.argv[1], "rb") as f:
    data = f.read()
values = plistlib.loads(data)
print("binary" if data.startswith(b"bplist") else "xml")
print(values.pop("LayoutServerHost", None))
print(sorted(values.items()))
)",
        { device.root.hostPath(sharedPreferencesPath).string() }));
    if (lines.size() != 3)
        return {};
    return { lines[0], lines[1], lines[2] };
}

} // namespace

class LayoutServerHostCommand : public ::testing::TestWithParam<const char*> { };

// The host is added and every other value kept, in the file's own form: a
// binary file holding text XML cannot carry stays binary. On a device root
// without preferences, the file is made, as the system starts it.
TEST_P(LayoutServerHostCommand, AddsTheHostAndKeepsEveryValueInTheFilesForm)
{
    SimulatedDevice device(profile);
    const std::string form = GetParam();
    PreferenceFile before { "xml", "None", "[]" };
    if (form == "none") {
        std::filesystem::remove_all(device.root.hostPath(sharedPreferencesPath).parent_path());
    } else {
        python(makePreferenceFile, { device.root.hostPath(sharedPreferencesPath).string(), form });
        before = readPreferenceFile(device);
        ASSERT_EQ(before.form, form);
        ASSERT_EQ(before.host, "None");
    }
    qv::testing::ProcessResult command = runLayoutServerHostCommand();
    ASSERT_FALSE(command.timedOut);
    EXPECT_EQ(command.exitCode, 0) << command.output << command.errors;
    const PreferenceFile after = readPreferenceFile(device);
    EXPECT_EQ(after.form, before.form);
    EXPECT_EQ(after.host, "127.0.0.1:8080");
    EXPECT_EQ(after.otherValues, before.otherValues);
    EXPECT_EQ(filesBesidePreferences(device), std::set<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Forms, LayoutServerHostCommand, ::testing::Values("binary", "xml", "none"));

class LayoutServerHostRefusal : public ::testing::TestWithParam<UnwritablePreferences> { };

// A file the command cannot read, or cannot write back with every value it
// holds, is refused with the reason and left byte for byte as it was.
TEST_P(LayoutServerHostRefusal, AFileThatCannotBeWrittenBackIsLeftAsItWas)
{
    SimulatedDevice device(profile);
    python(makePreferenceFile, { device.root.hostPath(sharedPreferencesPath).string(), GetParam().damage });
    const std::string before = device.root.readFile(sharedPreferencesPath);
    qv::testing::ProcessResult command = runLayoutServerHostCommand();
    expectLeftAsItWas(device, before, command, command.errors, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutServerHostRefusal, ::testing::ValuesIn(unwritablePreferenceFiles),
    [](const auto& info) { return std::string(info.param.name); });

// A disk that fills while the new file is written: the file stays whole as
// it was, and the command says why it failed.
TEST(LayoutServerHostCommandOnAFullDisk, LeavesTheFileAsItWas)
{
    SimulatedDevice device(profile);
    python("import plistlib, sys\nplistlib.dump({'Other': 'x' * 4000}, open(sys.argv[1], 'wb'))", { device.root.hostPath(sharedPreferencesPath).string() });
    const std::string before = device.root.readFile(sharedPreferencesPath);
    // No file of the command's may grow beyond two kilobytes.
    qv::testing::ProcessResult command = runLayoutServerHostCommand("ulimit -f 2");
    ASSERT_FALSE(command.timedOut);
    EXPECT_NE(command.exitCode, 0) << command.output;
    EXPECT_NE(command.errors.find(device.root.hostPath(sharedPreferencesPath).string() + " cannot be written: File too large; it is left as it was"),
        std::string::npos)
        << command.errors;
    EXPECT_TRUE(device.root.readFile(sharedPreferencesPath) == before) << "the preference file changed";
    EXPECT_EQ(filesBesidePreferences(device), std::set<std::string>());
}

// Without a device root the command writes nowhere: the preference file's
// path would otherwise be this machine's own /var.
TEST(LayoutServerHostCommandWithoutRoot, IsRefused)
{
    for (const std::optional<std::string>& root : { std::optional<std::string>(), std::optional<std::string>("") }) {
        qv::testing::ScopedEnvironment noRoot("QV_ROOT", root);
        qv::testing::ProcessResult command = runLayoutServerHostCommand();
        ASSERT_FALSE(command.timedOut);
        EXPECT_NE(command.exitCode, 0) << command.output;
        EXPECT_NE(command.errors.find("usage: QV_ROOT=<device root>"), std::string::npos) << command.errors;
    }
}

// Every script of the tree the README names (scripts, servers, benchmarks)
// is a program a newcomer can start as the README shows it: a file with
// the run bit and a "#!" line.
TEST(ReadmeScripts, EveryScriptNamedIsAProgram)
{
    const std::string text = readme();
    const std::regex named(R"(\b((?:scripts|testing|bench|hosts/\w+)/[\w.-]+))");
    std::set<std::string> scripts;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), named); match != std::sregex_iterator(); ++match) {
        const std::string path = (*match)[1];
        const std::string extension = std::filesystem::path(path).extension().string();
        if ((extension.empty() || extension == ".py") && std::filesystem::is_regular_file(qv::testing::sourceDirectory() + "/" + path))
            scripts.insert(path);
    }
    EXPECT_GT(scripts.size(), 10u) << "the README names too few scripts to be read right";
    for (const std::string& script : scripts) {
        const std::string path = qv::testing::sourceDirectory() + "/" + script;
        struct stat status {};
        ASSERT_EQ(stat(path.c_str(), &status), 0) << script;
        EXPECT_TRUE(status.st_mode & S_IXUSR) << script << " has no run bit";
        std::ifstream file(path);
        std::string firstLine;
        std::getline(file, firstLine);
        EXPECT_EQ(firstLine.rfind("#!", 0), 0u) << script << " starts with no \"#!\" line: " << firstLine;
    }
}
