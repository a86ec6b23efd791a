#include "DrivenProcess.h"

#include <gtest/gtest.h>

namespace qv::testing {

DrivenProcess::DrivenProcess(const std::vector<std::string>& argv)
    : m_process(std::make_unique<ChildProcess>(argv))
{
}

std::string DrivenProcess::command(const std::string& line)
{
    EXPECT_TRUE(m_process->send(line)) << line;
    std::optional<std::string> answer = m_process->readLine();
    EXPECT_TRUE(answer) << "no answer to " << line;
    return answer.value_or("");
}

void DrivenProcess::expectOk(const std::string& line)
{
    const std::string answer = command(line);
    EXPECT_EQ(answer.rfind("{\"ok\":true", 0), 0u) << line << ": " << answer;
}

int DrivenProcess::quit()
{
    m_process->send("quit");
    return m_process->finish();
}

} // namespace qv::testing
