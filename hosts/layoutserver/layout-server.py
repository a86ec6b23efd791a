#!/usr/bin/env python3
"""The layout server of Quilt Vane, for a community of your own.

    layout-server.py FOLDER [--host ADDRESS] [--port PORT] [--strict] [--fixture]

serves the layouts kept in FOLDER to the application's "Uploaded" tab and
takes the layouts its "Saved" tab uploads. FOLDER holds one folder per
device class ("iPhone3_5Inch", "iPhone4Inch", "iPhone4_7Inch",
"iPhone5_5Inch", "iPad"); each holds the layout files ("NAME.plist") and
"downloads.json", the download count of each. Both are made as needed,
each written whole or not at all; a layout file put there by hand is
listed with 0 downloads. A "downloads.json" that cannot be read (cut
short, or no JSON object) is never written over: the server says so on its
standard error, and keeps no counts for that folder until it is mended.

It listens on ADDRESS (127.0.0.1 unless given) and PORT (8080 unless given;
0 picks a free one) and prints "PORT <port>" once it listens. The
application finds it through the setting "LayoutServerHost" of its
preference domain ("127.0.0.1:8080" when unset).

The five addresses, below /Apps/Quiltvane/Layouts/<device class>/:
  GET  DownloadCounter.asp         the listing, by name
  GET  SortedDownloadCounter.asp   the listing, most downloaded first
  POST DownloadManager.asp         form "filename" (the name without
                                   ".plist"): counts a download, answers the
                                   new count ("0" for no such layout)
  GET  GetLayout.asp?filename=N    the layout file N
  POST upload.asp                  multipart form, file part "userfile":
                                   answers "SUCCESS", "EXISTS" or a word
                                   saying why not (INVALID, REFUSED, ...)
A listing is, for each layout, its name, "s/s/", its count and "n/n/".

No name may lead out of its folder: a name that is not a single file name
(empty, ".", "..", with "/" or NUL), or that holds a control character or
invalid UTF-8, is refused; of an uploaded file name, which carries the
sender's folders, only the last part counts, and one with a ".." folder is
refused. "My..Layout.plist" is a name like any other.

--strict answers 400 to any request whose bytes differ from what the
application sends (method, path, query escaping, headers, form body).
--fixture is for tests: strict, one line per request on the standard
output ("REQUEST STATUS" and the request's parts in hexadecimal), commands on the standard input (each
answered "OK <command>"), and the end when the standard input ends:
  delay SECONDS [ADDRESS]
                  every answer (to that address) waits that long first
  garbage         every answer is nonsense of its kind
  listing HEX     listings answer these bytes
  fetch STATUS HEX
                  layout fetches answer this status and these bytes
  gzip            every answer comes compressed ("Content-Encoding: gzip")
                  to a request that accepts gzip
  normal          back to normal answers
"""

import argparse
import gzip
import json
import os
import plistlib
import re
import sys
import tempfile
import threading
import time
import urllib.parse
import http.server

COLLECTIONS = ('iPhone3_5Inch', 'iPhone4Inch', 'iPhone4_7Inch', 'iPhone5_5Inch', 'iPad')
PREFIX = '/Apps/Quiltvane/Layouts/'
COUNTS = 'downloads.json'
EXTENSION = '.plist'
MAXIMUM_LAYOUT = 4 << 20
MAXIMUM_BODY = MAXIMUM_LAYOUT + (64 << 10)
# What the platform's URL escaping leaves as it is in a fetch address, and
# what a url-encoded form leaves in a value.
URL_KEEP = set(b'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789' b"-_.!~*'();/?:@&=+$,")
FORM_KEEP = set(b'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._')
BOUNDARY = re.compile(r'0xKhTmLbOuNdArY-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\Z')
# The request headers the application's HTTP library sends of its own.
LIBRARY_HEADERS = {'host', 'user-agent', 'accept-encoding', 'content-length', 'content-type'}


def escape(text, keep):
    return ''.join(chr(byte) if byte in keep else '%%%02X' % byte for byte in text.encode('utf-8'))


def is_text(name):
    try:
        name.encode('utf-8')
        return True
    except UnicodeEncodeError:  # a file name that is no UTF-8
        return False


def acceptable_name(name):
    """Whether a layout name stays inside its folder and can be listed."""
    return (name not in ('', '.', '..') and is_text(name) and '/' not in name
            and not any(ord(c) < 0x20 or ord(c) == 0x7f for c in name)
            and 's/s/' not in name and 'n/n/' not in name)


def decode_escaped(value):
    """Percent-escaped UTF-8 text, or None when it is not that."""
    try:
        return urllib.parse.unquote_to_bytes(value).decode('utf-8')
    except UnicodeDecodeError:
        return None


def is_count(value):
    """Whether a value of the counts file is a download count."""
    return isinstance(value, int) and value >= 0


class Store:
    """The layouts and their counts, one folder per device class."""

    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()

    def collection(self, name):
        path = os.path.join(self.folder, name)
        os.makedirs(path, exist_ok=True)
        return path

    def stored_counts(self, collection):
        """The collection's counts file as it is: {} when there is none,
        None when it cannot be read."""
        try:
            with open(os.path.join(self.collection(collection), COUNTS), encoding='utf-8') as file:
                counts = json.load(file)
        except FileNotFoundError:
            return {}
        except (OSError, ValueError):
            return None
        return counts if isinstance(counts, dict) else None

    def counts(self, collection):
        counts = self.stored_counts(collection) or {}
        return {k: v for k, v in counts.items() if is_count(v)}

    def set_count(self, collection, name, new_count):
        """Sets the layout's count to `new_count` of the count it has (0 for
        none) and writes the counts file back whole; the count set. A file
        that cannot be read is left as it is, and keeps no count: it may hold
        counts its owner can still mend."""
        folder = self.collection(collection)
        counts = self.stored_counts(collection)
        if counts is None:
            sys.stderr.write('layout-server: %s cannot be read as a JSON object of counts; it is left as it is, '
                             'and download counts are not kept until it is mended\n' % os.path.join(folder, COUNTS))
            sys.stderr.flush()
            return new_count(0)
        old = counts.get(name)
        counts[name] = new_count(old if is_count(old) else 0)
        self.write_atomically(folder, COUNTS, json.dumps(counts, ensure_ascii=False, indent=1).encode('utf-8'))
        return counts[name]

    def write_atomically(self, folder, name, data):
        handle, temporary = tempfile.mkstemp(dir=folder, prefix='.incoming-')
        try:
            with os.fdopen(handle, 'wb') as file:
                file.write(data)
                file.flush()
                os.fsync(file.fileno())
            os.replace(temporary, os.path.join(folder, name))
        except BaseException:
            os.unlink(temporary)
            raise

    def layouts(self, collection, popular):
        with self.lock:
            folder = self.collection(collection)
            counts = self.counts(collection)
            names = [n for n in os.listdir(folder) if n.endswith(EXTENSION) and acceptable_name(n)
                     and os.path.isfile(os.path.join(folder, n))]
        entries = sorted(((n, counts.get(n, 0)) for n in names), key=lambda e: (e[0].casefold(), e[0]))
        if popular:
            entries.sort(key=lambda e: -e[1])
        return entries

    def count_download(self, collection, name):
        with self.lock:
            folder = self.collection(collection)
            if not os.path.isfile(os.path.join(folder, name)):
                return None
            return self.set_count(collection, name, lambda count: count + 1)

    def layout(self, collection, name):
        try:
            with open(os.path.join(self.collection(collection), name), 'rb') as file:
                return file.read()
        except OSError:
            return None

    def add(self, collection, name, data):
        with self.lock:
            folder = self.collection(collection)
            if os.path.exists(os.path.join(folder, name)):
                return 'EXISTS'
            self.write_atomically(folder, name, data)
            self.set_count(collection, name, lambda count: 0)
            return 'SUCCESS'


class Modes:
    """What the fixture's commands set."""

    def __init__(self):
        self.delay = 0.0
        self.delays = {}  # by address, over the delay of all
        self.garbage = False
        self.listing = None
        self.fetch = None  # (status, bytes)
        self.gzip = False


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    server_version = 'QuiltvaneLayoutServer/1.0'

    def log_message(self, *arguments):
        pass

    # --- Reading the request

    def read_body(self):
        length = self.headers.get('Content-Length')
        if length is None:
            return b''
        try:
            length = int(length)
        except ValueError:
            return None
        if length < 0 or length > MAXIMUM_BODY:
            return None
        return self.rfile.read(length)

    def common_problems(self, body):
        problems = []
        names = [n.lower() for n in self.headers.keys()]
        for name in names:
            if name not in LIBRARY_HEADERS:
                problems.append('header %s is not the library\'s' % name)
        for name in set(names):
            if names.count(name) > 1:
                problems.append('header %s is sent twice' % name)
        if self.headers.get('Host') != '%s:%d' % self.server.server_address[:2]:
            problems.append('Host is %r' % self.headers.get('Host'))
        if self.headers.get('Accept-Encoding') not in (None, 'gzip'):
            problems.append('Accept-Encoding is %r' % self.headers.get('Accept-Encoding'))
        if body is not None and self.command == 'POST' and self.headers.get('Content-Length') != str(len(body)):
            problems.append('Content-Length is %r for %d bytes' % (self.headers.get('Content-Length'), len(body)))
        if self.command == 'GET' and (body or 'content-type' in names or 'content-length' in names):
            problems.append('a GET carries a body')
        return problems

    # --- Answering

    def answer(self, status, body, content_type='text/plain; charset=utf-8'):
        modes = self.server.modes
        delay = modes.delays.get(getattr(self, 'endpoint', None), modes.delay)
        if delay:
            time.sleep(delay)
        if isinstance(body, str):
            body = body.encode('utf-8')
        compressed = modes.gzip and self.headers.get('Accept-Encoding') == 'gzip'
        if compressed:
            body = gzip.compress(body)
        self.answered = status
        try:
            self.send_response(status)
            self.send_header('Content-Type', content_type)
            if compressed:
                self.send_header('Content-Encoding', 'gzip')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            # The client went away (a thumbnail no longer wanted).
            self.close_connection = True

    def handle_request(self):
        self.answered = None
        body = self.read_body()
        problems = []
        try:
            if body is None:
                self.close_connection = True
                problems.append('the body is too large or its length unreadable')
                self.answer(413, 'TOO LARGE')
                return
            problems = self.common_problems(body)
            route = self.route()
            if route is None:
                self.answer(404, 'not found')
                return
            collection, endpoint, query = route
            self.endpoint = endpoint
            handler = {
                ('GET', 'DownloadCounter.asp'): self.listing,
                ('GET', 'SortedDownloadCounter.asp'): self.sorted_listing,
                ('POST', 'DownloadManager.asp'): self.count,
                ('GET', 'GetLayout.asp'): self.fetch,
                ('POST', 'upload.asp'): self.upload,
            }.get((self.command, endpoint))
            if handler is None:
                self.answer(405 if endpoint in ('DownloadCounter.asp', 'SortedDownloadCounter.asp', 'DownloadManager.asp',
                                                'GetLayout.asp', 'upload.asp') else 404, 'not here')
                return
            handler(collection, query, body, problems)
        finally:
            self.record(body, problems)

    # Other methods get the standard library's 501.
    do_GET = handle_request
    do_POST = handle_request

    def route(self):
        path, _, query = self.path.partition('?')
        if not path.startswith(PREFIX):
            return None
        parts = path[len(PREFIX):].split('/')
        if len(parts) != 2 or parts[0] not in COLLECTIONS:
            return None
        return parts[0], parts[1], (query if '?' in self.path else None)

    def refuse(self, problems, status=400, answer=None):
        """In strict mode a request with problems gets 400 and its reasons."""
        if problems and self.server.strict:
            self.answer(400, answer if answer is not None else 'PROTOCOL: ' + '; '.join(problems))
            return True
        return False

    # --- The five addresses

    def listing(self, collection, query, body, problems, popular=False):
        if query is not None:
            problems.append('a listing carries a query')
        if self.refuse(problems):
            return
        modes = self.server.modes
        if modes.listing is not None:
            self.answer(200, modes.listing)
        elif modes.garbage:
            self.answer(200, b'<html><body>\xff Internal Server Error</body></html>', 'text/html')
        else:
            entries = self.server.store.layouts(collection, popular)
            self.answer(200, ''.join('%ss/s/%dn/n/' % entry for entry in entries))

    def sorted_listing(self, collection, query, body, problems):
        self.listing(collection, query, body, problems, popular=True)

    def count(self, collection, query, body, problems):
        if query is not None:
            problems.append('the count carries a query')
        if self.headers.get('Content-Type') != 'application/x-www-form-urlencoded; charset=utf-8':
            problems.append('Content-Type is %r' % self.headers.get('Content-Type'))
        text = body.decode('latin-1')
        match = re.fullmatch(r'filename=([^&=]*)', text)
        value = decode_escaped(match.group(1)) if match else None
        if value is None:
            problems.append('the form is not one field "filename"')
        elif escape(value, FORM_KEEP) != match.group(1):
            problems.append('the value is not escaped as a form escapes it')
        if self.refuse(problems, answer='0'):
            return
        if self.server.modes.garbage:
            self.answer(200, 'abc')
            return
        if value is None or not acceptable_name(value + EXTENSION):
            self.answer(400, '0')
            return
        count = self.server.store.count_download(collection, value + EXTENSION)
        self.answer(200 if count is not None else 404, str(count or 0))

    def fetch(self, collection, query, body, problems):
        # The whole query after "filename=" is the name: a name may hold "&".
        name = None
        if query is None or not query.startswith('filename='):
            problems.append('no "filename" in the query')
        else:
            raw = query[len('filename='):]
            name = decode_escaped(raw)
            if name is None:
                problems.append('the name is not escaped UTF-8')
            elif escape(name, URL_KEEP) != raw:
                problems.append('the name is not escaped as the platform escapes it')
        if self.refuse(problems):
            return
        if self.server.modes.fetch is not None:
            self.answer(*self.server.modes.fetch)
            return
        if self.server.modes.garbage:
            self.answer(200, 'this is no layout', 'application/x-plist')
            return
        if name is None or not acceptable_name(name):
            self.answer(400, 'REFUSED')
            return
        data = self.server.store.layout(collection, name)
        if data is None:
            self.answer(404, 'not found')
        else:
            self.answer(200, data, 'application/x-plist')

    def upload(self, collection, query, body, problems):
        if query is not None:
            problems.append('the upload carries a query')
        part = self.read_part(body, problems)
        if self.refuse(problems, answer='PROTOCOL'):
            return
        if self.server.modes.garbage:
            self.answer(200, 'WHAT')
            return
        if part is None:
            self.answer(400, 'INVALID')
            return
        file_name, data = part
        # The sender's folders are not the server's: the last part names it.
        name = file_name.rsplit('/', 1)[-1]
        if not name.endswith(EXTENSION):
            name += EXTENSION
        if '..' in file_name.split('/') or not acceptable_name(name) or name == EXTENSION:
            self.answer(400, 'REFUSED')
            return
        if len(data) > MAXIMUM_LAYOUT:
            self.answer(413, 'TOO LARGE')
            return
        try:
            layout = plistlib.loads(data)
        except Exception:
            layout = None
        if not isinstance(layout, dict):
            self.answer(400, 'INVALID')
            return
        self.answer(200, self.server.store.add(collection, name, data))

    def read_part(self, body, problems):
        """The file name and bytes of the one part "userfile", checking the
        form against the exact bytes the application writes."""
        kind = self.headers.get('Content-Type', '')
        match = re.fullmatch(r'multipart/form-data; charset=utf-8; boundary=(\S+)', kind)
        if not match:
            problems.append('Content-Type is %r' % kind)
            return None
        boundary = match.group(1)
        if not BOUNDARY.match(boundary):
            problems.append('the boundary is not the library\'s: %r' % boundary)
        head = ('--%s\r\nContent-Disposition: form-data; name="userfile"; filename="' % boundary).encode('latin-1')
        tail = ('\r\n--%s--\r\n' % boundary).encode('latin-1')
        if not body.startswith(head) or not body.endswith(tail):
            problems.append('the form is not one part "userfile"')
            return None
        rest = body[len(head):len(body) - len(tail)]
        quote = rest.find(b'"\r\nContent-Type: application/x-plist\r\n\r\n')
        if quote < 0:
            problems.append('the part\'s file name or type is not as sent by the application')
            return None
        data = rest[quote + len(b'"\r\nContent-Type: application/x-plist\r\n\r\n'):]
        if ('\r\n--%s' % boundary).encode('latin-1') in data:
            problems.append('the form has more than one part')
            return None
        try:
            file_name = rest[:quote].decode('utf-8')
        except UnicodeDecodeError:
            problems.append('the file name is not UTF-8')
            return None
        return file_name, data

    # --- The fixture's log

    def record(self, body, problems):
        # One line a request: the answer's status, then the method, target,
        # HTTP version, header lines, body and problems, each in hexadecimal.
        if not self.server.fixture:
            return
        fields = [self.command, self.path, self.request_version,
                  ''.join('%s: %s\r\n' % item for item in self.headers.items()), '', '\n'.join(problems)]
        # The request line and headers came as Latin-1: so they go back.
        hexed = [text.encode('latin-1', 'replace').hex() or '-' for text in fields[:5]] + [fields[5].encode('utf-8').hex() or '-']
        hexed[4] = (body or b'').hex() or '-'
        self.server.say('REQUEST %d %s' % (self.answered or 0, ' '.join(hexed)))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, store, strict, fixture):
        super().__init__(address, Handler)
        self.store = store
        self.strict = strict
        self.fixture = fixture
        self.modes = Modes()
        self.output = threading.Lock()

    def handle_error(self, request, client_address):
        # A client that drops its connection (a thumbnail no longer wanted,
        # a kept-alive connection closed) is no error of the server's.
        if not isinstance(sys.exc_info()[1], (ConnectionResetError, BrokenPipeError)):
            super().handle_error(request, client_address)

    def say(self, line):
        with self.output:
            sys.stdout.write(line + '\n')
            sys.stdout.flush()


def obey(server):
    """The fixture's commands, until the standard input ends."""
    for line in sys.stdin:
        words = line.split()
        modes = server.modes
        if not words:
            continue
        if words[0] == 'delay' and len(words) == 2:
            modes.delay = float(words[1])
        elif words[0] == 'delay' and len(words) == 3:
            modes.delays[words[2]] = float(words[1])
        elif words[0] == 'garbage':
            modes.garbage = True
        elif words[0] == 'listing' and len(words) <= 2:
            modes.listing = bytes.fromhex(words[1] if len(words) == 2 else '')
        elif words[0] == 'fetch' and len(words) in (2, 3) and words[1].isdigit():
            modes.fetch = (int(words[1]), bytes.fromhex(words[2] if len(words) == 3 else ''))
        elif words[0] == 'gzip' and len(words) == 1:
            modes.gzip = True
        elif words[0] == 'normal':
            modes.delay, modes.delays, modes.garbage, modes.listing, modes.fetch = 0.0, {}, False, None, None
            modes.gzip = False
        else:
            server.say('UNKNOWN ' + line.strip())
            continue
        server.say('OK ' + line.strip())


def main():
    options = argparse.ArgumentParser(description='The layout server of Quilt Vane.')
    options.add_argument('folder', help='where the layouts and their counts are kept')
    options.add_argument('--host', default='127.0.0.1', help='the address to listen on (127.0.0.1)')
    options.add_argument('--port', type=int, default=8080, help='the port to listen on (8080; 0 for a free one)')
    options.add_argument('--strict', action='store_true', help='answer 400 to requests the application would not send')
    options.add_argument('--fixture', action='store_true', help='for tests: strict, requests logged, commands on stdin')
    arguments = options.parse_args()
    os.makedirs(arguments.folder, exist_ok=True)
    server = Server((arguments.host, arguments.port), Store(arguments.folder), arguments.strict or arguments.fixture,
                    arguments.fixture)
    server.say('PORT %d' % server.server_address[1])
    if not arguments.fixture:
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
        return
    threading.Thread(target=server.serve_forever, daemon=True).start()
    obey(server)
    os._exit(0)


if __name__ == '__main__':
    main()
