#include "LoopbackHTTPServer.h"

#include "Process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::testing {

namespace {

constexpr const char* serverScript = R"PY(
import http.server, os, sys, threading, time, urllib.parse

folder = sys.argv[1]

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'

    def log_message(self, *arguments):
        pass

    def answer(self, status, body, content_type='application/octet-stream', length=True, headers=()):
        self.send_response(status)
        self.send_header('Content-Type', content_type)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def echo(self):
        # What the server received, as text: the request line, every
        # header line as it came, a blank line, then the body.
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length) if length else b''
        head = '%s %s %s\r\n' % (self.command, self.path, self.request_version)
        for name, value in self.headers.raw_items():
            head += '%s: %s\r\n' % (name, value)
        self.answer(200, head.encode('latin-1') + b'\r\n' + body, 'text/plain; charset="utf-8"')

    def form(self):
        # A form body read back by the standard library's parsers: one line
        # a field, "name filename type value" in hexadecimal ("-" for none).
        import email.parser, email.policy, urllib.parse
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length)
        kind = self.headers.get('Content-Type', '')
        hexed = lambda text: text.encode('utf-8').hex() if text is not None else '-'
        lines = []
        if kind.startswith('multipart/form-data'):
            message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
                b'Content-Type: ' + kind.encode('latin-1') + b'\r\n\r\n' + body)
            for part in message.iter_parts():
                value = part.get_payload(decode=True) or b''
                lines.append('%s %s %s %s' % (hexed(part.get_param('name', header='content-disposition')),
                    hexed(part.get_param('filename', header='content-disposition')), part.get_content_type(), value.hex() or '-'))
        else:
            for name, value in urllib.parse.parse_qsl(body.decode('utf-8'), keep_blank_values=True):
                lines.append('%s - - %s' % (hexed(name), hexed(value) if value else '-'))
        self.answer(200, ('\n'.join(lines) + '\n').encode(), 'text/plain', headers=[('X-Content-Type', kind)])

    def do_POST(self):
        print(self.command + ' ' + self.path, flush=True)
        if self.path == '/_/form':
            self.form()
        elif self.path.startswith('/_/redirect-status/'):
            length = int(self.headers.get('Content-Length') or 0)
            if length:
                self.rfile.read(length)
            self.redirect_status()
        else:
            self.echo()

    def digest(self):
        # Digest (RFC 7616, MD5, qop auth) for user "user", password
        # "secret": the echo when the answer is right, else a challenge.
        import hashlib, re
        md5 = lambda text: hashlib.md5(text.encode()).hexdigest()
        realm, nonce = 'Quilt', 'a1b2c3d4'
        fields = dict(re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', self.headers.get('Authorization', '')) and
                      [(k, v or w) for k, v, w in re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', self.headers.get('Authorization', ''))])
        ok = False
        if self.headers.get('Authorization', '').startswith('Digest ') and fields.get('username') == 'user':
            ha1 = md5('user:%s:secret' % realm)
            ha2 = md5('%s:%s' % (self.command, fields.get('uri', '')))
            expected = md5(':'.join([ha1, fields.get('nonce', ''), fields.get('nc', ''), fields.get('cnonce', ''), 'auth', ha2]))
            ok = fields.get('response') == expected and fields.get('nonce') == nonce and fields.get('uri') == self.path
        if ok:
            self.echo()
        else:
            self.answer(401, b'denied', 'text/plain',
                        headers=[('WWW-Authenticate', 'Digest realm="%s", nonce="%s", qop="auth", algorithm=MD5' % (realm, nonce))])

    def redirect_status(self):
        # /_/redirect-status/CODE/LOCATION: that status towards the
        # (percent-encoded) location, with a cookie for this host.
        parts = self.path.split('/', 4)
        target = urllib.parse.unquote(parts[4])
        self.answer(int(parts[3]), b'redirect body', 'text/plain',
                    headers=[('Location', target), ('Set-Cookie', 'first=host; Path=/')])

    do_PUT = do_POST
    do_DELETE = do_POST

    def do_GET(self):
        print('GET ' + self.path, flush=True)
        parts = self.path.split('/')
        if self.path.startswith('/_/echo'):
            self.echo()
        elif self.path.startswith('/_/redirect-status/'):
            self.redirect_status()
        elif self.path.startswith('/_/digest'):
            self.digest()
        elif self.path == '/_/trickle-headers':
            # Header lines, slowly, for ever: never a body.
            self.send_response(200)
            try:
                for count in range(100000):
                    self.send_header('X-Trickle-%d' % count, 'x')
                    self.flush_headers()
                    time.sleep(0.1)
            except OSError:
                pass
        elif self.path == '/_/endless-headers':
            # Header lines as fast as they go, for ever.
            self.wfile.write(b'HTTP/1.0 200 OK\r\n')
            try:
                for count in range(10000000):
                    self.wfile.write(b'X-Endless-%d: xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\n' % count)
            except OSError:
                pass
        elif self.path.startswith('/_/truncated/'):
            # Announces N bytes, sends half of them and closes.
            count = int(parts[3])
            self.send_response(200)
            self.send_header('Content-Length', str(count))
            self.end_headers()
            self.wfile.write(b'x' * (count // 2))
            self.wfile.flush()
            self.connection.shutdown(2)
        elif self.path.startswith('/_/gzip/'):
            # A gzip body, whole or cut short ("/_/gzip/N/cut").
            import gzip
            body = gzip.compress(b'y' * int(parts[3]))
            if len(parts) > 4 and parts[4] == 'cut':
                body = body[:len(body) // 2]
            self.answer(200, body, 'text/plain', headers=[('content-encoding', 'gzip')])
        elif self.path == '/_/hang':
            time.sleep(3600)
        elif self.path == '/_/html':
            self.answer(200, b'<html><body>Not here</body></html>', 'text/html')
        elif self.path.startswith('/_/big/'):
            self.answer(200, b'x' * int(parts[3]))
        elif self.path.startswith('/_/stream/'):
            self.answer(200, b'x' * int(parts[3]), length=False)
        elif self.path.startswith('/_/redirect/'):
            count = int(parts[3])
            rest = '/'.join(parts[4:])
            target = '/_/redirect/%d/%s' % (count - 1, rest) if count > 1 else '/' + rest
            self.answer(302, b'', headers=[('Location', target)])
        elif self.path.startswith('/_/location/'):
            target = urllib.parse.unquote(self.path[len('/_/location/'):])
            self.answer(302, b'', headers=[('Location', target)])
        elif self.path.startswith('/_/status/'):
            body = b'<?xml version="1.0"?><plist version="1.0"><dict><key>QV</key><true/></dict></plist>'
            self.answer(int(parts[3]), body, 'application/xml')
        else:
            path = os.path.join(folder, self.path.lstrip('/'))
            try:
                with open(path, 'rb') as file:
                    body = file.read()
            except OSError:
                self.answer(404, b'not found', 'text/plain')
                return
            self.answer(200, body, 'application/xml')

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
print('PORT %d' % server.server_address[1], flush=True)
sys.stdin.read()
os._exit(0)
)PY";

} // namespace

LoopbackHTTPServer::LoopbackHTTPServer(std::filesystem::path folder)
    : m_process({ pythonInterpreter(), "-c", serverScript, folder.string() })
{
    auto line = m_process.readLine(std::chrono::seconds(30));
    if (!line || line->rfind("PORT ", 0) != 0) {
        ADD_FAILURE() << "the HTTP server did not start";
        return;
    }
    m_port = std::stoi(line->substr(5));
}

std::string LoopbackHTTPServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::optional<std::string> LoopbackHTTPServer::nextRequest(std::chrono::milliseconds timeLimit)
{
    return m_process.readLine(timeLimit);
}

bool LoopbackHTTPServer::acceptsConnections(int port)
{
    const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
    if (descriptor < 0)
        return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(descriptor);
    return connected;
}

int LoopbackHTTPServer::closedPort()
{
    // A port the system just handed out and took back: nothing listens
    // there, and nothing is likely to start in the moment the test needs.
    int socketDescriptor = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(socketDescriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && getsockname(socketDescriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(socketDescriptor);
    return port;
}

} // namespace qv::testing
