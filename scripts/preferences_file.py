"""The preference file of the system's domain on a device root, changed by a
script as the system's own programs change it: under the domain's lock,
written whole (the bytes made first, a temporary file beside it renamed over
it) and in the form it was read, so that a binary file holding text XML
cannot carry stays binary. A file that cannot be read, or not written back
with its values, is refused and left as it was."""

import contextlib
import fcntl
import os
import plistlib
import secrets
import string
import time
from xml.parsers.expat import ExpatError

PREFERENCES = "var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist"
# How long another program of the device may hold the domain's lock.
LOCK_WAIT_SECONDS = 10
# What plistlib raises on a file that is no property list: a cut XML file
# ends in an ExpatError, a cut binary one in an InvalidFileException, bad
# text in a value error; nesting deeper than Python's stack ends its reader.
UNREADABLE = (plistlib.InvalidFileException, ExpatError, ValueError, TypeError, OverflowError, RecursionError)
# What plistlib raises on values it read but cannot write: an integer beyond
# 64 bits, text XML cannot carry, keys that are no strings.
UNWRITABLE = (OverflowError, ValueError, TypeError, RecursionError)


class PreferencesFileError(Exception):
    pass


def preferences_path(root):
    return os.path.join(root, PREFERENCES)


@contextlib.contextmanager
def domain_lock(path):
    """The lock every writer of the domain holds: an exclusive flock on
    "<file>.lock" beside it, so that no program of the device writes the
    file between this script's read and its rename."""
    try:
        descriptor = os.open(path + ".lock", os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o644)
    except OSError as error:
        raise PreferencesFileError("cannot lock %s: %s" % (path, error.strerror))
    try:
        deadline = time.monotonic() + LOCK_WAIT_SECONDS
        while True:
            try:
                fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() > deadline:
                    raise PreferencesFileError("cannot lock %s: another program has held its lock for %d seconds"
                                               % (path, LOCK_WAIT_SECONDS))
                time.sleep(0.05)
        yield
    finally:
        # Closing lets go of the lock.
        os.close(descriptor)


def read(path):
    """The file's values and its form; none and XML, as the system starts
    the file, when there is no file."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return {}, plistlib.FMT_XML
    except OSError as error:
        raise PreferencesFileError("%s cannot be read: %s" % (path, error.strerror))
    try:
        values = plistlib.loads(data)
    except UNREADABLE as error:
        raise PreferencesFileError("%s is no property list plistlib can read (%s: %s)" % (path, type(error).__name__, error))
    if not isinstance(values, dict):
        raise PreferencesFileError("%s holds no dictionary of preferences" % path)
    return values, plistlib.FMT_BINARY if data.startswith(b"bplist") else plistlib.FMT_XML


def document(path, values, form):
    try:
        return plistlib.dumps(values, fmt=form)
    except UNWRITABLE as error:
        raise PreferencesFileError("%s holds a value plistlib can read but cannot write back (%s: %s)"
                                   % (path, type(error).__name__, error))


def temporary_file_beside(path, mode):
    """A new hidden file beside the path, open for writing. Named as the
    system's programs name theirs (".<name>." and six letters or digits), so
    that one a killed script left is removed by the next of them to write
    the file."""
    folder, name = os.path.split(path)
    letters = string.ascii_letters + string.digits
    while True:
        temporary = os.path.join(folder, ".%s.%s" % (name, "".join(secrets.choice(letters) for _ in range(6))))
        try:
            return temporary, os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, mode)
        except FileExistsError:
            continue


def file_mode(path):
    """The file's permissions, kept by the new file; for a new file those a
    plain write would give it."""
    try:
        return os.stat(path).st_mode & 0o7777
    except FileNotFoundError:
        mask = os.umask(0)
        os.umask(mask)
        return 0o666 & ~mask


def write_whole(path, data):
    """The file holds the bytes, or stays as it was."""
    temporary = None
    try:
        mode = file_mode(path)
        temporary, descriptor = temporary_file_beside(path, mode)
        with os.fdopen(descriptor, "wb") as f:
            os.fchmod(f.fileno(), mode)
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        os.replace(temporary, path)
        temporary = None
    except OSError as error:
        raise PreferencesFileError("%s cannot be written: %s" % (path, error.strerror or error))
    finally:
        if temporary is not None:
            with contextlib.suppress(OSError):
                os.unlink(temporary)


def update(root, change):
    """Reads the domain's file on the device root, has `change` change its
    values in place and writes them back. PreferencesFileError says why the
    file, left as it was, was not changed."""
    if not os.path.isdir(root):
        raise PreferencesFileError("%s is no device root (no such folder)" % root)
    path = preferences_path(root)
    try:
        os.makedirs(os.path.dirname(path), exist_ok=True)
    except OSError as error:
        raise PreferencesFileError("cannot make the folder of %s: %s" % (path, error.strerror))
    try:
        with domain_lock(path):
            values, form = read(path)
            change(values)
            write_whole(path, document(path, values, form))
    except PreferencesFileError as error:
        raise PreferencesFileError("%s; it is left as it was" % error)
    return path
