#include "UIDriver.h"

#include "UIScreenDump.h"

#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UIKeyboard.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UIPopoverController.h"
#include "platform/UIKit/UIRefreshControl.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UIToolbar.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIViewController.h"
#include "platform/UIKit/UIWindow.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/core/Log.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace qv {

namespace {

// The longest command line the channels take, far beyond any real one.
constexpr size_t maxCommandLength = 64 * 1024;

// How much of an overlong line its answer names.
constexpr size_t overlongNameLength = 64;

std::string overlongLineAnswer(const std::string& start)
{
    UIDriverResponse response(start + "...");
    response.fail("the command is longer than " + std::to_string(maxCommandLength) + " bytes");
    return response.line();
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool writeAll(int fd, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<size_t>(count);
    }
    return true;
}

RefPtr<UIWindow> keyWindowOrFail(UIDriverResponse& response)
{
    RefPtr<UIWindow> window = UIWindow::keyWindow();
    if (!window)
        response.fail("there is no key window");
    return window;
}

// The visible views of the key window, front-most first, after a layout
// pass (which also makes tables read their data).
std::vector<Ref<UIView>> visibleViews()
{
    RefPtr<UIWindow> window = UIWindow::keyWindow();
    if (!window)
        return {};
    window->layoutIfNeeded();
    return UIScreenDump::visibleViewsFrontToBack(*window);
}

template<typename T>
std::vector<Ref<T>> visibleViewsOfKind()
{
    std::vector<Ref<T>> found;
    for (const Ref<UIView>& view : visibleViews()) {
        if (RefPtr<T> match = dynamicRefCast<T>(view))
            found.push_back(match.toRef());
    }
    return found;
}

RefPtr<UITableView> frontTable(UIDriverResponse& response)
{
    std::vector<Ref<UITableView>> tables = visibleViewsOfKind<UITableView>();
    if (tables.empty()) {
        response.fail("no table is on screen");
        return nullptr;
    }
    return tables.front();
}

RefPtr<NSIndexPath> rowOf(const UIDriverCommand& command, UIDriverResponse& response)
{
    std::optional<long long> section = command.integer(0);
    std::optional<long long> row = command.integer(1);
    if (!section || !row) {
        response.fail("give the section and the row as numbers");
        return nullptr;
    }
    return NSIndexPath::indexPathForRow(*row, *section);
}

std::optional<UIInterfaceOrientation> orientationNamed(const std::string& name)
{
    const std::pair<const char*, UIInterfaceOrientation> names[] = {
        { "portrait", UIInterfaceOrientationPortrait }, { "1", UIInterfaceOrientationPortrait },
        { "upsidedown", UIInterfaceOrientationPortraitUpsideDown }, { "2", UIInterfaceOrientationPortraitUpsideDown },
        { "landscaperight", UIInterfaceOrientationLandscapeRight }, { "3", UIInterfaceOrientationLandscapeRight },
        { "landscapeleft", UIInterfaceOrientationLandscapeLeft }, { "4", UIInterfaceOrientationLandscapeLeft },
    };
    for (const auto& entry : names) {
        if (name == entry.first)
            return entry.second;
    }
    return std::nullopt;
}

void failUnless(bool done, UIDriverResponse& response, const std::string& why)
{
    if (!done)
        response.fail(why);
}

// The point the command's first two words give.
std::optional<CGPoint> pointOrFail(const UIDriverCommand& command, UIDriverResponse& response)
{
    std::optional<double> x = command.number(0), y = command.number(1);
    if (!x || !y) {
        response.fail("give the point as two numbers");
        return std::nullopt;
    }
    return CGPointMake(*x, *y);
}

// Touches

void touchCommands(UIDriver& driver)
{
    driver.registerCommand("tap", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<UIWindow> window = keyWindowOrFail(response);
        std::optional<CGPoint> point = window ? pointOrFail(command, response) : std::nullopt;
        if (point)
            failUnless(UITouchDriver::shared().tap(*window, *point), response, "the tap was refused");
    });
    driver.registerCommand("down", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<UIWindow> window = keyWindowOrFail(response);
        std::optional<CGPoint> point = window ? pointOrFail(command, response) : std::nullopt;
        const int finger = static_cast<int>(command.integer(2).value_or(0));
        if (point)
            failUnless(UITouchDriver::shared().touchDown(*window, *point, finger), response, "the finger cannot go down");
    });
    driver.registerCommand("move", [](const UIDriverCommand& command, UIDriverResponse& response) {
        std::optional<CGPoint> point = pointOrFail(command, response);
        const int finger = static_cast<int>(command.integer(2).value_or(0));
        if (point)
            failUnless(UITouchDriver::shared().touchMove(*point, finger), response, "the finger cannot move");
    });
    driver.registerCommand("up", [](const UIDriverCommand& command, UIDriverResponse& response) {
        const int finger = static_cast<int>(command.integer(0).value_or(0));
        failUnless(UITouchDriver::shared().touchUp(finger), response, "the finger is not down");
    });
    driver.registerCommand("cancel", [](const UIDriverCommand&, UIDriverResponse&) {
        UITouchDriver::shared().cancelAllTouches();
    });
}

// Taps on things by their titles

void tapCommands(UIDriver& driver)
{
    driver.registerCommand("button", [](const UIDriverCommand& command, UIDriverResponse& response) {
        for (const Ref<UIButton>& button : visibleViewsOfKind<UIButton>()) {
            if (button->currentTitle() == command.rest() || button->accessibilityLabel() == command.rest())
                return failUnless(UITouchDriver::shared().tapView(button), response, "the tap was refused");
        }
        response.fail("no button titled \"" + command.rest() + "\" is on screen");
    });
    driver.registerCommand("baritem", [](const UIDriverCommand& command, UIDriverResponse& response) {
        std::vector<Ref<UIBarButtonItem>> items;
        for (const Ref<UIView>& view : visibleViews()) {
            std::vector<Ref<UIBarButtonItem>> barItems;
            if (auto* bar = dynamic_cast<UINavigationBar*>(view.ptr()))
                barItems = bar->barButtonItems();
            else if (auto* toolbar = dynamic_cast<UIToolbar*>(view.ptr()))
                barItems = toolbar->items();
            items.insert(items.end(), barItems.begin(), barItems.end());
        }
        for (const Ref<UIBarButtonItem>& item : items) {
            if (item->matches(command.rest()))
                return failUnless(item->tap(), response, "the item cannot be tapped");
        }
        response.fail("no bar button item \"" + command.rest() + "\" is on screen");
    });
    driver.registerCommand("back", [](const UIDriverCommand&, UIDriverResponse& response) {
        for (const Ref<UINavigationBar>& bar : visibleViewsOfKind<UINavigationBar>()) {
            if (bar->backButtonTitle())
                return failUnless(bar->tapBackButton(), response, "the back button cannot be tapped");
        }
        response.fail("no back button is on screen");
    });
    driver.registerCommand("tab", [](const UIDriverCommand& command, UIDriverResponse& response) {
        for (const Ref<UITabBar>& bar : visibleViewsOfKind<UITabBar>()) {
            const std::vector<Ref<UITabBarItem>>& items = bar->items();
            for (size_t i = 0; i < items.size(); ++i) {
                const bool byIndex = command.integer(0) && command.words().size() == 1 && static_cast<long long>(i) == *command.integer(0);
                if (byIndex || items[i]->title() == command.rest())
                    return failUnless(bar->tapItemAtIndex(i), response, "the tab cannot be tapped");
            }
        }
        response.fail("no tab \"" + command.rest() + "\" is on screen");
    });
    driver.registerCommand("segment", [](const UIDriverCommand& command, UIDriverResponse& response) {
        for (const Ref<UISegmentedControl>& control : visibleViewsOfKind<UISegmentedControl>()) {
            for (size_t i = 0; i < control->numberOfSegments(); ++i) {
                if (control->titleForSegmentAtIndex(i) == command.rest())
                    return failUnless(control->tapSegment(i), response, "the segment cannot be tapped");
            }
        }
        response.fail("no segment \"" + command.rest() + "\" is on screen");
    });
    driver.registerCommand("outside", [](const UIDriverCommand&, UIDriverResponse& response) {
        // A sheet shows over everything, popovers included.
        if (RefPtr<UIActionSheet> sheet = dynamicRefCast<UIActionSheet>(UIModalView::topmostModalView()))
            return failUnless(sheet->tapOutside(), response, "the sheet has no outside to tap");
        std::vector<Ref<UIPopoverController>> popovers = UIPopoverController::visiblePopovers();
        if (popovers.empty())
            return response.fail("no popover is on screen");
        response.members().member("dismissed", popovers.back()->tapOutside());
    });
}

// Tables

void tableCommands(UIDriver& driver)
{
    driver.registerCommand("row", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<NSIndexPath> path = rowOf(command, response);
        RefPtr<UITableView> table = path ? frontTable(response) : nullptr;
        if (table)
            failUnless(table->tapRowAtIndexPath(path.get()), response, "the row cannot be tapped");
    });
    driver.registerCommand("rowtitle", [](const UIDriverCommand& command, UIDriverResponse& response) {
        for (const Ref<UITableView>& table : visibleViewsOfKind<UITableView>()) {
            for (const Ref<UITableViewCell>& cell : table->visibleCells()) {
                RefPtr<UILabel> text = cell->loadedTextLabel();
                if (text && text->text() == command.rest())
                    return failUnless(table->tapRowAtIndexPath(table->indexPathForCell(cell.ptr()).get()), response, "the row cannot be tapped");
            }
        }
        response.fail("no row \"" + command.rest() + "\" is on screen");
    });
    driver.registerCommand("swipedelete", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<NSIndexPath> path = rowOf(command, response);
        RefPtr<UITableView> table = path ? frontTable(response) : nullptr;
        if (table)
            failUnless(table->swipeToDeleteRowAtIndexPath(path.get()), response, "the row cannot be swiped to delete");
    });
    driver.registerCommand("editcontrol", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<NSIndexPath> path = rowOf(command, response);
        RefPtr<UITableView> table = path ? frontTable(response) : nullptr;
        if (table)
            failUnless(table->tapEditingControlForRowAtIndexPath(path.get()), response, "the row has no editing control to tap");
    });
    driver.registerCommand("pull", [](const UIDriverCommand&, UIDriverResponse& response) {
        std::vector<Ref<UIRefreshControl>> controls = visibleViewsOfKind<UIRefreshControl>();
        if (controls.empty())
            return response.fail("no table on screen can be pulled to refresh");
        failUnless(controls.front()->pullToRefresh(), response, "the table is refreshing already");
    });
    driver.registerCommand("confirmdelete", [](const UIDriverCommand&, UIDriverResponse& response) {
        for (const Ref<UITableView>& table : visibleViewsOfKind<UITableView>()) {
            if (table->indexPathShowingDeleteConfirmation())
                return failUnless(table->tapDeleteConfirmationButton(), response, "the delete button cannot be tapped");
        }
        response.fail("no delete confirmation is on screen");
    });
}

// Alerts and sheets

void modalCommands(UIDriver& driver)
{
    // A tap on a button of the top-most modal view that `fits`.
    auto tapIn = [](bool (*fits)(UIModalView&), std::string kindName) {
        return [fits, kindName](const UIDriverCommand& command, UIDriverResponse& response) {
            std::vector<Ref<UIModalView>> views = UIModalView::visibleModalViews();
            for (auto view = views.rbegin(); view != views.rend(); ++view) {
                if (fits(*view))
                    return failUnless((*view)->tapButtonWithTitle(command.rest()), response, "no button \"" + command.rest() + "\" on the top one");
            }
            response.fail("no " + kindName + " is on screen");
        };
    };
    driver.registerCommand("modal", tapIn([](UIModalView&) { return true; }, "alert or sheet"));
    driver.registerCommand("alert", tapIn([](UIModalView& view) { return dynamic_cast<UIAlertView*>(&view) != nullptr; }, "alert"));
    driver.registerCommand("sheet", tapIn([](UIModalView& view) { return dynamic_cast<UIActionSheet*>(&view) != nullptr; }, "sheet"));
}

// The keyboard

RefPtr<UITextField> typingField(UIDriverResponse& response)
{
    RefPtr<UIResponder> responder = UIResponder::firstResponder();
    if (RefPtr<UITextField> field = dynamicRefCast<UITextField>(responder))
        return field;
    if (RefPtr<UISearchBar> bar = dynamicRefCast<UISearchBar>(responder))
        return bar->searchField();
    response.fail("no text field is the first responder");
    return nullptr;
}

void keyboardCommands(UIDriver& driver)
{
    driver.registerCommand("type", [](const UIDriverCommand& command, UIDriverResponse& response) {
        if (RefPtr<UITextField> field = typingField(response))
            response.members().member("changed", field->typeText(command.rest()));
    });
    driver.registerCommand("return", [](const UIDriverCommand&, UIDriverResponse& response) {
        if (RefPtr<UITextField> field = typingField(response))
            response.members().member("accepted", field->pressReturnKey());
    });
    driver.registerCommand("backspace", [](const UIDriverCommand&, UIDriverResponse& response) {
        if (RefPtr<UITextField> field = typingField(response))
            response.members().member("changed", field->deleteBackward());
    });
    driver.registerCommand("searchcancel", [](const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<UITextField> field = typingField(response);
        RefPtr<UISearchBar> bar = field ? dynamicRefCast<UISearchBar>(field->superview()) : nullptr;
        if (field && !bar)
            return response.fail("the first responder is no search bar");
        if (bar)
            failUnless(bar->pressCancelButton(), response, "the search bar shows no Cancel button");
    });
}

// The device and the application

void deviceCommands(UIDriver& driver)
{
    driver.registerCommand("rotate", [](const UIDriverCommand& command, UIDriverResponse& response) {
        std::optional<UIInterfaceOrientation> orientation = orientationNamed(command.rest());
        if (!orientation)
            return response.fail("no orientation \"" + command.rest() + "\"");
        response.members().member("rotated", UIInterfaceRotation::rotateToInterfaceOrientation(*orientation));
    });
    auto lifeCommand = [](void (UIApplication::*call)()) {
        return [call](const UIDriverCommand&, UIDriverResponse&) { ((*UIApplication::sharedApplication()).*call)(); };
    };
    driver.registerCommand("activate", lifeCommand(&UIApplication::becomeActive));
    driver.registerCommand("resign", lifeCommand(&UIApplication::resignActive));
    driver.registerCommand("background", lifeCommand(&UIApplication::enterBackground));
    driver.registerCommand("foreground", lifeCommand(&UIApplication::enterForeground));
    driver.registerCommand("wait", [](const UIDriverCommand& command, UIDriverResponse& response) {
        std::optional<double> milliseconds = command.number(0);
        if (!milliseconds || *milliseconds < 0)
            return response.fail("give the time in milliseconds");
        NSRunLoop::mainRunLoop()->runUntilDate(VirtualClock::now() + *milliseconds / 1000);
    });
    driver.registerCommand("dump", [](const UIDriverCommand&, UIDriverResponse& response) {
        response.members().key("dump");
        UIDriver::shared().writeDump(response.members());
    });
    driver.registerCommand("quit", [](const UIDriverCommand& command, UIDriverResponse&) {
        UIApplication::sharedApplication()->terminate(static_cast<int>(command.integer(0).value_or(0)));
    });
}

} // namespace

// Commands and answers

UIDriverCommand::UIDriverCommand(const std::string& line)
{
    const std::string text = trimmed(line);
    const size_t end = text.find_first_of(" \t");
    m_name = text.substr(0, end);
    m_rest = end == std::string::npos ? std::string() : trimmed(text.substr(end));
    std::istringstream words(m_rest);
    for (std::string word; words >> word;)
        m_words.push_back(word);
}

std::optional<double> UIDriverCommand::number(size_t index) const
{
    if (index >= m_words.size())
        return std::nullopt;
    const std::string& word = m_words[index];
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end || errno || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> UIDriverCommand::integer(size_t index) const
{
    if (index >= m_words.size())
        return std::nullopt;
    const std::string& word = m_words[index];
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (end == word.c_str() || *end || errno)
        return std::nullopt;
    return value;
}

std::string UIDriverResponse::line() const
{
    JSONWriter writer;
    writer.beginObject();
    if (m_error) {
        writer.member("ok", false).member("command", m_command).member("error", *m_error);
        writer.endObject();
        return writer.text();
    }
    writer.member("ok", true).member("command", m_command);
    std::string text = writer.text();
    if (!m_members.text().empty())
        text += "," + m_members.text();
    return text + "}";
}

// The driver

UIDriver& UIDriver::shared()
{
    static UIDriver* driver = new UIDriver; // lives as long as the process
    return *driver;
}

UIDriver::UIDriver()
{
    registerBuiltInCommands();
}

void UIDriver::registerBuiltInCommands()
{
    touchCommands(*this);
    tapCommands(*this);
    tableCommands(*this);
    modalCommands(*this);
    keyboardCommands(*this);
    deviceCommands(*this);
}

void UIDriver::registerCommand(const std::string& name, CommandHandler handler)
{
    m_commands[name] = std::move(handler);
}

void UIDriver::registerDumpSection(const std::string& name, DumpSection section)
{
    std::erase_if(m_sections, [&](const auto& entry) { return entry.first == name; });
    m_sections.emplace_back(name, std::move(section));
}

void UIDriver::registerViewDescriber(ViewDescriber describer)
{
    m_describers.push_back(std::move(describer));
}

std::string UIDriver::execute(const std::string& line)
{
    UIDriverCommand command(line);
    UIDriverResponse response(trimmed(line));
    auto handler = m_commands.find(command.name());
    if (command.name().empty())
        response.fail("no command");
    else if (handler == m_commands.end())
        response.fail("no command \"" + command.name() + "\"");
    else
        handler->second(command, response);
    return response.line();
}

void UIDriver::describeView(UIView& view, JSONWriter& writer)
{
    UIScreenDump::writeView(writer, view, m_describers);
}

void UIDriver::writeDump(JSONWriter& writer)
{
    Ref<UIApplication> application = UIApplication::sharedApplication();
    RefPtr<UIWindow> keyWindow = UIWindow::keyWindow();
    if (keyWindow)
        keyWindow->layoutIfNeeded();
    writer.beginObject();
    writer.member("device", UIScreen::mainScreen().deviceName());
    writer.member("scale", UIScreen::mainScreen().scale());
    writer.member("orientation", static_cast<int64_t>(application->statusBarOrientation()));
    writer.key("screen");
    UIScreenDump::writeRect(writer, UIScreen::mainScreen().bounds());
    const char* states[] = { "active", "inactive", "background" };
    writer.key("application").beginObject()
        .member("state", states[application->applicationState()])
        .member("networkActivityIndicatorVisible", application->networkActivityIndicatorVisible())
        .member("idleTimerDisabled", application->idleTimerDisabled())
        .member("backgroundTasks", static_cast<uint64_t>(application->runningBackgroundTasks().size()))
        .endObject();
    writer.key("keyboard").beginObject().member("visible", UIKeyboard::isVisible());
    if (UIKeyboard::isVisible()) {
        writer.key("frame");
        UIScreenDump::writeRect(writer, UIKeyboard::frame());
    }
    writer.endObject();
    RefPtr<UIResponder> firstResponder = UIResponder::firstResponder();
    writer.member("firstResponder", firstResponder ? firstResponder->className() : std::string());
    writer.key("window");
    if (keyWindow)
        describeView(*keyWindow, writer);
    else
        writer.null();
    writer.key("controllers");
    if (RefPtr<UIViewController> root = keyWindow ? keyWindow->rootViewController() : nullptr)
        UIScreenDump::writeController(writer, *root);
    else
        writer.null();
    writer.key("modalViews");
    UIScreenDump::writeModalViews(writer);
    writer.key("popovers");
    UIScreenDump::writePopovers(writer);
    for (const auto& section : m_sections) {
        writer.key(section.first);
        section.second(writer);
    }
    writer.endObject();
}

// Channels

std::string UIDriver::socketDevicePath(const std::string& name)
{
    return "/tmp/qvdriver/" + name + ".sock";
}

bool UIDriver::startOnStandardInput()
{
    if (m_channels.count(STDIN_FILENO))
        return true;
    Ref<RunLoopSource> source = RunLoopSource::create(STDIN_FILENO, [this] { channelReadable(STDIN_FILENO); });
    const int answerFd = m_answerFd >= 0 ? m_answerFd : STDOUT_FILENO;
    m_channels.emplace(STDIN_FILENO, Channel { source, STDIN_FILENO, answerFd, {}, false, false, {} });
    NSRunLoop::mainRunLoop()->addSource(source, NSRunLoopCommonModes);
    return true;
}

bool UIDriver::startOnSocket(const std::string& name)
{
    if (m_listenFd >= 0)
        return true;
    const std::string devicePath = socketDevicePath(name);
    std::optional<std::filesystem::path> folder = DeviceRoot::resolve("/tmp/qvdriver");
    if (!folder) {
        logLine("UIDriver: no device root for the driver's socket");
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(*folder, error);
    const std::string path = (*folder / (name + ".sock")).string();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        logLine("UIDriver: the socket's path is too long: " + path);
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        logLine("UIDriver: no socket: " + std::string(std::strerror(errno)));
        return false;
    }
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        logLine("UIDriver: cannot listen at " + devicePath + ": " + std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_socketPath = path;
    m_listener = RunLoopSource::create(fd, [this] { acceptConnection(); });
    NSRunLoop::mainRunLoop()->addSource(*m_listener, NSRunLoopCommonModes);
    return true;
}

UIDriverChannels UIDriver::channelsFromEnvironment()
{
    const char* value = std::getenv("QV_DRIVER");
    if (!value)
        return { true, false };
    UIDriverChannels channels;
    std::istringstream names(value);
    for (std::string name; std::getline(names, name, ',');) {
        name = trimmed(name);
        if (name == "stdin")
            channels.standardInput = true;
        else if (name == "socket")
            channels.socket = true;
        else if (!name.empty() && name != "none")
            logLine("UIDriver: QV_DRIVER names no channel \"" + name + "\" (stdin, socket or none)");
    }
    return channels;
}

void UIDriver::keepStandardOutputForAnswers()
{
    if (m_answerFd >= 0)
        return;
    std::fflush(stdout);
    const int answerFd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (answerFd < 0)
        return;
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(answerFd);
        return;
    }
    // Whole lines, so that what others print does not wait in a buffer
    // while the log goes on.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    m_answerFd = answerFd;
}

void UIDriver::start(UIDriverChannels channels, const std::string& programName)
{
    const std::string program = std::filesystem::path(programName).filename().string();
    if (channels.standardInput) {
        startOnStandardInput();
        if (::isatty(STDIN_FILENO)) {
            std::string names;
            for (const std::string& name : commandNames())
                names += (names.empty() ? "" : ", ") + name;
            logLine(program + ": type commands, one a line; each is answered with a line of JSON. quit (or the end of the input) ends. Commands: " + names);
        }
    }
    if (channels.socket) {
        const char* name = std::getenv("QV_DRIVER_NAME");
        startOnSocket(name && *name ? name : program);
    }
}

void UIDriver::startFromEnvironment(const std::string& programName)
{
    start(channelsFromEnvironment(), programName);
}

std::vector<std::string> UIDriver::commandNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_commands)
        names.push_back(entry.first);
    return names;
}

void UIDriver::acceptConnection()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    Ref<RunLoopSource> source = RunLoopSource::create(fd, [this, fd] { channelReadable(fd); });
    m_channels.emplace(fd, Channel { source, fd, fd, {}, true, false, {} });
    NSRunLoop::mainRunLoop()->addSource(source, NSRunLoopCommonModes);
}

void UIDriver::channelReadable(int inputFd)
{
    auto found = m_channels.find(inputFd);
    if (found == m_channels.end())
        return;
    char buffer[4096];
    const ssize_t count = ::read(inputFd, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        const bool standardInput = !found->second.ownsFds;
        closeChannel(inputFd);
        // The one who drives the program through its standard input is done.
        if (standardInput)
            UIApplication::sharedApplication()->terminate(0);
        return;
    }
    found->second.buffer.append(buffer, static_cast<size_t>(count));
    // A command may run the run loop (wait); the channel is not read
    // meanwhile, so its answers keep the order of its commands.
    Ref<RunLoopSource> source = found->second.source;
    NSRunLoop::mainRunLoop()->removeSource(source, NSRunLoopCommonModes);
    answerCompleteLines(inputFd);
    if (m_channels.count(inputFd))
        NSRunLoop::mainRunLoop()->addSource(source, NSRunLoopCommonModes);
}

void UIDriver::answerCompleteLines(int inputFd)
{
    size_t newline;
    while ((newline = m_channels.count(inputFd) ? m_channels.at(inputFd).buffer.find('\n') : std::string::npos) != std::string::npos) {
        Channel& channel = m_channels.at(inputFd);
        const std::string line = channel.buffer.substr(0, newline);
        channel.buffer.erase(0, newline + 1);
        const int outputFd = channel.outputFd;
        const std::string answer = (std::exchange(channel.overlong, false) ? overlongLineAnswer(channel.overlongStart) : execute(line)) + "\n";
        if (!writeAll(outputFd, answer)) {
            closeChannel(inputFd);
            return;
        }
    }
    // A peer that never ends its line must not fill the memory.
    auto found = m_channels.find(inputFd);
    if (found != m_channels.end() && found->second.buffer.size() > maxCommandLength) {
        Channel& channel = found->second;
        if (!channel.overlong)
            channel.overlongStart = trimmed(channel.buffer.substr(0, overlongNameLength));
        channel.buffer.clear();
        channel.overlong = true;
    }
}

void UIDriver::closeChannel(int inputFd)
{
    auto found = m_channels.find(inputFd);
    if (found == m_channels.end())
        return;
    Channel channel = std::move(found->second);
    m_channels.erase(found);
    NSRunLoop::mainRunLoop()->removeSource(channel.source, NSRunLoopCommonModes);
    channel.source->invalidate();
    if (channel.ownsFds)
        ::close(inputFd);
}

void UIDriver::stop()
{
    while (!m_channels.empty())
        closeChannel(m_channels.begin()->first);
    if (m_listener) {
        NSRunLoop::mainRunLoop()->removeSource(*m_listener, NSRunLoopCommonModes);
        m_listener->invalidate();
        m_listener = nullptr;
    }
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(m_socketPath.c_str());
        m_listenFd = -1;
    }
}

} // namespace qv
