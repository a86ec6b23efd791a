#pragma once

#include "testing/ChildProcess.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qv::testing {

// Another process of the device, running the peer program. Lines it
// prints while answering a command are kept, so that notifications that
// arrive in between are not lost.
class PeerProcess {
public:
    explicit PeerProcess(const std::string& domain = "com.example.peer")
        : m_process(std::vector<std::string> { buildDirectory() + "/bin/qv_corefoundation_peer", domain })
    {
        EXPECT_TRUE(m_process.send("ping"));
        EXPECT_TRUE(m_process.waitForLine("pong", &m_heard));
    }

    void command(const std::string& line)
    {
        EXPECT_TRUE(m_process.send(line));
        EXPECT_TRUE(m_process.waitForLine("ok", &m_heard)) << line;
    }

    // The notifications the peer reported until (and without) the marker.
    std::vector<std::string> notificationsUntil(const std::string& marker)
    {
        std::vector<std::string> lines;
        std::string wanted = "notified " + marker;
        auto found = std::find(m_heard.begin(), m_heard.end(), wanted);
        if (found == m_heard.end()) {
            lines = std::move(m_heard);
            m_heard.clear();
            EXPECT_TRUE(m_process.waitForLine(wanted, &lines));
        } else {
            lines.assign(m_heard.begin(), found);
            m_heard.erase(m_heard.begin(), found + 1);
        }
        std::erase_if(lines, [](const std::string& line) { return line.rfind("notified ", 0) != 0; });
        return lines;
    }

    // The answer to a command that answers with a line of its own.
    std::string ask(const std::string& line)
    {
        EXPECT_TRUE(m_process.send(line));
        while (std::optional<std::string> answer = m_process.readLine()) {
            if (answer->rfind("notified ", 0) != 0)
                return *answer;
            m_heard.push_back(*answer);
        }
        ADD_FAILURE() << "no answer to " << line;
        return {};
    }

    ChildProcess& process() { return m_process; }

private:
    ChildProcess m_process;
    std::vector<std::string> m_heard;
};

} // namespace qv::testing
