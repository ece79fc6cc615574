// A pass-through file system for tests that makes a card fail on purpose: a write or a read
// fails with EIO once a given number of bytes has gone that way, and SIGUSR1 makes the whole
// card vanish, every call failing from then on, as when a card is pulled out of its reader.
//
//   lumora_faultfs BACKING MOUNTPOINT [--fail-write-after N] [--fail-read-after N]
//                  [--direct-io | --refuse-direct] [--flip-bits FROM:TO] [--wrap-after N]
//                  [--drop-after N] [--capacity N] [--short-read-at N]
//                  [--misdirect-every N] [--drop-every N] [--refuse-unlink]
//
// It can also lie about the data, counting every byte written in order of arrival as one
// card address: --flip-bits flips bit 0 of each byte at an address in [FROM, TO) that lies
// 100 bytes into a 4 KiB page; --wrap-after writes the bytes at address A >= N over address
// A mod N too, as a counterfeit card does (exact while the card reports at most 2 N);
// --drop-after acknowledges the bytes at N and beyond but keeps none (the file still grows,
// reading back erased); --capacity makes the card report N bytes in all, all of them free.
// --short-read-at cuts the one read that crosses byte N read short at it, once.
// --misdirect-every answers a read of the last 4 KiB page of every N bytes of a file with the
// page N/2 bytes before it. --drop-every acknowledges the last 4 KiB page of every N bytes
// written but leaves there what the card held before: a deleted file of the same name's bytes
// (unlink keeps them beside the backing folder, in BACKING.old) or nothing. --refuse-unlink
// refuses every delete with EACCES.
//
// --direct-io serves every open file with direct_io; --refuse-direct refuses O_DIRECT with
// EINVAL, as some FUSE file systems do, so the caller has to fall back to buffered I/O.
// It stays in the foreground and single-threaded; unmounting ends it.
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string backing;
bool directIo = false;
bool refuseDirect = false;
bool refuseUnlink = false;
volatile std::sig_atomic_t vanished = 0;
// Single-threaded: plain counters will do. -1: the fault is off.
long long failWriteAfter = -1, failReadAfter = -1, bytesWritten = 0, bytesRead = 0;
long long flipFrom = -1, flipTo = -1, wrapAfter = -1, dropAfter = -1, capacity = -1;
long long shortReadAt = -1, misdirectEvery = -1, dropEvery = -1;
constexpr long long kPage = 4096;

// Where the bytes below the wrap point went, in order of arrival.
struct Extent {
    std::string path;
    off_t offset;
    long long address;
    long long size;
};
std::vector<Extent> extents;

std::string real(const char *path)
{
    return backing + path;
}

// A pulled card answers nothing any more; otherwise the result of a call that sets errno.
int answer(int result, int gone = ENODEV)
{
    return vanished ? -gone : result < 0 ? -errno : 0;
}

// The backing file is opened buffered whatever the caller asked: O_DIRECT is between the
// caller and this file system, and the backing folder may not take it.
int fsOpen(const char *path, fuse_file_info *fi, int extraFlags, mode_t mode)
{
    if (vanished || (refuseDirect && (fi->flags & O_DIRECT)))
        return vanished ? -ENODEV : -EINVAL;
    const int fd =
        open(real(path).c_str(), (fi->flags & ~(O_DIRECT | O_NOFOLLOW)) | extraFlags, mode);
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = directIo ? 1 : 0;
    return answer(fd);
}

int fsRead(const char *, char *buf, size_t size, off_t offset, fuse_file_info *fi)
{
    if (vanished
        || (failReadAfter >= 0 && bytesRead + static_cast<long long>(size) > failReadAfter))
        return -EIO;
    if (shortReadAt > bytesRead && bytesRead + static_cast<long long>(size) > shortReadAt) {
        size = static_cast<size_t>(shortReadAt - bytesRead);
        shortReadAt = -1;
    }
    const ssize_t n = pread(static_cast<int>(fi->fh), buf, size, offset);
    bytesRead += std::max<ssize_t>(n, 0);
    for (long long page = (offset + kPage - 1) / kPage * kPage;
         misdirectEvery > 0 && n > 0 && page + kPage <= offset + n; page += kPage)
        if (page % misdirectEvery == misdirectEvery - kPage && page >= misdirectEvery / 2)
            pread(static_cast<int>(fi->fh), buf + (page - offset), kPage,
                  page - misdirectEvery / 2);
    return n < 0 ? -errno : static_cast<int>(n);
}

// The card keeps what it held at the dropped page: the old file's bytes, or zeros.
void dropPage(const char *path, int fd, off_t at)
{
    char old[kPage] = {};
    const int oldFd = open((backing + ".old" + path).c_str(), O_RDONLY);
    if (oldFd >= 0) {
        pread(oldFd, old, kPage, at);
        close(oldFd);
    }
    pwrite(fd, old, kPage, at);
}

// Writes `size` bytes that belong at card address `address` also over the address they wrap
// round to, wherever an earlier write put that.
void writeWrapped(const char *data, long long size, long long address)
{
    for (long long done = 0; done < size;) {
        const long long target = (address + done) % wrapAfter;
        const auto at =
            std::upper_bound(extents.begin(), extents.end(), target,
                             [](long long a, const Extent &e) { return a < e.address; });
        if (at == extents.begin())
            return;
        const Extent &e = *(at - 1);
        const long long into = target - e.address;
        const long long n = std::min(size - done, e.size - into);
        if (n <= 0)
            return;
        const int fd = open(e.path.c_str(), O_WRONLY);
        if (fd >= 0) {  // a file deleted since holds nothing to overwrite
            pwrite(fd, data + done, static_cast<size_t>(n), e.offset + into);
            close(fd);
        }
        done += n;
    }
}

int fsWrite(const char *path, const char *buf, size_t size, off_t offset, fuse_file_info *fi)
{
    // The engine's journal beside its files passes uncounted: addresses are the test data's.
    const std::string name(path);
    if (!vanished && name.size() > 8 && name.compare(name.size() - 8, 8, ".journal") == 0) {
        const ssize_t n = pwrite(static_cast<int>(fi->fh), buf, size, offset);
        return n < 0 ? -errno : static_cast<int>(n);
    }
    const long long address = bytesWritten;
    const long long length = static_cast<long long>(size);
    if (vanished || (failWriteAfter >= 0 && address + length > failWriteAfter))
        return -EIO;
    std::vector<char> flipped(buf, buf + size);
    for (long long a = std::max(address, flipFrom); a < std::min(address + length, flipTo); ++a) {
        if (a % 4096 == 100)
            flipped[static_cast<size_t>(a - address)] ^= 1;
    }
    const long long kept = dropAfter < 0 ? length : std::clamp(dropAfter - address, 0LL, length);
    if (kept > 0 && pwrite(static_cast<int>(fi->fh), flipped.data(), kept, offset) != kept)
        return -errno;
    for (long long a = (address + kPage - 1) / kPage * kPage;
         dropEvery > 0 && a + kPage <= address + kept; a += kPage)
        if (a % dropEvery == dropEvery - kPage)
            dropPage(path, static_cast<int>(fi->fh), offset + (a - address));
    struct stat st {
    };
    if (kept < length && fstat(static_cast<int>(fi->fh), &st) == 0 && st.st_size < offset + length
        && ftruncate(static_cast<int>(fi->fh), offset + length) != 0)
        return -errno;
    if (wrapAfter > 0 && address < wrapAfter)
        extents.push_back({real(path), offset, address, length});
    const long long past = std::max(address, wrapAfter);
    if (wrapAfter > 0 && past < address + length)
        writeWrapped(flipped.data() + (past - address), address + length - past, past);
    bytesWritten += length;
    return static_cast<int>(size);
}

// What the card reports; a counterfeit reports more room than it has.
int fsStatfs(const char *path, struct statvfs *st)
{
    if (vanished || statvfs(real(path).c_str(), st) != 0)
        return answer(-1);
    if (capacity >= 0)
        st->f_blocks = st->f_bfree = st->f_bavail =
            static_cast<fsblkcnt_t>(capacity / st->f_frsize);
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    const char *resolved = argc >= 3 ? realpath(argv[1], nullptr) : nullptr;
    bool ok = resolved != nullptr;
    for (int i = 3; ok && i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : "";
        long long *count = arg == "--fail-write-after"  ? &failWriteAfter
                           : arg == "--fail-read-after" ? &failReadAfter
                           : arg == "--wrap-after"      ? &wrapAfter
                           : arg == "--drop-after"      ? &dropAfter
                           : arg == "--capacity"        ? &capacity
                           : arg == "--short-read-at"   ? &shortReadAt
                           : arg == "--misdirect-every" ? &misdirectEvery
                           : arg == "--drop-every"      ? &dropEvery
                                                        : nullptr;
        if (arg == "--direct-io" || arg == "--refuse-direct" || arg == "--refuse-unlink")
            (arg == "--direct-io"       ? directIo
             : arg == "--refuse-unlink" ? refuseUnlink
                                        : refuseDirect) = true;
        else if (arg == "--flip-bits" && std::sscanf(value, "%lld:%lld", &flipFrom, &flipTo) == 2
                 && flipFrom >= 0 && flipTo > flipFrom)
            ++i;
        else if (char *end = nullptr;
                 count && (*count = std::strtoll(value, &end, 10)) >= 0 && end != value && !*end)
            ++i;
        else
            ok = false;
    }
    if (!ok) {
        std::fputs("usage: lumora_faultfs BACKING MOUNTPOINT [OPTION [N]]...\n", stderr);
        return 2;
    }
    backing = resolved;
    if (dropEvery > 0)
        mkdir((backing + ".old").c_str(), 0700);

    struct sigaction action {
    };
    action.sa_handler = [](int) { vanished = 1; };
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);

    fuse_operations ops{};
    ops.getattr = [](const char *p, struct stat *st, fuse_file_info *) {
        return answer(vanished ? 0 : lstat(real(p).c_str(), st));
    };
    ops.unlink = [](const char *p) {
        if (refuseUnlink)
            return -EACCES;
        if (dropEvery > 0 && !vanished)  // kept as what the card still holds there
            return answer(rename(real(p).c_str(), (backing + ".old" + p).c_str()));
        return answer(vanished ? 0 : unlink(real(p).c_str()));
    };
    ops.truncate = [](const char *p, off_t size, fuse_file_info *) {
        return answer(vanished ? 0 : truncate(real(p).c_str(), size));
    };
    ops.create = [](const char *p, mode_t mode, fuse_file_info *fi) {
        return fsOpen(p, fi, O_CREAT, mode);
    };
    ops.open = [](const char *p, fuse_file_info *fi) { return fsOpen(p, fi, 0, 0); };
    ops.readdir = [](const char *p, void *buf, fuse_fill_dir_t fill, off_t, fuse_file_info *,
                     fuse_readdir_flags) {
        DIR *dir = vanished ? nullptr : opendir(real(p).c_str());
        for (dirent *e = dir ? readdir(dir) : nullptr; e; e = readdir(dir))
            fill(buf, e->d_name, nullptr, 0, fuse_fill_dir_flags(0));
        return dir ? closedir(dir) : answer(-1);
    };
    ops.read = fsRead;
    ops.write = fsWrite;
    ops.statfs = fsStatfs;
    // The descriptor is this process's own: always closed, vanished or not.
    ops.release = [](const char *, fuse_file_info *fi) {
        close(static_cast<int>(fi->fh));
        return 0;
    };
    ops.fsync = [](const char *, int, fuse_file_info *fi) {
        return answer(vanished ? 0 : fdatasync(static_cast<int>(fi->fh)), EIO);
    };

    // Foreground, one thread, no attribute caching: every call reaches the checks above.
    char f[] = "-f", single[] = "-s", o[] = "-o";
    char options[] = "fsname=lumorafaultfs,attr_timeout=0,entry_timeout=0,negative_timeout=0";
    char *args[] = {argv[0], f, single, o, options, argv[2]};
    return fuse_main(6, args, &ops, nullptr);
}
