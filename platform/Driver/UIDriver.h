#pragma once

#include "platform/Foundation/JSONWriter.h"

#include "platform/core/Ref.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class RunLoopSource;
class UIView;

// One command line: its name and the words after it.
class UIDriverCommand {
public:
    explicit UIDriverCommand(const std::string& line);

    const std::string& name() const { return m_name; }
    const std::vector<std::string>& words() const { return m_words; }
    // Everything after the name, with the spaces around it trimmed: a title
    // or a text that may hold spaces.
    const std::string& rest() const { return m_rest; }
    // The word at the index as a number, or nothing.
    std::optional<double> number(size_t index) const;
    std::optional<long long> integer(size_t index) const;

private:
    std::string m_name;
    std::vector<std::string> m_words;
    std::string m_rest;
};

// What a command answers: success, or failure with the reason, and the
// members it adds to the answer.
class UIDriverResponse {
public:
    // The answer to the command line given, which it names.
    explicit UIDriverResponse(std::string command = {}) : m_command(std::move(command)), m_members(JSONWriter::insideObject()) {}
    void fail(std::string error) { m_error = std::move(error); }
    bool failed() const { return m_error.has_value(); }
    // The answer's further members.
    JSONWriter& members() { return m_members; }
    // {"ok":true,"command":"...",...} or {"ok":false,"command":"...","error":"..."}
    std::string line() const;

private:
    std::string m_command;
    std::optional<std::string> m_error;
    JSONWriter m_members;
};

// The driver of a running process: the device's touch screen and buttons,
// and a look at what is on the screen, for tests and demonstrations.
//
// It reads commands, one a line, from the standard input and/or from a Unix
// socket under the device root ("/tmp/qvdriver/<name>.sock"), both as
// file-descriptor sources of the main run loop, and answers each, in order,
// with one line of JSON that names the command it answers (the line,
// trimmed): {"ok":true,"command":"tap 10 20",...} or
// {"ok":false,"command":"...","error":"..."}. An answer is written once its
// command is done, so it comes after the log lines of that command. The end
// of the standard input terminates the application.
//
// Where it reads the standard input, the standard output carries its
// answers only: it takes the process's standard output for itself, and
// whatever else in the process writes there (an extension's printf) goes to
// the standard error, the log, line by line. The commands:
//
//   tap X Y | down X Y [FINGER] | move X Y [FINGER] | up [FINGER] | cancel
//       touches at points of the key window
//   button TITLE        a button by its title (or label), through a tap
//   baritem TITLE       a bar button item by its title or system name
//   back                the back button of the front navigation bar
//   tab INDEX|TITLE     a tab of the front tab bar controller
//   segment TITLE       a segment of a segmented control
//   row S R | rowtitle TITLE
//                       a row of the front table by section and row, or
//                       by the text of its cell
//   swipedelete S R | editcontrol S R | confirmdelete
//                       deleting rows of the front table
//   pull                pulls the front table down to refresh it
//   modal TITLE | alert TITLE | sheet TITLE
//                       a button of the top alert or sheet by its title
//   outside             a tap outside the top sheet (on the iPad) or popover
//   type TEXT | return | backspace
//                       the keyboard, into the first responder
//   searchcancel        the Cancel button of the search bar being typed in
//   rotate portrait|upsidedown|landscapeleft|landscaperight|1|2|3|4
//   activate | resign | background | foreground
//   wait MS             runs the main run loop for MS milliseconds
//   dump                the screen as JSON under "dump"
//   quit [STATUS]       terminates the application
//
// Host programs add their own commands, dump sections and view details
// through the registration calls. Main thread only.
// The channels a process is driven through.
struct UIDriverChannels {
    bool standardInput = false;
    bool socket = false;
};

class UIDriver {
public:
    using CommandHandler = std::function<void(const UIDriverCommand&, UIDriverResponse&)>;
    using DumpSection = std::function<void(JSONWriter&)>;
    using ViewDescriber = std::function<void(UIView&, JSONWriter&)>;

    static UIDriver& shared();

    // A command of the host's; it replaces a built-in one of the same name.
    void registerCommand(const std::string& name, CommandHandler handler);
    // A member of the dump, written as one JSON value.
    void registerDumpSection(const std::string& name, DumpSection section);
    // Adds members to the dump of every view (after the built-in ones).
    void registerViewDescriber(ViewDescriber describer);

    // Runs one command line and answers its JSON line.
    std::string execute(const std::string& line);
    // The whole dump, as the dump command's "dump" member.
    void writeDump(JSONWriter& writer);

    // The channels. Starting one twice does nothing; each answers whether
    // the channel is open.
    bool startOnStandardInput();
    bool startOnSocket(const std::string& name);
    // What QV_DRIVER names: "stdin", "socket" or both, separated by a
    // comma; "none" (or nothing) for neither. Unset, the standard input.
    static UIDriverChannels channelsFromEnvironment();
    // Sets the process's standard output aside for the answers and sends
    // what else is written there to the standard error. Called early, before
    // anything else writes to the standard output; once is enough.
    void keepStandardOutputForAnswers();
    // Starts the channels. The socket takes the program's name, or
    // QV_DRIVER_NAME when set. Where the standard input is a terminal, a
    // line on the standard error says that commands are awaited and names
    // them.
    void start(UIDriverChannels channels, const std::string& programName);
    void startFromEnvironment(const std::string& programName);
    // The names of the commands, sorted.
    std::vector<std::string> commandNames() const;
    void stop();
    // The device path of the socket of the name.
    static std::string socketDevicePath(const std::string& name);

private:
    UIDriver();
    struct Channel {
        Ref<RunLoopSource> source;
        int inputFd;
        int outputFd;
        std::string buffer;
        bool ownsFds;
        // The line being read grew past the limit: what is left of it is
        // dropped up to its end, which is answered with an error naming
        // the start of the line.
        bool overlong;
        std::string overlongStart;
    };

    void registerBuiltInCommands();
    void channelReadable(int inputFd);
    void answerCompleteLines(int inputFd);
    void closeChannel(int inputFd);
    void acceptConnection();
    void describeView(UIView& view, JSONWriter& writer);

    std::map<std::string, CommandHandler> m_commands;
    std::vector<std::pair<std::string, DumpSection>> m_sections;
    std::vector<ViewDescriber> m_describers;
    std::map<int, Channel> m_channels;
    RefPtr<RunLoopSource> m_listener;
    int m_listenFd = -1;
    // The process's own standard output, kept for the answers.
    int m_answerFd = -1;
    std::string m_socketPath;
};

} // namespace qv
