#include "platform/Driver/UIDriver.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/Foundation/JSONWriter.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIActivityIndicatorView.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIRefreshControl.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UIStepper.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIWindow.h"
#include "testing/ChildProcess.h"
#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>
#include <vector>

using namespace qv;

namespace {

// Python reads the JSON text and prints what the check says, or fails.
std::string checkWithPython(const std::string& json, const std::string& check)
{
    qv::testing::TemporaryDirectory folder;
    const std::string path = (folder.path() / "answer.json").string();
    std::ofstream(path, std::ios::binary) << json;
    qv::testing::ProcessResult result = qv::testing::runPython(
        "import json, sys\nvalue = json.load(open(sys.argv[1], encoding='utf-8'))\n" + check, { path });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

} // namespace

TEST(JSONWriterTest, PythonReadsWhatItWritesWhateverTheText)
{
    JSONWriter writer;
    writer.beginObject()
        .member("quote", "say \"hi\"\\now")
        .member("controls", std::string("tab\tline\nbell\x07" "nul", 17) + std::string(1, '\0'))
        .member("accents", "Café ☕")
        .member("broken", std::string("a\xC3(b\xFF"))
        .member("number", 31.5555555555555)
        .member("whole", 30.0)
        .member("notANumber", 0.0 / 0.0)
        .key("list").beginArray().value(true).null().value(int64_t(-7)).beginObject().endObject().endArray()
        .endObject();
    const std::string printed = checkWithPython(writer.text(),
        "print(repr(value['quote']))\nprint(repr(value['controls']))\nprint(value['accents'])\nprint(repr(value['broken']))\n"
        "print(value['number'], value['whole'], value['notANumber'], value['list'])");
    EXPECT_EQ(printed, "'say \"hi\"\\\\now'\n'tab\\tline\\nbell\\x07nul\\x00'\nCafé ☕\n'a\xEF\xBF\xBD(b\xEF\xBF\xBD'\n31.5555555555555 30 None [True, None, -7, {}]\n");
}

TEST(UIDriverTest, AnswersOneLineForEveryCommandIncludingBadOnes)
{
    UIDriver& driver = UIDriver::shared();
    EXPECT_EQ(driver.execute("fly away"), "{\"ok\":false,\"command\":\"fly away\",\"error\":\"no command \\\"fly\\\"\"}");
    EXPECT_EQ(driver.execute("   "), "{\"ok\":false,\"command\":\"\",\"error\":\"no command\"}");
    EXPECT_EQ(driver.execute("tap 10"), "{\"ok\":false,\"command\":\"tap 10\",\"error\":\"there is no key window\"}");
    EXPECT_EQ(driver.execute("rotate sideways"), "{\"ok\":false,\"command\":\"rotate sideways\",\"error\":\"no orientation \\\"sideways\\\"\"}");
    driver.registerCommand("echo", [](const UIDriverCommand& command, UIDriverResponse& response) {
        response.members().member("rest", command.rest()).member("words", static_cast<int64_t>(command.words().size()));
    });
    EXPECT_EQ(driver.execute("echo  Apply to Homescreen "), "{\"ok\":true,\"command\":\"echo  Apply to Homescreen\",\"rest\":\"Apply to Homescreen\",\"words\":3}");
}

// "alert" and "sheet" reach the top-most view of their kind even when the
// other kind lies above it; "modal" takes whichever is on top.
TEST(UIDriverTest, ModalCommandsTapTheTopViewOfTheirKind)
{
    UIDriver& driver = UIDriver::shared();
    EXPECT_EQ(driver.execute("modal OK"), "{\"ok\":false,\"command\":\"modal OK\",\"error\":\"no alert or sheet is on screen\"}");
    Ref<UIView> host = makeRef<UIView>(CGRectMake(0, 0, 320, 568));
    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", nullptr, "Cancel", std::nullopt, std::vector<std::string> { "Download" });
    sheet->showInView(host.ptr());
    EXPECT_EQ(driver.execute("alert OK"), "{\"ok\":false,\"command\":\"alert OK\",\"error\":\"no alert is on screen\"}");
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Saved", "", nullptr, "OK", std::vector<std::string> {});
    alert->show();

    EXPECT_EQ(driver.execute("sheet Delete"), "{\"ok\":false,\"command\":\"sheet Delete\",\"error\":\"no button \\\"Delete\\\" on the top one\"}");
    EXPECT_EQ(driver.execute("sheet Download"), "{\"ok\":true,\"command\":\"sheet Download\"}");
    EXPECT_FALSE(sheet->visible());
    EXPECT_TRUE(alert->visible());
    EXPECT_EQ(driver.execute("sheet Cancel"), "{\"ok\":false,\"command\":\"sheet Cancel\",\"error\":\"no sheet is on screen\"}");
    EXPECT_EQ(driver.execute("modal OK"), "{\"ok\":true,\"command\":\"modal OK\"}");
    EXPECT_FALSE(alert->visible());
}

// "outside" taps beside the top sheet on the iPad before any popover;
// "pull" refreshes the front table that can be seen, and the dump tells
// the refreshing, the spinner turning and the stepper's value.
TEST(UIDriverTest, TapsOutsideTheTopSheetAndPullsTheFrontTable)
{
    applyDeviceProfile(*DeviceProfile::named("ipad"));
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 768, 1024));
    window->makeKeyAndVisible();
    Ref<UITableView> table = makeRef<UITableView>(CGRectMake(0, 64, 768, 904), UITableViewStylePlain);
    Ref<UIRefreshControl> refresh = makeRef<UIRefreshControl>();
    int pulls = 0;
    refresh->addTarget(nullptr, [&](UIControl&, UIEvent*) { ++pulls; }, UIControlEventValueChanged);
    table->addSubview(refresh);
    window->addSubview(table);
    UIDriver& driver = UIDriver::shared();

    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", nullptr, "Cancel", std::nullopt, std::vector<std::string> { "Download" });
    sheet->showFromRect(CGRectMake(0, 100, 768, 80), table.ptr(), true);
    EXPECT_EQ(driver.execute("outside"), "{\"ok\":true,\"command\":\"outside\"}");
    EXPECT_FALSE(sheet->visible());
    EXPECT_EQ(driver.execute("outside"), "{\"ok\":false,\"command\":\"outside\",\"error\":\"no popover is on screen\"}");

    EXPECT_EQ(driver.execute("pull"), "{\"ok\":true,\"command\":\"pull\"}");
    EXPECT_EQ(driver.execute("pull"), "{\"ok\":false,\"command\":\"pull\",\"error\":\"the table is refreshing already\"}");
    Ref<UIActivityIndicatorView> spinner = makeRef<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    spinner->startAnimating();
    Ref<UIStepper> columns = makeRef<UIStepper>(CGRectMake(52, 80, 0, 0));
    columns->setMinimumValue(2);
    columns->setValue(5);
    window->addSubview(spinner);
    window->addSubview(columns);
    EXPECT_EQ(checkWithPython(driver.execute("dump"),
                  "def walk(view):\n"
                  "    yield view\n"
                  "    for sub in view.get('subviews', []):\n"
                  "        yield from walk(sub)\n"
                  "views = list(walk(value['dump']['window']))\n"
                  "print([v['refreshing'] for v in views if v['class'] == 'UIRefreshControl'])\n"
                  "print([v['animating'] for v in views if v['class'] == 'UIActivityIndicatorView'])\n"
                  "print([(v['value'], v['minimumValue'], v['maximumValue']) for v in views if v['class'] == 'UIStepper'])\n"),
        "[True]\n[True]\n[(5, 2, 100)]\n");
    refresh->endRefreshing();
    table->setHidden(true); // a table hidden while its list loads cannot be pulled
    EXPECT_EQ(driver.execute("pull"), "{\"ok\":false,\"command\":\"pull\",\"error\":\"no table on screen can be pulled to refresh\"}");
    EXPECT_EQ(pulls, 1);

    window->setHidden(true);
    applyDeviceProfile(DeviceProfile::fromEnvironment());
}

// Typing into a search bar and its Cancel button, which shows only when
// the bar's owner asks for it.
TEST(UIDriverTest, TypesIntoASearchBarAndPressesItsCancelButton)
{
    struct Owner : UISearchBarDelegate {
        std::vector<std::string> events;
        void searchBarTextDidBeginEditing(UISearchBar* bar) override { bar->setShowsCancelButton(true, true); }
        void searchBarTextDidChange(UISearchBar*, const std::string& text) override { events.push_back("text " + text); }
        void searchBarCancelButtonClicked(UISearchBar* bar) override
        {
            events.push_back("cancel " + bar->text());
            bar->setShowsCancelButton(false, true);
        }
    };
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    window->makeKeyAndVisible();
    Ref<UISearchBar> bar = makeRef<UISearchBar>(CGRectMake(0, 64, 320, 44));
    Ref<Owner> owner = makeRef<Owner>();
    bar->setDelegate(WeakPtr<UISearchBarDelegate>(owner.ptr()));
    window->addSubview(bar);
    UIDriver& driver = UIDriver::shared();
    EXPECT_EQ(driver.execute("searchcancel"), "{\"ok\":false,\"command\":\"searchcancel\",\"error\":\"no text field is the first responder\"}");
    EXPECT_EQ(driver.execute("tap 100 86"), "{\"ok\":true,\"command\":\"tap 100 86\"}");
    EXPECT_EQ(driver.execute("type ab"), "{\"ok\":true,\"command\":\"type ab\",\"changed\":true}");
    EXPECT_EQ(driver.execute("searchcancel"), "{\"ok\":true,\"command\":\"searchcancel\"}");
    EXPECT_EQ(driver.execute("searchcancel"),
        "{\"ok\":false,\"command\":\"searchcancel\",\"error\":\"the search bar shows no Cancel button\"}");
    EXPECT_EQ(owner->events, (std::vector<std::string> { "text a", "text ab", "cancel ab" }));
    bar->resignFirstResponder();
    window->setHidden(true);
}

TEST(UIDriverTest, DrivesARunningProgramOverItsInputAndItsSocket)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment channels("QV_DRIVER", "stdin,socket");
    qv::testing::ScopedEnvironment name("QV_DRIVER_NAME", "sample");
    qv::testing::ChildProcess host({ qv::testing::buildDirectory() + "/bin/qv_driver_sample_host" });

    auto ask = [&](const std::string& command) {
        EXPECT_TRUE(host.send(command));
        std::optional<std::string> answer = host.readLine();
        EXPECT_TRUE(answer) << command;
        return answer.value_or("");
    };
    EXPECT_EQ(ask("button Tap Me"), "{\"ok\":true,\"command\":\"button Tap Me\"}");
    EXPECT_EQ(ask("baritem Add"), "{\"ok\":true,\"command\":\"baritem Add\"}");
    EXPECT_EQ(ask("rowtitle Beta"), "{\"ok\":true,\"command\":\"rowtitle Beta\"}");
    EXPECT_EQ(ask("button Tap Me"), "{\"ok\":true,\"command\":\"button Tap Me\"}");
    EXPECT_EQ(ask("taps"), "{\"ok\":true,\"command\":\"taps\",\"taps\":2}");
    EXPECT_EQ(ask("button Nothing"), "{\"ok\":false,\"command\":\"button Nothing\",\"error\":\"no button titled \\\"Nothing\\\" is on screen\"}");
    EXPECT_EQ(ask("wait 20"), "{\"ok\":true,\"command\":\"wait 20\"}");
    const std::string dump = ask("dump");

    // The tree after the taps, as a reader of the dump finds it.
    const std::string found = checkWithPython(dump,
        "d = value['dump']\n"
        "def walk(view):\n"
        "    yield view\n"
        "    for sub in view.get('subviews', []):\n"
        "        yield from walk(sub)\n"
        "views = list(walk(d['window']))\n"
        "print(value['ok'], d['device'], d['scale'], d['orientation'], d['screen'])\n"
        "print([v['text'] for v in views if v['class'] == 'UILabel' and v['text'].startswith('Tapped')])\n"
        "print([v['frame'] for v in views if v['class'] == 'UIButton'])\n"
        "table = [v for v in views if v['class'] == 'UITableView'][0]\n"
        "print(table['rows'], table['selectedRow'])\n"
        "print([v['text'] for v in views if v['class'] == 'UITableViewCell'])\n"
        "bar = [v for v in views if v['class'] == 'UINavigationBar'][0]\n"
        "print(bar['title'], [i['system'] for i in bar['rightItems']])\n"
        "c = d['controllers']\n"
        "print(c['class'], c['navigationTitle'], [k['class'] for k in c['children']])\n"
        "print(d['sample'], d['application']['state'], d['modalViews'])\n");
    EXPECT_EQ(found,
        "True iphone-4 2 1 [0, 0, 320, 568]\n"
        "['Tapped \"2\"']\n"
        "[[20, 120, 120, 30]]\n"
        "[3] [0, 1]\n"
        "['Alpha', 'Beta', 'Row 2']\n"
        "Sample ['Add']\n"
        "UINavigationController Sample ['SampleScreen']\n"
        "{'taps': 2} active []\n");

    // The same driver answers on its socket under the device root.
    const std::string socketPath = root.hostPath(UIDriver::socketDevicePath("sample")).string();
    // Python sends the bytes its expression makes and reads two answers.
    auto askTwiceOverSocket = [&](const std::string& bytesExpression) {
        qv::testing::ProcessResult result = qv::testing::runPython(
            "import socket, sys\n"
            "s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)\n"
            "s.settimeout(30)\n"
            "s.connect(sys.argv[1])\n"
            "s.sendall(" + bytesExpression + ")\n"
            "data = b''\n"
            "while data.count(b'\\n') < 2:\n"
            "    chunk = s.recv(4096)\n"
            "    if not chunk: break\n"
            "    data += chunk\n"
            "sys.stdout.write(data.decode())\n",
            { socketPath });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    };
    EXPECT_EQ(askTwiceOverSocket("b'taps\\nrotate landscapeleft\\n'"), "{\"ok\":true,\"command\":\"taps\",\"taps\":2}\n{\"ok\":true,\"command\":\"rotate landscapeleft\",\"rotated\":true}\n");
    EXPECT_EQ(checkWithPython(ask("dump"), "print(value['dump']['orientation'], value['dump']['screen'])"), "4 [0, 0, 568, 320]\n");

    // A line past the limit is answered with an error instead of being kept
    // whole in memory, and the channel goes on with the next line.
    EXPECT_EQ(askTwiceOverSocket("b'button ' + b'x' * 300000 + b'\\ntaps\\n'"),
        "{\"ok\":false,\"command\":\"button " + std::string(57, 'x') + "...\",\"error\":\"the command is longer than 65536 bytes\"}\n"
        "{\"ok\":true,\"command\":\"taps\",\"taps\":2}\n");

    // The end of its input ends the program.
    EXPECT_EQ(host.finish(), 0);
}

namespace {

const std::string sampleHost()
{
    return qv::testing::buildDirectory() + "/bin/qv_driver_sample_host";
}

} // namespace

// Without QV_DRIVER the program reads its standard input. Its standard
// output holds the answers only, whatever the program prints with stdio;
// that goes to the standard error, the log, in whole lines.
TEST(UIDriverTest, StandardOutputCarriesTheAnswersOnlyAndTheStandardInputIsTheDefault)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment channels("QV_DRIVER", std::nullopt);
    qv::testing::ProcessResult result = qv::testing::runProcess({ sampleHost() },
        "print {\"ok\":true,\"command\":\"forged\"}\nprint half a line\ntaps\nprint \n\nquit 3\n");
    EXPECT_EQ(result.exitCode, 3) << result.errors;
    EXPECT_EQ(result.output,
        "{\"ok\":true,\"command\":\"print {\\\"ok\\\":true,\\\"command\\\":\\\"forged\\\"}\"}\n"
        "{\"ok\":true,\"command\":\"print half a line\"}\n"
        "{\"ok\":true,\"command\":\"taps\",\"taps\":0}\n"
        "{\"ok\":true,\"command\":\"print\"}\n"
        "{\"ok\":false,\"command\":\"\",\"error\":\"no command\"}\n"
        "{\"ok\":true,\"command\":\"quit 3\"}\n");
    EXPECT_NE(result.errors.find("{\"ok\":true,\"command\":\"forged\"}half a line"), std::string::npos) << result.errors;

    qv::testing::ScopedEnvironment none("QV_DRIVER", "none");
    qv::testing::ChildProcess undriven({ sampleHost() });
    EXPECT_TRUE(undriven.send("taps"));
    EXPECT_FALSE(undriven.readLine(std::chrono::milliseconds(300))) << "no channel, no answer";
    undriven.kill();
}

// Every line of one write is answered before the run loop goes on: a timer
// that is due already fires in a wait, never between the lines. A gesture
// written at once (down, moves, up) reaches the program whole however long
// the machine keeps the writer from its next write.
TEST(UIDriverTest, TheLinesOfOneWriteAreAnsweredBeforeTheRunLoopGoesOn)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment channels("QV_DRIVER", "stdin");
    qv::testing::ProcessResult result = qv::testing::runProcess({ sampleHost() }, "later\nlater\nlater\nwait 50\nlater\n");
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output,
        "{\"ok\":true,\"command\":\"later\",\"fired\":0}\n"
        "{\"ok\":true,\"command\":\"later\",\"fired\":0}\n"
        "{\"ok\":true,\"command\":\"later\",\"fired\":0}\n"
        "{\"ok\":true,\"command\":\"wait 50\"}\n"
        "{\"ok\":true,\"command\":\"later\",\"fired\":3}\n");
}

// The test side of it: the commands of a gesture, or actions and the look
// at what they start, go to the program in one write, answered in order.
// A write too long for the driver to take in one read is refused aloud.
TEST(DrivenProcessTest, WritesTheCommandsOfAGestureAtOnce)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment channels("QV_DRIVER", "stdin");
    qv::testing::DrivenProcess host({ sampleHost() });
    auto fired = [](int count) { return "{\"ok\":true,\"command\":\"later\",\"fired\":" + std::to_string(count) + "}"; };
    EXPECT_EQ(host.commandsAtOnce({ "later", "later", "later" }), (std::vector<std::string> { fired(0), fired(0), fired(0) }));
    EXPECT_EQ(host.commandRightAfterAll({ "wait 50", "later" }, "later"), fired(3));
    host.expectOk("wait 50");
    EXPECT_EQ(host.commandRightAfter("later", "later"), fired(5));

    const std::vector<std::string> tooLong(PIPE_BUF / 6 + 1, "later");
    EXPECT_NONFATAL_FAILURE(host.expectOkAtOnce(tooLong), "joined.size()");
    EXPECT_EQ(host.quit(), 0);
}

// Typed at a terminal, the program says what it waits for.
TEST(UIDriverTest, AtATerminalTheProgramSaysItAwaitsCommands)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment channels("QV_DRIVER", std::nullopt);
    qv::testing::ProcessResult result = qv::testing::runPython(R"(
import os, pty, subprocess, sys
master, slave = pty.openpty()
host = subprocess.Popen([sys.argv[1]], stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
os.close(slave)
os.write(master, b"taps\nquit\n")
output, errors = host.communicate(timeout=60)
os.close(master)
print(output.decode(), end="")
print(errors.decode(), end="")
)", { sampleHost() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.output.find("{\"ok\":true,\"command\":\"taps\",\"taps\":0}\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("qv_driver_sample_host: type commands, one a line"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Commands: activate, alert, back, background, backspace, baritem, button"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(", taps, type, up, wait"), std::string::npos) << result.output;
}

// A program of the simulated device does not start on a device it cannot
// be: an unknown QV_DEVICE or a QV_ROOT that names no usable root.
TEST(UIDriverTest, AnUnknownDeviceOrAnUnusableRootStopsTheProgramWithTheReason)
{
    qv::testing::TemporaryDeviceRoot root;
    qv::testing::TemporaryDirectory scratch;
    const std::string file = (scratch.path() / "file").string();
    std::ofstream(file) << "not a folder";
    struct Case {
        std::optional<std::string> device;
        std::optional<std::string> rootFolder;
        std::string message;
    };
    const Case cases[] = {
        { "iphone-99", root.path().string(), "QV_DEVICE \"iphone-99\" names no known device (iphone-3.5, iphone-4, iphone-4.7, iphone-5.5, ipad)" },
        { std::nullopt, std::nullopt, "QV_ROOT is not set" },
        { std::nullopt, "relative/root", "is not an absolute path" },
        { std::nullopt, file, "is not a folder" },
        { std::nullopt, (scratch.path() / "missing").string(), "is not a folder" },
        { std::nullopt, "/", "this machine's own root" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        qv::testing::ScopedEnvironment device("QV_DEVICE", c.device);
        qv::testing::ScopedEnvironment rootVariable("QV_ROOT", c.rootFolder);
        qv::testing::ProcessResult result = qv::testing::runProcess({ sampleHost() }, "taps\n");
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.output, "") << "nothing ran";
        EXPECT_NE(result.errors.find(c.message), std::string::npos) << result.errors;
        EXPECT_NE(result.errors.find("qv_driver_sample_host: "), std::string::npos) << result.errors;
    }
}
