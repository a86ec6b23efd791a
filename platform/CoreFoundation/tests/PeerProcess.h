#pragma once

#include "testing/ChildProcess.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv::testing {

// Another process of the device, running the peer program. Lines it
// prints while answering a command are kept, so that notifications that
// arrive in between are not lost.
//
// Every command is numbered, and the peer numbers its answer alike: an
// answer that comes after its command gave up waiting is passed over, never
// taken for the answer to a later command.
class PeerProcess {
public:
    // How long a command waits for its answer: generous, since a peer under
    // the sanitizers on a busy machine may take long to read a large domain.
    static constexpr std::chrono::seconds answerTimeLimit { 120 };

    explicit PeerProcess(const std::string& domain = "com.example.peer")
        : m_process(std::vector<std::string> { buildDirectory() + "/bin/qv_corefoundation_peer", domain })
    {
        EXPECT_EQ(ask("ping"), "pong");
    }

    void command(const std::string& line)
    {
        EXPECT_EQ(ask(line), "ok") << line;
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

    // Reads until each of the names was notified at least once: how often
    // each was (lines heard before are counted too).
    std::map<std::string, int> notifiedAtLeastOnce(const std::set<std::string>& names)
    {
        std::map<std::string, int> counts;
        auto count = [&](const std::string& line) {
            if (line.rfind("notified ", 0) == 0)
                ++counts[line.substr(9)];
        };
        for (const std::string& line : m_heard)
            count(line);
        m_heard.clear();
        auto allSeen = [&] {
            return std::all_of(names.begin(), names.end(), [&](const std::string& name) { return counts.count(name) > 0; });
        };
        while (!allSeen()) {
            std::optional<std::string> line = m_process.readLine();
            if (!line) {
                ADD_FAILURE() << "the peer stopped before every name was notified";
                break;
            }
            count(*line);
        }
        return counts;
    }

    // The answer to a command that answers with a line of its own.
    std::string ask(const std::string& line)
    {
        std::optional<std::string> answer = answerTo(line, answerTimeLimit);
        if (!answer)
            ADD_FAILURE() << "no answer to " << line;
        return answer.value_or("");
    }

    // The answer to the command, or nothing when none came in time.
    std::optional<std::string> answerTo(const std::string& line, std::chrono::milliseconds timeLimit)
    {
        const std::string tag = "#" + std::to_string(++m_commands) + " ";
        EXPECT_TRUE(m_process.send(tag + line));
        const auto deadline = std::chrono::steady_clock::now() + timeLimit;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            std::optional<std::string> answer = left.count() > 0 ? m_process.readLine(left) : std::nullopt;
            if (!answer)
                return std::nullopt;
            if (answer->rfind(tag, 0) == 0)
                return answer->substr(tag.size());
            // A notification, or the late answer to an earlier command.
            m_heard.push_back(*answer);
        }
    }

    ChildProcess& process() { return m_process; }

private:
    ChildProcess m_process;
    std::vector<std::string> m_heard;
    unsigned m_commands = 0;
};

} // namespace qv::testing
