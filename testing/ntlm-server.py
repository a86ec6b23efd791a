#!/usr/bin/env python3
# A loopback HTTP server or proxy (HTTP/1.1, kept-alive connections) that
# asks for NTLM and checks the NTLMv2 answer with a computation of its own:
# MD4 written out here, HMAC-MD5 from the standard library. The
# negotiate, challenge and authenticate messages must come on one
# connection. Accounts: user "user", password "secret", domain "QUILT".
#
#   ntlm-server.py server [CERT KEY]  answers an echo of the request once
#                                     logged in (over TLS with a certificate
#                                     and key); "/open/" paths without login
#   ntlm-server.py proxy              asks with 407 and then forwards the
#                                     request, or opens the tunnel of a
#                                     CONNECT; the requests of one client
#                                     connection go to the server over one
#                                     connection, as a server's own NTLM
#                                     login needs
#
# It prints "READY port", then one line per request:
#   REQUEST connection method target message verdict
# message: none, negotiate, authenticate or other; verdict: challenge,
# ok or refused. It stops when its standard input ends.
import base64, datetime, hmac, http.client, http.server, os, select, socket, ssl, struct, sys, threading, urllib.parse

ACCOUNTS = {('QUILT', 'user'): 'secret'}
MASK = 0xffffffff


def md4(data):
    def rol(value, shift):
        return ((value << shift) | (value >> (32 - shift))) & MASK
    functions = [lambda x, y, z: (x & y) | (~x & z),
                 lambda x, y, z: (x & y) | (x & z) | (y & z),
                 lambda x, y, z: x ^ y ^ z]
    orders = [list(range(16)),
              [0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15],
              [0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15]]
    shifts = [[3, 7, 11, 19], [3, 5, 9, 13], [3, 9, 11, 15]]
    additions = [0, 0x5A827999, 0x6ED9EBA1]
    message = bytearray(data) + b'\x80'
    while len(message) % 64 != 56:
        message.append(0)
    message += struct.pack('<Q', (8 * len(data)) & 0xffffffffffffffff)
    state = [0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476]
    for offset in range(0, len(message), 64):
        words = struct.unpack('<16I', message[offset:offset + 64])
        v = list(state)
        for round in range(3):
            for step in range(16):
                t = (-step) % 4
                b, c, d = v[(t + 1) % 4], v[(t + 2) % 4], v[(t + 3) % 4]
                v[t] = rol((v[t] + functions[round](b, c, d) + words[orders[round][step]] + additions[round]) & MASK,
                           shifts[round][step % 4])
        state = [(s + x) & MASK for s, x in zip(state, v)]
    return struct.pack('<4I', *state)


assert md4(b'').hex() == '31d6cfe0d16ae931b73c59d7e0c089c0'
assert md4(b'abc').hex() == 'a448017aaf21d8525fc10ae87aa6729d'
assert md4(b'12345678901234567890123456789012345678901234567890123456789012345678901234567890').hex() == 'e33b4ddc9c38f2199c3e7b164fcc0536'


def hmac_md5(key, data):
    return hmac.new(key, data, 'md5').digest()


def utf16(text):
    return text.encode('utf-16-le')


def av_pair(kind, value):
    return struct.pack('<HH', kind, len(value)) + value


def challenge_message(server_challenge):
    flags = 0x00000001 | 0x00000004 | 0x00000200 | 0x00008000 | 0x00010000 | 0x00080000 | 0x00800000 | 0x20000000 | 0x80000000
    filetime = (int(datetime.datetime.now(datetime.timezone.utc).timestamp()) + 11644473600) * 10000000
    target = utf16('QUILT')
    info = (av_pair(2, utf16('QUILT')) + av_pair(1, utf16('VANE')) + av_pair(4, utf16('quilt.test'))
            + av_pair(7, struct.pack('<Q', filetime)) + av_pair(0, b''))
    offset = 48
    return (b'NTLMSSP\0' + struct.pack('<I', 2) + struct.pack('<HHI', len(target), len(target), offset)
            + struct.pack('<I', flags) + server_challenge + b'\0' * 8
            + struct.pack('<HHI', len(info), len(info), offset + len(target)) + target + info)


def field(message, at):
    length, _, offset = struct.unpack('<HHI', message[at:at + 8])
    if offset + length > len(message):
        raise ValueError('field beyond the message')
    return message[offset:offset + length]


def check_authenticate(message, server_challenge):
    """The account's (domain, user) when the NTLMv2 answer is right, else None."""
    if message[:8] != b'NTLMSSP\0' or struct.unpack('<I', message[8:12])[0] != 3:
        return None
    flags = struct.unpack('<I', message[60:64])[0]
    decode = (lambda b: b.decode('utf-16-le')) if flags & 1 else (lambda b: b.decode('latin-1'))
    lm, nt = field(message, 12), field(message, 20)
    domain, user = decode(field(message, 28)), decode(field(message, 36))
    password = ACCOUNTS.get((domain.upper(), user.lower()))
    if password is None or len(nt) < 48:
        return None
    v2hash = hmac_md5(md4(utf16(password)), utf16(user.upper() + domain))
    proof, blob = nt[:16], nt[16:]
    if blob[:4] != b'\x01\x01\0\0' or not hmac.compare_digest(proof, hmac_md5(v2hash, server_challenge + blob)):
        return None
    # The LMv2 answer, when given, must be right too.
    if len(lm) == 24 and lm != b'\0' * 24:
        if not hmac.compare_digest(lm[:16], hmac_md5(v2hash, server_challenge + lm[16:])):
            return None
    return domain, user


lock = threading.Lock()
connections = [0]
proxy_mode = sys.argv[1] == 'proxy'
asking_field, answer_field, refusal = ('Proxy-Authorization', 'Proxy-Authenticate', 407) if proxy_mode else ('Authorization', 'WWW-Authenticate', 401)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *arguments):
        pass

    def setup(self):
        super().setup()
        with lock:
            connections[0] += 1
            self.connection_number = connections[0]
        self.server_challenge = None
        self.account = None
        self.upstreams = {}

    def finish(self):
        super().finish()
        for upstream in self.upstreams.values():
            upstream.close()

    def report(self, message, verdict):
        with lock:
            print('REQUEST %d %s %s %s %s' % (self.connection_number, self.command, self.path, message, verdict), flush=True)

    def send(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        if self.command != 'HEAD':
            self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length) if length else b''
        if not proxy_mode and self.path.startswith('/open/'):
            self.report('none', 'ok')
            return self.echo(('-', '-'), body)
        value = self.headers.get(asking_field, '')
        token = value[5:].strip() if value.startswith('NTLM ') else None
        try:
            message = base64.b64decode(token, validate=True) if token else None
        except ValueError:
            message = None
        kind = 'none' if not value else 'other'
        if message and message[:8] == b'NTLMSSP\0' and len(message) >= 12:
            kind = {1: 'negotiate', 3: 'authenticate'}.get(struct.unpack('<I', message[8:12])[0], 'other')
        if kind == 'negotiate':
            self.server_challenge = os.urandom(8)
            self.report(kind, 'challenge')
            token = base64.b64encode(challenge_message(self.server_challenge)).decode()
            return self.send(refusal, b'Login required', [(answer_field, 'NTLM ' + token)])
        if kind == 'authenticate':
            # Only the connection that was challenged may answer.
            challenge, self.server_challenge = self.server_challenge, None
            try:
                self.account = check_authenticate(message, challenge) if challenge else None
            except (ValueError, struct.error, UnicodeDecodeError):
                self.account = None
        if not self.account:
            self.report(kind, 'refused' if kind == 'authenticate' else 'challenge')
            return self.send(refusal, b'Login required', [(answer_field, 'NTLM')])
        self.report(kind, 'ok')
        if proxy_mode and self.command == 'CONNECT':
            return self.tunnel()
        if proxy_mode:
            return self.forward(body)
        self.echo(self.account, body)

    def echo(self, account, body):
        lines = ['%s %s' % (self.command, self.path), 'account %s\\%s' % account]
        lines += ['%s: %s' % item for item in self.headers.items()]
        self.send(200, ('\n'.join(lines) + '\n\n').encode() + body, [('Content-Type', 'text/plain')])

    def forward(self, body):
        target = urllib.parse.urlsplit(self.path)
        headers = {name: value for name, value in self.headers.items()
                   if name.lower() not in ('proxy-authorization', 'proxy-connection', 'connection', 'keep-alive')}
        key = (target.hostname, target.port or 80)
        for attempt in range(2):
            upstream = self.upstreams.get(key)
            reused = upstream is not None
            if not upstream:
                upstream = self.upstreams[key] = http.client.HTTPConnection(*key, timeout=10)
            try:
                upstream.request(self.command, target.path + ('?' + target.query if target.query else ''), body, headers)
                answer = upstream.getresponse()
                content = answer.read()
                break
            except (ConnectionError, http.client.HTTPException):
                # A kept connection the server has closed meanwhile: once more
                # on a new one.
                upstream.close()
                del self.upstreams[key]
                if not reused:
                    raise
        self.send(answer.status, content, [(n, v) for n, v in answer.getheaders()
                                           if n.lower() not in ('content-length', 'connection', 'transfer-encoding', 'keep-alive')])

    def tunnel(self):
        host, _, port = self.path.rpartition(':')
        upstream = socket.create_connection((host, int(port)), timeout=10)
        self.send_response(200, 'Connection established')
        self.end_headers()
        self.wfile.flush()
        client = self.connection
        try:
            while True:
                readable, _, _ = select.select([client, upstream], [], [], 30)
                if not readable:
                    break
                for side in readable:
                    data = side.recv(65536)
                    if not data:
                        return
                    (upstream if side is client else client).sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()
            self.close_connection = True

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = do_CONNECT = handle_any


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, context):
        super().__init__(('127.0.0.1', 0), Handler)
        self.context = context

    # The TLS handshake runs on the connection's own thread.
    def finish_request(self, request, client_address):
        if self.context:
            request = self.context.wrap_socket(request, server_side=True)
        super().finish_request(request, client_address)


context = None
if not proxy_mode and len(sys.argv) == 4:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
server = Server(context)
print('READY %d' % server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
