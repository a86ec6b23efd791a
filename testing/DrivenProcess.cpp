#include "DrivenProcess.h"

#include "Process.h"

#include <gtest/gtest.h>

#include <climits>

namespace qv::testing {

DrivenProcess::DrivenProcess(const std::vector<std::string>& argv)
    : m_process(std::make_unique<ChildProcess>(argv))
{
}

std::string DrivenProcess::command(const std::string& line)
{
    EXPECT_TRUE(m_process->send(line)) << line;
    return answerTo(line);
}

std::string DrivenProcess::answerTo(const std::string& line)
{
    // The first answer comes once the program has started.
    std::optional<std::string> answer = m_process->readLine(m_answered ? std::chrono::seconds(30) : programStartTimeLimit);
    m_answered = m_answered || answer.has_value();
    EXPECT_TRUE(answer) << "no answer to " << line;
    return answer.value_or("");
}

void DrivenProcess::expectOk(const std::string& line)
{
    expectOkAnswer(line, command(line));
}

void DrivenProcess::expectOkAnswer(const std::string& line, const std::string& answer)
{
    EXPECT_EQ(answer.rfind("{\"ok\":true", 0), 0u) << line << ": " << answer;
}

std::string DrivenProcess::commandRightAfter(const std::string& first, const std::string& line)
{
    return commandRightAfterAll({ first }, line);
}

std::string DrivenProcess::commandRightAfterAll(const std::vector<std::string>& actions, const std::string& line)
{
    std::vector<std::string> lines = actions;
    lines.push_back(line);
    const std::vector<std::string> answers = commandsAtOnce(lines);
    for (size_t index = 0; index + 1 < answers.size(); ++index)
        expectOkAnswer(lines[index], answers[index]);
    return answers.back();
}

void DrivenProcess::expectOkAtOnce(const std::vector<std::string>& lines)
{
    const std::vector<std::string> answers = commandsAtOnce(lines);
    for (size_t index = 0; index < answers.size(); ++index)
        expectOkAnswer(lines[index], answers[index]);
}

std::vector<std::string> DrivenProcess::commandsAtOnce(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& line : lines)
        joined += (joined.empty() ? "" : "\n") + line;
    // The driver takes what one read brings before its run loop goes on, and
    // a pipe hands over a write of up to PIPE_BUF bytes whole; a longer one
    // could reach it in two reads, with the run loop between them.
    EXPECT_LT(joined.size(), static_cast<size_t>(PIPE_BUF)) << joined.substr(0, 200);
    EXPECT_TRUE(m_process->send(joined)) << joined;
    std::vector<std::string> answers;
    for (const std::string& line : lines)
        answers.push_back(answerTo(line));
    return answers;
}

std::string DrivenProcess::errorOf(const std::string& line)
{
    return answerThroughPython("print(json.loads(sys.stdin.read()).get('error', 'ok'))", line);
}

std::string DrivenProcess::answerThroughPython(const std::string& script, const std::string& line)
{
    const std::string answer = command(line);
    ProcessResult result = runPython("import json, sys\n" + script, {}, answer);
    EXPECT_EQ(result.exitCode, 0) << result.errors << "\n" << answer.substr(0, 2000);
    while (!result.output.empty() && result.output.back() == '\n')
        result.output.pop_back();
    return result.output;
}

int DrivenProcess::quit()
{
    m_process->send("quit");
    return m_process->finish();
}

void DrivenProcess::send(const std::string& line)
{
    EXPECT_TRUE(m_process->send(line)) << line;
}

void DrivenProcess::kill()
{
    m_process->kill();
}

} // namespace qv::testing
