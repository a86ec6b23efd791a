#include "CFProxySupport.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>

extern char** environ;

namespace qv {

namespace {

std::string environmentValue(const char* name)
{
    std::string upper(name);
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& variable : { std::string(name), upper })
        if (const char* value = std::getenv(variable.c_str()); value && *value)
            return value;
    return {};
}

// "http://host:port", "host:port", "socks5://host": the proxy it names.
std::optional<CFProxy> proxyFromSetting(const std::string& setting, const char* defaultType)
{
    std::string text = setting;
    std::string type = defaultType;
    const auto scheme = text.find("://");
    if (scheme != std::string::npos) {
        const std::string name = text.substr(0, scheme);
        if (name.rfind("socks", 0) == 0)
            type = kCFProxyTypeSOCKS;
        else if (name == "https")
            type = kCFProxyTypeHTTPS;
        text = text.substr(scheme + 3);
    }
    text = text.substr(0, text.find('/'));
    text = text.substr(text.rfind('@') == std::string::npos ? 0 : text.rfind('@') + 1);
    const auto colon = text.rfind(':');
    CFProxy proxy { type, text.substr(0, colon), 0, nullptr };
    if (colon != std::string::npos)
        proxy.port = std::atoi(text.c_str() + colon + 1);
    if (!proxy.port)
        proxy.port = type == kCFProxyTypeSOCKS ? 1080 : 8080;
    if (proxy.host.empty())
        return std::nullopt;
    return proxy;
}

// Whether "no_proxy" exempts the host: "*", or a name it ends with.
bool exempt(const std::string& host, const std::string& noProxy)
{
    size_t at = 0;
    while (at <= noProxy.size()) {
        const auto end = noProxy.find(',', at);
        std::string entry = noProxy.substr(at, end == std::string::npos ? std::string::npos : end - at);
        entry.erase(0, entry.find_first_not_of(" \t"));
        entry.erase(entry.find_last_not_of(" \t") + 1);
        if (!entry.empty() && entry.front() == '.')
            entry.erase(0, 1);
        if (entry == "*")
            return true;
        if (!entry.empty() && host.size() >= entry.size() && strcasecmp(host.c_str() + host.size() - entry.size(), entry.c_str()) == 0
            && (host.size() == entry.size() || host[host.size() - entry.size() - 1] == '.'))
            return true;
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

// "PROXY a:1; SOCKS b:2; DIRECT" as proxies.
std::vector<CFProxy> parseAnswer(const std::string& answer)
{
    std::vector<CFProxy> proxies;
    size_t at = 0;
    while (at < answer.size()) {
        const auto end = answer.find(';', at);
        std::string entry = answer.substr(at, end == std::string::npos ? std::string::npos : end - at);
        entry.erase(0, entry.find_first_not_of(" \t\r\n"));
        entry.erase(entry.find_last_not_of(" \t\r\n") + 1);
        const auto space = entry.find(' ');
        const std::string kind = entry.substr(0, space);
        const std::string where = space == std::string::npos ? "" : entry.substr(space + 1);
        if (strcasecmp(kind.c_str(), "DIRECT") == 0) {
            proxies.push_back({ kCFProxyTypeNone, "", 0, nullptr });
        } else if (strcasecmp(kind.c_str(), "PROXY") == 0 || strcasecmp(kind.c_str(), "HTTP") == 0) {
            if (auto proxy = proxyFromSetting(where, kCFProxyTypeHTTP))
                proxies.push_back(*proxy);
        } else if (strcasecmp(kind.c_str(), "HTTPS") == 0) {
            if (auto proxy = proxyFromSetting(where, kCFProxyTypeHTTPS))
                proxies.push_back(*proxy);
        } else if (strncasecmp(kind.c_str(), "SOCKS", 5) == 0) {
            if (auto proxy = proxyFromSetting(where, kCFProxyTypeSOCKS))
                proxies.push_back(*proxy);
        }
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return proxies;
}

// The evaluator program beside this library's programs.
std::string evaluatorPath()
{
    if (const char* configured = std::getenv("QV_PROXY_SCRIPT_EVALUATOR"))
        return configured;
    Dl_info info {};
    if (dladdr(reinterpret_cast<void*>(&parseAnswer), &info) && info.dli_fname) {
        const auto folder = std::filesystem::path(info.dli_fname).parent_path();
        for (const auto& candidate : { folder / "../bin/qv-proxy-script-evaluator", folder / "qv-proxy-script-evaluator" })
            if (std::filesystem::exists(candidate))
                return candidate.string();
    }
    return "qv-proxy-script-evaluator";
}

Ref<NSError> scriptError(const std::string& description)
{
    return NSError::create("kCFErrorDomainCFNetwork", 2, description);
}

} // namespace

CFProxySettings CFNetworkCopySystemProxySettings()
{
    return { environmentValue("http_proxy"), environmentValue("https_proxy"), environmentValue("all_proxy"), environmentValue("no_proxy"),
        environmentValue("auto_proxy") };
}

std::vector<CFProxy> CFNetworkCopyProxiesForURL(const NSURL& url, const CFProxySettings& settings)
{
    const CFProxy direct { kCFProxyTypeNone, "", 0, nullptr };
    if (!settings.autoConfigurationURL.empty()) {
        if (auto script = NSURL::URLWithString(settings.autoConfigurationURL))
            return { { kCFProxyTypeAutoConfigurationURL, "", 0, script } };
    }
    if (exempt(url.host(), settings.noProxy))
        return { direct };
    const std::string& setting = url.scheme() == "https" && !settings.httpsProxy.empty() ? settings.httpsProxy
        : url.scheme() == "http" && !settings.httpProxy.empty()                         ? settings.httpProxy
                                                                                          : settings.allProxy;
    if (!setting.empty())
        if (auto proxy = proxyFromSetting(setting, url.scheme() == "https" ? kCFProxyTypeHTTPS : kCFProxyTypeHTTP))
            return { *proxy, direct };
    return { direct };
}

std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForAutoConfigurationScript(const std::string& script, const NSURL& url,
    double timeoutSeconds, RefPtr<NSError>* error)
{
    // One script at a time.
    static std::mutex evaluation;
    std::lock_guard lock(evaluation);
    int input[2], output[2];
    if (pipe2(input, O_CLOEXEC) != 0)
        return std::nullopt;
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    const std::string program = evaluatorPath();
    std::string urlText = url.absoluteString(), host = url.host();
    char* argv[] = { const_cast<char*>(program.c_str()), urlText.data(), host.data(), nullptr };
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    if (spawned != 0) {
        close(input[1]);
        close(output[0]);
        if (error)
            *error = scriptError("The proxy script cannot be evaluated");
        return std::nullopt;
    }
    // The script goes in whole (a pipe buffer's worth at a time); a child
    // that stops reading is ended with the deadline below.
    // A child that ends before it read the script must not end us: the
    // pipe's signal is held back on this thread, and taken if raised.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    size_t written = 0;
    fcntl(input[1], F_SETFL, O_NONBLOCK);
    // An empty script has nothing to wait for: the evaluator reads to the
    // end of its input, and must find it at once, not at the deadline.
    if (script.empty()) {
        close(input[1]);
        input[1] = -1;
    }
    std::string answer;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[2] = { { output[0], POLLIN, 0 }, { input[1], POLLOUT, 0 } };
        if (poll(fds, 2, static_cast<int>(left)) < 0)
            continue;
        if (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t count = write(input[1], script.data() + written, script.size() - written);
            if (count > 0)
                written += static_cast<size_t>(count);
            if (count < 0 || written == script.size()) {
                close(input[1]);
                input[1] = -1;
                written = script.size();
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t count = read(output[0], buffer, sizeof buffer);
            if (count <= 0)
                break;
            answer.append(buffer, static_cast<size_t>(count));
            if (answer.size() > 65536)
                break;
        }
    }
    if (input[1] >= 0)
        close(input[1]);
    close(output[0]);
    const timespec noWait {};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) > 0) { }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (timedOut)
        kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error)
            *error = scriptError(timedOut ? "The proxy script took too long" : "The proxy script failed");
        return std::nullopt;
    }
    auto proxies = parseAnswer(answer);
    if (proxies.empty()) {
        if (error)
            *error = scriptError("The proxy script named no proxy");
        return std::nullopt;
    }
    return proxies;
}

} // namespace qv
