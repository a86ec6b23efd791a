#include "FileAccess.h"

#include "FoundationTesting.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

bool fail(std::error_code* error, int code)
{
    if (error)
        *error = std::error_code(code, std::generic_category());
    return false;
}

// Closes the descriptor when the scope ends, whatever way it ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool close()
    {
        if (m_fd < 0)
            return true;
        int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool writeDirectly(const std::filesystem::path& path, std::string_view bytes, std::error_code* error, mode_t mode)
{
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode));
    if (file.get() < 0 || !writeAll(file.get(), bytes) || !file.close())
        return fail(error, errno);
    return true;
}

constexpr std::string_view temporaryRandomEnd = ".XXXXXX";

// The longest name the folder of `path` takes.
size_t longestNameBeside(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path();
    long longest = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

// The target's name as the temporary file's name carries it, between its
// hidden start and its random end. It is never longer than the file system
// allows a name to be, so that every name the target itself may have can
// be written atomically: a long target name is shortened (at a character's
// start) to make room.
std::string temporaryFileStem(const std::filesystem::path& path)
{
    std::string name = path.filename().string();
    const size_t fixedPart = 1 + temporaryRandomEnd.size();
    const size_t longest = longestNameBeside(path);
    const size_t room = longest > fixedPart ? longest - fixedPart : 0;
    if (name.size() > room) {
        size_t end = room;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
        name.resize(end);
    }
    return name;
}

// The temporary file's name beside `path`: hidden, the target's name, a
// random end.
std::string temporaryFileTemplate(const std::filesystem::path& path)
{
    return (path.parent_path() / ("." + temporaryFileStem(path) + std::string(temporaryRandomEnd))).string();
}

// Writes the bytes into a new hidden file beside the path, flushed to disk;
// its name, or nothing (and no file) when that fails. A hidden name with a
// random end, so that folder listings looking for a file's extension do not
// pick up a half-written file.
std::optional<std::string> writeTemporaryFile(const std::filesystem::path& path, std::string_view bytes, mode_t mode, std::error_code* error)
{
    std::string temporary = temporaryFileTemplate(path);
    Descriptor file(mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        fail(error, errno);
        return std::nullopt;
    }
    bool written = fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes) && fsync(file.get()) == 0;
    int code = written ? 0 : errno;
    if (!file.close() && written) {
        written = false;
        code = errno;
    }
    if (written)
        return temporary;
    ::unlink(temporary.c_str());
    fail(error, code);
    return std::nullopt;
}

// Puts the temporary file in the target's place, unless an earlier step
// failed with `code`; on any failure the temporary file goes.
bool renameTemporaryOver(const std::string& temporary, const std::string& target, int code, std::error_code* error)
{
    if (!code && ::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    code = code ? code : errno;
    ::unlink(temporary.c_str());
    return fail(error, code);
}

bool writeThroughTemporaryFile(const std::filesystem::path& path, std::string_view bytes, std::error_code* error, mode_t mode)
{
    std::optional<std::string> temporary = writeTemporaryFile(path, bytes, mode, error);
    if (!temporary)
        return false;
    return renameTemporaryOver(*temporary, path.string(), 0, error);
}

HostFileVersion versionOf(const struct stat& status)
{
    return { status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec };
}

// The version of the entry at the path itself (a link is not followed).
std::optional<HostFileVersion> entryVersion(const std::string& path, mode_t* mode = nullptr)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return std::nullopt;
    if (mode)
        *mode = status.st_mode & 07777;
    return versionOf(status);
}

struct SwapSeam {
    std::mutex lock;
    ScopedFileSwap::Swap swap;
};

SwapSeam& swapSeam()
{
    // Lives as long as the process: swaps may come until its end.
    static auto* seam = new SwapSeam;
    return *seam;
}

bool swapEntries(const std::string& first, const std::string& second)
{
    ScopedFileSwap::Swap swap;
    {
        SwapSeam& seam = swapSeam();
        std::lock_guard guard(seam.lock);
        swap = seam.swap;
    }
    if (!swap)
        return ::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
    errno = swap(first, second);
    return errno == 0;
}

bool isSameFile(const std::optional<HostFileVersion>& version, const HostFileVersion& file)
{
    return version && version->device == file.device && version->inode == file.inode;
}

// The file swapped out of the path is not the one read: someone saved over
// it meanwhile. It is swapped back, and the temporary name, which then
// holds what was written, removed. Nothing else is removed: when the path
// was removed or renamed between the swaps (so nothing is there to swap
// with), the file goes back under the path only while nothing has come
// there, else it stays under its hidden name; and a file that came to the
// path between the swaps stays under the hidden name it was swapped to.
void putBackSwappedOut(const std::string& temporary, const std::string& target, const HostFileVersion& written)
{
    std::string kept;
    if (swapEntries(temporary, target)) {
        if (isSameFile(entryVersion(temporary), written)) {
            ::unlink(temporary.c_str());
            return;
        }
        kept = "a file saved at " + target + " meanwhile";
    } else if (::link(temporary.c_str(), target.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return;
    } else {
        kept = "the file swapped out of " + target + " (not the one read)";
    }
    logLine("File replacement: " + kept + " is kept as " + temporary);
}

// Without a swap: the version checked once more, then the rename; a file
// removed or replaced between the two is the window left.
bool renameOverExpected(const std::string& temporary, const std::string& target, const HostFileVersion& expected, std::error_code* error)
{
    std::optional<HostFileVersion> current = entryVersion(target);
    return renameTemporaryOver(temporary, target, !current ? ENOENT : *current != expected ? ESTALE : 0, error);
}

} // namespace

ScopedFileSwap::ScopedFileSwap(Swap swap)
{
    SwapSeam& seam = swapSeam();
    std::lock_guard guard(seam.lock);
    m_previous = std::exchange(seam.swap, std::move(swap));
}

ScopedFileSwap::~ScopedFileSwap()
{
    SwapSeam& seam = swapSeam();
    std::lock_guard guard(seam.lock);
    seam.swap = std::move(m_previous);
}

std::optional<std::string> readHostFile(const std::filesystem::path& path, size_t limit, std::error_code* error, HostFileVersion* version)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0) {
        fail(error, errno);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        fail(error, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    if (static_cast<unsigned long long>(status.st_size) > limit) {
        fail(error, EFBIG);
        return std::nullopt;
    }
    if (version)
        *version = versionOf(status);
    std::string contents;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            fail(error, errno);
            return std::nullopt;
        }
        if (count == 0)
            return contents;
        // The file may have grown since it was measured.
        if (contents.size() + static_cast<size_t>(count) > limit) {
            fail(error, EFBIG);
            return std::nullopt;
        }
        contents.append(buffer, static_cast<size_t>(count));
    }
}

bool copyHostFileOver(const std::filesystem::path& path, const std::filesystem::path& source, std::error_code* error)
{
    std::string temporary = temporaryFileTemplate(path);
    Descriptor file(mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0)
        return fail(error, errno);
    std::error_code copyError;
    std::filesystem::copy_file(source, temporary, std::filesystem::copy_options::overwrite_existing, copyError);
    // Flushed to disk before it takes the place, as every atomic write is:
    // the descriptor still open on the file reaches what the copy wrote.
    int code = copyError ? copyError.value() : fsync(file.get()) == 0 ? 0 : errno;
    if (!file.close() && !code)
        code = errno;
    return renameTemporaryOver(temporary, path.string(), code, error);
}

bool writeHostFile(const std::filesystem::path& path, std::string_view bytes, bool atomically, std::error_code* error, mode_t mode)
{
    return atomically ? writeThroughTemporaryFile(path, bytes, error, mode) : writeDirectly(path, bytes, error, mode);
}

bool replaceHostFile(const std::filesystem::path& path, std::string_view bytes, const HostFileVersion& expected, std::error_code* error)
{
    const std::string target = path.string();
    mode_t mode = 0;
    // Gone already: nothing is written at all.
    if (!entryVersion(target, &mode))
        return fail(error, ENOENT);
    std::optional<std::string> temporary = writeTemporaryFile(path, bytes, mode, error);
    if (!temporary)
        return false;
    std::optional<HostFileVersion> written = entryVersion(*temporary);
    if (!written) {
        int code = errno;
        ::unlink(temporary->c_str());
        return fail(error, code);
    }
    if (!swapEntries(*temporary, target)) {
        int code = errno;
        if (code == EINVAL || code == ENOSYS || code == ENOTSUP)
            return renameOverExpected(*temporary, target, expected, error);
        ::unlink(temporary->c_str());
        return fail(error, code);
    }
    // The old file now lies at the temporary name: it must be the one read,
    // else it goes back in its place.
    std::optional<HostFileVersion> swappedOut = entryVersion(*temporary);
    if (!swappedOut || *swappedOut != expected) {
        putBackSwappedOut(*temporary, target, *written);
        return fail(error, ESTALE);
    }
    ::unlink(temporary->c_str());
    return true;
}

bool isTemporaryFileNameOf(const std::filesystem::path& path, std::string_view name)
{
    const std::string start = "." + temporaryFileStem(path) + ".";
    if (!name.starts_with(start))
        return false;
    // mkostemp puts letters and digits in place of the X's.
    std::string_view end = name.substr(start.size());
    return end.size() == temporaryRandomEnd.size() - 1
        && std::all_of(end.begin(), end.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::filesystem::path pathWithEnding(const std::filesystem::path& path, std::string_view ending)
{
    std::string name = path.filename().string() + std::string(ending);
    if (name.size() > longestNameBeside(path))
        name = temporaryFileStem(path) + std::string(ending);
    return path.parent_path() / name;
}

} // namespace qv
