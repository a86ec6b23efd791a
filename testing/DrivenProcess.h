#pragma once

#include "testing/ChildProcess.h"

#include <memory>
#include <string>
#include <vector>

namespace qv::testing {

// A program of the simulated device driven through its standard input:
// one command a line, one JSON answer a line.
class DrivenProcess {
public:
    explicit DrivenProcess(const std::vector<std::string>& argv);

    // The answer line of a command.
    std::string command(const std::string& line);
    // Runs a command that must succeed.
    void expectOk(const std::string& line);
    // Runs `first`, which must succeed, and `line` right after it: the two
    // are written at once, so that the program answers both before its run
    // loop does anything else (an animation's end, a timer), however busy
    // the machine is. The answer line of `line`.
    std::string commandRightAfter(const std::string& first, const std::string& line);
    // Runs the commands, each of which must succeed, written at once: a
    // gesture (down, moves, up) reaches the program whole, so no pause of a
    // busy machine can fall between a finger's down and its next command
    // and pass for a hold. Work out every point before calling it.
    void expectOkAtOnce(const std::vector<std::string>& lines);
    // The same, for commands whose answers the caller reads: the answer
    // line of each, in order.
    std::vector<std::string> commandsAtOnce(const std::vector<std::string>& lines);
    // Runs the actions, each of which must succeed, and `line` right after
    // them, all written at once: a look at what the actions started (an
    // animation, a timer, a request) before its end can come. The answer
    // line of `line`.
    std::string commandRightAfterAll(const std::vector<std::string>& actions, const std::string& line);
    // The error a command fails with, or "ok".
    std::string errorOf(const std::string& line);
    // What a Python script (json and sys imported) prints when given the
    // answer of a command on its standard input, without the last line break.
    std::string answerThroughPython(const std::string& script, const std::string& line);
    // Ends the program through its driver; its exit status.
    int quit();
    // Sends a command without waiting for its answer, as a finger that is
    // still on the screen when the program dies.
    void send(const std::string& line);
    // Ends the program at once, as the device does when it runs out of
    // memory or the user force-quits it.
    void kill();

private:
    std::string answerTo(const std::string& line);
    static void expectOkAnswer(const std::string& line, const std::string& answer);

    std::unique_ptr<ChildProcess> m_process;
    bool m_answered = false;
};

} // namespace qv::testing
