#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A file on the card moved in whole blocks. Paths are UTF-8; the card's test files are never
// opened through a symbolic link (on Windows, any reparse point).
class BlockFile
{
public:
    enum class Mode {
        WriteThrough,  // create or truncate; bypass the cache, each write reaches the device
        ReadCached,    // an existing source file, shared, sequential, through the cache
        ReadUncached,  // an existing test file read back, bypassing the cache
    };

    BlockFile() = default;
    ~BlockFile();
    BlockFile(const BlockFile &) = delete;
    BlockFile &operator=(const BlockFile &) = delete;

    bool open(const std::string &path, Mode mode);
    void close();
    bool isOpen() const;

    // Moves up to `size` bytes; returns the bytes moved, or -1 on failure.
    // A caller treats anything other than `size` as a failed request.
    std::int64_t read(void *buffer, std::size_t size);
    std::int64_t write(const void *buffer, std::size_t size);

    // A request that came back short with `done` bytes: moves the rest of that same request
    // once more, from the last whole 4 KiB of it (so that unbuffered access still takes it),
    // and leaves the position after it. Returns the request's bytes now moved, `size` when
    // whole, or -1; lastError() is 0 when the system gave no error for a short answer.
    std::int64_t readRest(void *buffer, std::size_t size, std::size_t done);
    std::int64_t writeRest(const void *buffer, std::size_t size, std::size_t done);

    // A read split in two, so that the caller can work on the previous block while this one
    // is on its way: startRead() asks for the next `size` bytes and returns at once where the
    // system allows, awaitRead() returns what read() would have. One read at a time, and the
    // buffer is the system's until awaitRead() returns.
    void startRead(void *buffer, std::size_t size);
    std::int64_t awaitRead();

    // True once the file system refused unbuffered access and the file fell back to
    // buffered I/O (its pages are dropped so that reading back still hits the device).
    bool usedCacheFallback() const { return m_fallback; }

    // The volume the open file lies on, as VolumeIdentity::device (volumeidentity.h) tells
    // it; false when the file is not open or the system cannot say.
    bool volume(std::uint64_t &device) const;

    // The OS error of the last failure (errno on POSIX, GetLastError() on Windows), 0 if none.
    int lastError() const { return m_lastError; }

private:
    bool dropDirectAccess();
    // Moves the position `bytes` back; false with lastError() set.
    bool seekBack(std::size_t bytes);
    // Where a rest starts within a request that moved `done` bytes.
    std::size_t restStart(std::size_t done) const;
    // Repeats a read or write interrupted by a signal; falls back to buffered I/O once.
    template <typename Call>
    std::int64_t retrying(Call call);

    void finishPendingRead();

    intptr_t m_fd = -1;
    Mode m_mode = Mode::ReadCached;
    bool m_fallback = false;
    int m_lastError = 0;
    // Bypassing the cache, Windows takes only whole sectors; 0 where anything goes.
    std::size_t m_sectorSize = 0;
    void *m_pendingBuffer = nullptr;
    std::size_t m_pendingSize = 0;
    bool m_inFlight = false;  // the system holds a read started by startRead()
    std::int64_t m_pendingOffset = 0;
    std::uint64_t m_asyncContext = 0;  // Linux: the kernel's AIO context, 0 before the first
};

// Deletes a test file. 0 when it is gone, also when it was never there (its folder being
// there); otherwise the OS error, as lastError() gives it.
int removeFile(const std::string &path);

}  // namespace platform
