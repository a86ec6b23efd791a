#!/usr/bin/python3
"""A throwaway OpenStack Swift object store on 127.0.0.1, for tests.

    object-store.py FOLDER

lays out a store in FOLDER (configuration, rings, one device), starts
memcached and Swift's account, container, object and proxy servers on free
loopback ports, and prints "READY <proxy port>" once the proxy answers (or
"FAILED <reason>" and exits). The proxy serves Swift's native API with
tempauth (user "test:tester", key "testing", account "AUTH_test"; log in at
"/auth/v1.0") and the S3 API (access key "test:tester", secret "testing";
virtual-host buckets under "s3.test" and under "localhost"). The store runs until its standard
input ends, then stops every process it started and prints "STOPPED".

Nothing outside FOLDER is written, and the servers read their settings
from FOLDER only, never from /etc/swift. Server logs go to FOLDER/log.
"""

import ctypes
import os
import signal
import socket
import subprocess
import sys
import time
import urllib.request

PYTHON = '/usr/bin/python3'  # Swift's modules are Debian's, for Debian's Python
START_SECONDS = 60
STOP_SECONDS = 10
START_ATTEMPTS = 2
PR_SET_PDEATHSIG = 1

# Runs one of Swift's programs (a server, or the ring builder) with FOLDER in
# place of /etc/swift. Swift reads /etc/swift/swift.conf as its module of
# utilities is imported, before any setting could point it elsewhere, so
# that one read is sent to FOLDER's copy, and so are all later ones.
SWIFT_LAUNCHER = r'''
import builtins, sys
folder, program, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
store_conf = folder + '/swift.conf'
system_open = builtins.open
def store_open(path, *rest, **options):
    return system_open(store_conf if path == '/etc/swift/swift.conf' else path, *rest, **options)
builtins.open = store_open
import swift.common.utils as utils
builtins.open = system_open
utils.SWIFT_CONF_FILE = store_conf
if program == 'ring':
    from swift.cli.ringbuilder import main
    sys.exit(main(['swift-ring-builder'] + arguments))
from swift.common.wsgi import run_wsgi
sys.exit(run_wsgi(arguments[0], program, verbose=True))
'''

SWIFT_CONF = '''[swift-hash]
swift_hash_path_suffix = quiltvane-test
swift_hash_path_prefix = quiltvane-test

[storage-policy:0]
name = Policy-0
default = yes

[swift-constraints]
max_meta_count = 91
'''

BACKEND_CONF = '''[DEFAULT]
bind_ip = 127.0.0.1
bind_port = {port}
workers = 0
devices = {folder}/node
mount_check = false
swift_dir = {folder}
log_name = {name}

[pipeline:main]
pipeline = {name}-server

[app:{name}-server]
use = egg:swift#{name}
'''

PROXY_CONF = '''[DEFAULT]
bind_ip = 127.0.0.1
bind_port = {port}
workers = 0
swift_dir = {folder}
log_name = proxy

[pipeline:main]
pipeline = catch_errors gatekeeper healthcheck proxy-logging cache s3api tempauth slo proxy-logging proxy-server

[app:proxy-server]
use = egg:swift#proxy
account_autocreate = true
allow_account_management = true

[filter:tempauth]
use = egg:swift#tempauth
user_test_tester = testing .admin http://127.0.0.1:{port}/v1/AUTH_test

[filter:s3api]
use = egg:swift#s3api
storage_domain = s3.test,localhost

[filter:slo]
use = egg:swift#slo

[filter:cache]
use = egg:swift#memcache
memcache_servers = 127.0.0.1:{memcached_port}

[filter:catch_errors]
use = egg:swift#catch_errors

[filter:gatekeeper]
use = egg:swift#gatekeeper

[filter:healthcheck]
use = egg:swift#healthcheck

[filter:proxy-logging]
use = egg:swift#proxy_logging
'''


class ServerEnded(RuntimeError):
    """A process of the store ended while it was starting."""


def free_ports(count):
    """Loopback ports the system just handed out: free, and unlikely to be
    handed out again in the moment before the servers take them."""
    sockets = [socket.socket() for _ in range(count)]
    for each in sockets:
        each.bind(('127.0.0.1', 0))
    ports = [each.getsockname()[1] for each in sockets]
    for each in sockets:
        each.close()
    return ports


def die_with_parent():
    # A store whose supervisor was killed must not outlive it.
    ctypes.CDLL('libc.so.6', use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Store:
    def __init__(self, folder):
        self.folder = os.path.abspath(folder)
        self.log_folder = os.path.join(self.folder, 'log')
        self.processes = []

    def swift_command(self, program, *arguments):
        return [PYTHON, '-c', SWIFT_LAUNCHER, self.folder, program] + list(arguments)

    def write(self, name, text):
        with open(os.path.join(self.folder, name), 'w') as file:
            file.write(text)

    def start_process(self, name, argv):
        log = open(os.path.join(self.log_folder, name + '.log'), 'ab')
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                   cwd=self.folder, preexec_fn=die_with_parent)
        log.close()
        self.processes.append((name, process))

    def lay_out(self, ports):
        os.makedirs(os.path.join(self.folder, 'node', 'd1'), exist_ok=True)
        os.makedirs(self.log_folder, exist_ok=True)
        self.write('swift.conf', SWIFT_CONF)
        for name in ('account', 'container', 'object'):
            self.write(name + '-server.conf', BACKEND_CONF.format(port=ports[name], folder=self.folder, name=name))
        self.write('proxy-server.conf', PROXY_CONF.format(port=ports['proxy'], folder=self.folder,
                                                          memcached_port=ports['memcached']))
        self.build_rings(ports)

    def build_rings(self, ports):
        # One device for each ring, built side by side.
        def ring_builder(ring, *arguments):
            return subprocess.Popen(self.swift_command('ring', ring + '.builder', *arguments),
                                    cwd=self.folder, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for step in (lambda ring: ('create', '10', '1', '1'),
                     lambda ring: ('add', 'r1z1-127.0.0.1:%d/d1' % ports[ring], '100'),
                     lambda ring: ('rebalance',)):
            builders = [(ring, ring_builder(ring, *step(ring))) for ring in ('account', 'container', 'object')]
            for ring, builder in builders:
                _, errors = builder.communicate(timeout=START_SECONDS)
                # rebalance answers 1 for warnings about a ring this small
                if builder.returncode not in (0, 1):
                    raise RuntimeError('ring %s: %s' % (ring, errors.decode(errors='replace').strip()))

    def start(self):
        names = ('account', 'container', 'object', 'proxy', 'memcached')
        ports = dict(zip(names, free_ports(len(names))))
        self.lay_out(ports)
        memcached = ['/usr/bin/memcached', '-l', '127.0.0.1', '-p', str(ports['memcached']), '-U', '0', '-m', '16']
        if os.geteuid() == 0:
            memcached += ['-u', 'nobody']
        self.start_process('memcached', memcached)
        for name in ('account', 'container', 'object', 'proxy'):
            self.start_process(name, self.swift_command(name + '-server', os.path.join(self.folder, name + '-server.conf')))
        self.wait_until_ready(ports)
        return ports['proxy']

    def wait_until_ready(self, ports):
        deadline = time.monotonic() + START_SECONDS
        # The back-end servers take connections once they are up; the proxy
        # has a health check of its own.
        waiting = [(name, ports[name], None) for name in ('memcached', 'account', 'container', 'object')]
        waiting.append(('proxy', ports['proxy'], '/healthcheck'))
        while waiting:
            for name, process in self.processes:
                if process.poll() is not None:
                    raise ServerEnded('%s ended with %d; see %s' % (name, process.returncode, self.log_folder))
            if time.monotonic() > deadline:
                raise RuntimeError('%s did not answer within %d s' % (waiting[0][0], START_SECONDS))
            name, port, path = waiting[0]
            if answers(port, path):
                waiting.pop(0)
            else:
                time.sleep(0.05)

    def stop(self):
        processes, self.processes = self.processes, []
        for _, process in processes:
            if process.poll() is None:
                process.terminate()
        deadline = time.monotonic() + STOP_SECONDS
        for _, process in processes:
            try:
                process.wait(timeout=max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def answers(port, path):
    try:
        if path is None:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            return True
        with urllib.request.build_opener(urllib.request.ProxyHandler({})).open(
                'http://127.0.0.1:%d%s' % (port, path), timeout=2) as reply:
            return reply.status == 200
    except OSError:
        return False


def main():
    if len(sys.argv) != 2:
        print('usage: object-store.py FOLDER', file=sys.stderr)
        return 2
    store = Store(sys.argv[1])
    # The store is stopped however the supervisor is asked to end.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        port = None
        # A free port can be taken by another program before a server binds
        # it; a second start on other ports gets past that.
        for attempt in range(START_ATTEMPTS):
            try:
                port = store.start()
                break
            except (OSError, RuntimeError, subprocess.SubprocessError) as error:
                store.stop()
                if not isinstance(error, ServerEnded) or attempt + 1 == START_ATTEMPTS:
                    print('FAILED %s' % error, flush=True)
                    return 1
        print('READY %d' % port, flush=True)
        sys.stdin.read()
    finally:
        store.stop()
    print('STOPPED', flush=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
