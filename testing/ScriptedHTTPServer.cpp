#include "testing/ScriptedHTTPServer.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace qv::testing {

namespace {

// Replies come on standard input as lines "STATUS", "HEADER name value"...,
// "BODY hex", "DELIVERY framed|as-given|never", "END"; then "GO". Requests
// go out as lines of hexadecimal fields: the client's port, method, path,
// then header name and value pairs, then the body.
constexpr const char* serverScript = R"PY(
import http.server, sys, threading

replies, current = [], None
for line in sys.stdin:
    words = line.rstrip('\n').split(' ', 2)
    if words[0] == 'GO':
        break
    if words[0] == 'STATUS':
        current = {'status': int(words[1]), 'headers': [], 'body': b'', 'delivery': 'framed'}
    elif words[0] == 'HEADER':
        current['headers'].append((bytes.fromhex(words[1]).decode(), bytes.fromhex(words[2]).decode()))
    elif words[0] == 'BODY':
        current['body'] = bytes.fromhex(words[1]) if len(words) > 1 else b''
    elif words[0] == 'DELIVERY':
        current['delivery'] = words[1]
    elif words[0] == 'END':
        replies.append(current)

lock = threading.Lock()
served = [0]

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *arguments):
        pass

    def answer(self):
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length) if length else b''
        with lock:
            reply = replies[min(served[0], len(replies) - 1)]
            served[0] += 1
            fields = [str(self.client_address[1]), self.command, self.path]
            for name, value in self.headers.raw_items():
                fields += [name.lower(), value]
            print(' '.join(f.encode('utf-8', 'surrogateescape').hex() or '-' for f in fields) + ' ' + (body.hex() or '-'), flush=True)
        if reply['delivery'] == 'never':
            try:
                while self.rfile.read(1):
                    pass
            except OSError:
                pass
            self.close_connection = True
            return
        self.send_response(reply['status'])
        for name, value in reply['headers']:
            self.send_header(name, value)
        if reply['delivery'] == 'framed':
            self.send_header('Content-Length', str(len(reply['body'])))
        self.end_headers()
        if self.command != 'HEAD' or reply['delivery'] == 'as-given':
            self.wfile.write(reply['body'])

    do_GET = do_PUT = do_POST = do_DELETE = do_HEAD = answer

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
print('READY %d' % server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
)PY";

std::string hex(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(const std::string& text)
{
    if (text == "-")
        return {};
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out += char(std::stoi(text.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace

ScriptedHTTPServer::ScriptedHTTPServer(const std::vector<Reply>& replies)
    : m_process({ pythonInterpreter(), "-c", serverScript })
{
    for (const auto& reply : replies) {
        m_process.send("STATUS " + std::to_string(reply.status));
        for (const auto& [name, value] : reply.headers)
            m_process.send("HEADER " + hex(name) + " " + hex(value));
        m_process.send("BODY " + hex(reply.body));
        static const char* const deliveries[] = { "framed", "as-given", "never" };
        m_process.send(std::string("DELIVERY ") + deliveries[static_cast<int>(reply.delivery)]);
        m_process.send("END");
    }
    m_process.send("GO");
    auto line = m_process.readLine();
    if (!line || line->rfind("READY ", 0) != 0) {
        ADD_FAILURE() << "the scripted server did not start";
        return;
    }
    m_port = std::stoi(line->substr(6));
}

std::string ScriptedHTTPServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::optional<ScriptedHTTPServer::Request> ScriptedHTTPServer::nextRequest()
{
    auto line = m_process.readLine();
    if (!line)
        return std::nullopt;
    std::istringstream fields(*line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;)
        words.push_back(unhex(word));
    if (words.size() < 4)
        return std::nullopt;
    Request request { words[1], words[2], {}, words.back(), std::atoi(words[0].c_str()) };
    for (size_t i = 3; i + 2 < words.size(); i += 2)
        request.headers[words[i]] = words[i + 1];
    return request;
}

} // namespace qv::testing
