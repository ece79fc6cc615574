#include "blockfile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/aio_abi.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

int openFlags(BlockFile::Mode mode)
{
    switch (mode) {
    case BlockFile::Mode::WriteThrough:
        return O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT | O_DSYNC | O_NOFOLLOW | O_CLOEXEC;
    case BlockFile::Mode::ReadCached:
        return O_RDONLY | O_CLOEXEC;
    case BlockFile::Mode::ReadUncached:
        return O_RDONLY | O_DIRECT | O_NOFOLLOW | O_CLOEXEC;
    }
    return O_RDONLY | O_CLOEXEC;
}

int openRetrying(const char *path, int flags)
{
    int fd;
    do {
        fd = ::open(path, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Forget the cached pages of the file, after pushing out anything still dirty.
void dropCachedPages(int fd)
{
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

}  // namespace

BlockFile::~BlockFile()
{
    close();
}

bool BlockFile::open(const std::string &path, Mode mode)
{
    close();
    m_mode = mode;
    m_fallback = false;
    m_lastError = 0;

    const int flags = openFlags(mode);
    int fd = openRetrying(path.c_str(), flags);
    if (fd < 0 && errno == EINVAL && (flags & O_DIRECT)) {
        // Some file systems (FUSE mounts among them) refuse O_DIRECT outright.
        fd = openRetrying(path.c_str(), flags & ~O_DIRECT);
        if (fd >= 0)
            m_fallback = true;
    }
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    m_fd = fd;

    if (mode == Mode::ReadCached)
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    else if (m_fallback && mode == Mode::ReadUncached)
        dropCachedPages(fd);
    return true;
}

bool BlockFile::isOpen() const
{
    return m_fd >= 0;
}

void BlockFile::close()
{
    finishPendingRead();
    if (m_asyncContext != 0) {
        syscall(SYS_io_destroy, static_cast<aio_context_t>(m_asyncContext));
        m_asyncContext = 0;
    }
    if (m_fd < 0)
        return;
    const int fd = static_cast<int>(m_fd);
    // A buffered fallback must not leave the test data in the page cache, or the
    // read-back would measure memory instead of the card.
    if (m_fallback)
        dropCachedPages(fd);
    ::close(fd);
    m_fd = -1;
}

bool BlockFile::dropDirectAccess()
{
    const int fd = static_cast<int>(m_fd);
    const int fl = fcntl(fd, F_GETFL);
    if (fl < 0 || !(fl & O_DIRECT))
        return false;
    if (fcntl(fd, F_SETFL, fl & ~O_DIRECT) != 0)
        return false;
    m_fallback = true;
    if (m_mode == Mode::ReadUncached)
        dropCachedPages(fd);
    return true;
}

bool BlockFile::seekBack(std::size_t bytes)
{
    if (m_fd < 0)
        return false;
    if (lseek(static_cast<int>(m_fd), -static_cast<off_t>(bytes), SEEK_CUR) < 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

template <typename Call>
std::int64_t BlockFile::retrying(Call call)
{
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t n = call(static_cast<int>(m_fd));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        // Accepted O_DIRECT at open but refuses it per request: go buffered once.
        if (errno == EINVAL && dropDirectAccess())
            continue;
        m_lastError = errno;
        return -1;
    }
}

std::int64_t BlockFile::read(void *buffer, std::size_t size)
{
    return retrying([&](int fd) { return ::read(fd, buffer, size); });
}

std::int64_t BlockFile::write(const void *buffer, std::size_t size)
{
    return retrying([&](int fd) { return ::write(fd, buffer, size); });
}

// Kernel AIO: with O_DIRECT the read really runs on its own while the caller works. Where it
// cannot be had (buffered fallback, no AIO), awaitRead() simply reads then.
void BlockFile::startRead(void *buffer, std::size_t size)
{
    m_pendingBuffer = buffer;
    m_pendingSize = size;
    m_inFlight = false;
    if (m_fd < 0 || m_fallback)
        return;
    const int fd = static_cast<int>(m_fd);
    if (m_asyncContext == 0) {
        aio_context_t context = 0;
        if (syscall(SYS_io_setup, 1, &context) != 0)
            return;
        m_asyncContext = context;
    }
    const off_t offset = lseek(fd, 0, SEEK_CUR);
    if (offset < 0)
        return;
    iocb request{};
    request.aio_fildes = static_cast<std::uint32_t>(fd);
    request.aio_lio_opcode = IOCB_CMD_PREAD;
    request.aio_buf = reinterpret_cast<std::uint64_t>(buffer);
    request.aio_nbytes = size;
    request.aio_offset = offset;
    iocb *requests[1] = {&request};
    if (syscall(SYS_io_submit, static_cast<aio_context_t>(m_asyncContext), 1, requests) == 1) {
        m_inFlight = true;
        m_pendingOffset = offset;
    }
}

std::int64_t BlockFile::awaitRead()
{
    if (!m_inFlight)
        return read(m_pendingBuffer, m_pendingSize);
    m_inFlight = false;
    io_event event{};
    long got;
    do {
        got = syscall(SYS_io_getevents, static_cast<aio_context_t>(m_asyncContext), 1, 1, &event,
                      nullptr);
    } while (got < 0 && errno == EINTR);
    if (got != 1) {
        m_lastError = errno;
        return -1;
    }
    const int fd = static_cast<int>(m_fd);
    if (event.res >= 0) {
        lseek(fd, m_pendingOffset + event.res, SEEK_SET);
        return event.res;
    }
    // Refused unbuffered per request: the position has not moved, read it the plain way.
    if (event.res == -EINVAL || event.res == -EINTR)
        return read(m_pendingBuffer, m_pendingSize);
    m_lastError = static_cast<int>(-event.res);
    return -1;
}

// The buffer of a read in flight may not be freed, nor the file closed, under the system.
void BlockFile::finishPendingRead()
{
    if (m_inFlight)
        awaitRead();
}

int removeFile(const std::string &path)
{
    if (unlink(path.c_str()) == 0)
        return 0;
    const int error = errno;
    if (error != ENOENT)
        return error;
    // Nothing to delete, unless the folder went with the card.
    const std::string::size_type slash = path.find_last_of('/');
    struct stat st {
    };
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return stat(folder.c_str(), &st) == 0 ? 0 : error;
}

}  // namespace platform
