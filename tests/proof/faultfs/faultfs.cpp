// A pass-through file system for tests that makes a card fail on purpose: a write or a read
// fails with EIO once a given number of bytes has gone that way, and SIGUSR1 makes the whole
// card vanish, every call failing from then on, as when a card is pulled out of its reader.
//
//   lumora_faultfs BACKING MOUNTPOINT [--fail-write-after N] [--fail-read-after N]
//                  [--direct-io | --refuse-direct] [--flip-bits FROM:TO] [--wrap-after N]
//                  [--drop-after N] [--capacity N]
//
// It can also lie about the data, counting every byte written in order of arrival as one
// card address: --flip-bits flips bit 0 of each byte at an address in [FROM, TO) that lies
// 100 bytes into a 4 KiB page; --wrap-after writes the bytes at address A >= N over address
// A mod N too, as a counterfeit card does (exact while the card reports at most 2 N);
// --drop-after acknowledges the bytes at N and beyond but keeps none; --capacity makes the
// card report N bytes in all, less what its files hold.
//
// --direct-io serves every open file with direct_io; --refuse-direct refuses O_DIRECT with
// EINVAL, as some FUSE file systems do, so the caller has to fall back to buffered I/O.
// It stays in the foreground and single-threaded; unmounting ends it.
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string backing;
long long failWriteAfter = -1;  // -1: never
long long failReadAfter = -1;
bool directIo = false;
bool refuseDirect = false;
long long bytesWritten = 0;  // single-threaded: plain counters will do
long long bytesRead = 0;
volatile std::sig_atomic_t vanished = 0;
long long flipFrom = -1;
long long flipTo = -1;
long long wrapAfter = -1;
long long dropAfter = -1;
long long capacity = -1;

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

int fail()
{
    return -errno;
}

// A pulled card: nothing answers any more.
#define GUARD(code)                                                                                \
    do {                                                                                           \
        if (vanished)                                                                              \
            return -(code);                                                                        \
    } while (false)

int fsGetattr(const char *path, struct stat *st, fuse_file_info *)
{
    GUARD(ENODEV);
    return lstat(real(path).c_str(), st) == 0 ? 0 : fail();
}

int fsAccess(const char *path, int mask)
{
    GUARD(ENODEV);
    return access(real(path).c_str(), mask) == 0 ? 0 : fail();
}

int fsReaddir(const char *path, void *buf, fuse_fill_dir_t fill, off_t, fuse_file_info *,
              fuse_readdir_flags)
{
    GUARD(ENODEV);
    DIR *dir = opendir(real(path).c_str());
    if (!dir)
        return fail();
    while (dirent *entry = readdir(dir)) {
        struct stat st {
        };
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(entry->d_type) << 12;
        if (fill(buf, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)))
            break;
    }
    closedir(dir);
    return 0;
}

int fsMkdir(const char *path, mode_t mode)
{
    GUARD(ENODEV);
    return mkdir(real(path).c_str(), mode) == 0 ? 0 : fail();
}

int fsUnlink(const char *path)
{
    GUARD(ENODEV);
    return unlink(real(path).c_str()) == 0 ? 0 : fail();
}

int fsRmdir(const char *path)
{
    GUARD(ENODEV);
    return rmdir(real(path).c_str()) == 0 ? 0 : fail();
}

int fsRename(const char *from, const char *to, unsigned int flags)
{
    GUARD(ENODEV);
    if (flags)
        return -EINVAL;
    return rename(real(from).c_str(), real(to).c_str()) == 0 ? 0 : fail();
}

int fsTruncate(const char *path, off_t size, fuse_file_info *fi)
{
    GUARD(ENODEV);
    const int r =
        fi ? ftruncate(static_cast<int>(fi->fh), size) : truncate(real(path).c_str(), size);
    return r == 0 ? 0 : fail();
}

int fsChmod(const char *path, mode_t mode, fuse_file_info *)
{
    GUARD(ENODEV);
    return chmod(real(path).c_str(), mode) == 0 ? 0 : fail();
}

int fsUtimens(const char *path, const timespec tv[2], fuse_file_info *)
{
    GUARD(ENODEV);
    return utimensat(AT_FDCWD, real(path).c_str(), tv, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : fail();
}

// The backing file is opened buffered whatever the caller asked: O_DIRECT is between the
// caller and this file system, and the backing folder may not take it.
int openFlags(int flags)
{
    return flags & ~(O_DIRECT | O_NOFOLLOW);
}

void setDirectIo(fuse_file_info *fi)
{
    fi->direct_io = directIo ? 1 : 0;
}

int fsCreate(const char *path, mode_t mode, fuse_file_info *fi)
{
    GUARD(ENODEV);
    if (refuseDirect && (fi->flags & O_DIRECT))
        return -EINVAL;
    const int fd = open(real(path).c_str(), openFlags(fi->flags) | O_CREAT, mode);
    if (fd < 0)
        return fail();
    fi->fh = static_cast<uint64_t>(fd);
    setDirectIo(fi);
    return 0;
}

int fsOpen(const char *path, fuse_file_info *fi)
{
    GUARD(ENODEV);
    if (refuseDirect && (fi->flags & O_DIRECT))
        return -EINVAL;
    const int fd = open(real(path).c_str(), openFlags(fi->flags));
    if (fd < 0)
        return fail();
    fi->fh = static_cast<uint64_t>(fd);
    setDirectIo(fi);
    return 0;
}

int fsRead(const char *, char *buf, size_t size, off_t offset, fuse_file_info *fi)
{
    GUARD(EIO);
    if (failReadAfter >= 0 && bytesRead + static_cast<long long>(size) > failReadAfter)
        return -EIO;
    const ssize_t n = pread(static_cast<int>(fi->fh), buf, size, offset);
    if (n < 0)
        return fail();
    bytesRead += n;
    return static_cast<int>(n);
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
    GUARD(EIO);
    const long long address = bytesWritten;
    const long long length = static_cast<long long>(size);
    if (failWriteAfter >= 0 && address + length > failWriteAfter)
        return -EIO;
    std::vector<char> flipped;
    if (flipFrom >= 0 && address < flipTo && address + length > flipFrom) {
        flipped.assign(buf, buf + size);
        for (long long a = std::max(address, flipFrom); a < std::min(address + length, flipTo);
             ++a) {
            if (a % 4096 == 100)
                flipped[static_cast<size_t>(a - address)] ^= 1;
        }
        buf = flipped.data();
    }
    long long kept = length;
    if (dropAfter >= 0)
        kept = std::max(0LL, std::min(length, dropAfter - address));
    if (kept > 0
        && pwrite(static_cast<int>(fi->fh), buf, static_cast<size_t>(kept), offset) != kept)
        return fail();
    if (wrapAfter > 0) {
        if (address < wrapAfter)
            extents.push_back({real(path), offset, address, length});
        const long long past = std::max(address, wrapAfter);
        if (past < address + length)
            writeWrapped(buf + (past - address), address + length - past, past);
    }
    bytesWritten += length;
    return static_cast<int>(size);
}

// What the card's files hold: a counterfeit's free space shrinks as it is written.
long long usedBytes()
{
    long long used = 0;
    DIR *dir = opendir(backing.c_str());
    if (!dir)
        return 0;
    while (dirent *entry = readdir(dir)) {
        struct stat st {
        };
        if (lstat((backing + "/" + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            used += st.st_size;
    }
    closedir(dir);
    return used;
}

int fsStatfs(const char *path, struct statvfs *st)
{
    GUARD(ENODEV);
    if (statvfs(real(path).c_str(), st) != 0)
        return fail();
    if (capacity >= 0) {
        const long long unit = static_cast<long long>(st->f_frsize);
        const long long free = std::max(0LL, capacity - usedBytes());
        st->f_blocks = static_cast<fsblkcnt_t>(capacity / unit);
        st->f_bfree = st->f_bavail = static_cast<fsblkcnt_t>(free / unit);
    }
    return 0;
}

int fsFlush(const char *, fuse_file_info *)
{
    GUARD(EIO);
    return 0;
}

int fsRelease(const char *, fuse_file_info *fi)
{
    // Always close, vanished or not: the descriptor is this process's own.
    close(static_cast<int>(fi->fh));
    return 0;
}

int fsFsync(const char *, int dataOnly, fuse_file_info *fi)
{
    GUARD(EIO);
    const int fd = static_cast<int>(fi->fh);
    return (dataOnly ? fdatasync(fd) : fsync(fd)) == 0 ? 0 : fail();
}

void onVanish(int)
{
    vanished = 1;
}

bool parseRange(const char *text, long long *from, long long *to)
{
    char *end = nullptr;
    *from = std::strtoll(text, &end, 10);
    if (!end || *end != ':' || *from < 0)
        return false;
    *to = std::strtoll(end + 1, &end, 10);
    return end && !*end && *to > *from;
}

bool parseCount(const char *text, long long *out)
{
    char *end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (!end || *end || v < 0)
        return false;
    *out = v;
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: lumora_faultfs BACKING MOUNTPOINT [--fail-write-after N] "
                         "[--fail-read-after N] [--direct-io | --refuse-direct] "
                         "[--flip-bits FROM:TO] [--wrap-after N] [--drop-after N] "
                         "[--capacity N]\n");
    return 2;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return usage();
    char resolved[PATH_MAX];
    if (!realpath(argv[1], resolved))
        return usage();
    backing = resolved;
    const char *mountPoint = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--direct-io")
            directIo = true;
        else if (arg == "--refuse-direct")
            refuseDirect = true;
        else if (arg == "--fail-write-after" && i + 1 < argc
                 && parseCount(argv[i + 1], &failWriteAfter))
            ++i;
        else if (arg == "--fail-read-after" && i + 1 < argc
                 && parseCount(argv[i + 1], &failReadAfter))
            ++i;
        else if (arg == "--flip-bits" && i + 1 < argc
                 && parseRange(argv[i + 1], &flipFrom, &flipTo))
            ++i;
        else if (arg == "--wrap-after" && i + 1 < argc && parseCount(argv[i + 1], &wrapAfter))
            ++i;
        else if (arg == "--drop-after" && i + 1 < argc && parseCount(argv[i + 1], &dropAfter))
            ++i;
        else if (arg == "--capacity" && i + 1 < argc && parseCount(argv[i + 1], &capacity))
            ++i;
        else
            return usage();
    }

    struct sigaction action {
    };
    action.sa_handler = onVanish;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);

    fuse_operations ops{};
    ops.getattr = fsGetattr;
    ops.access = fsAccess;
    ops.readdir = fsReaddir;
    ops.mkdir = fsMkdir;
    ops.unlink = fsUnlink;
    ops.rmdir = fsRmdir;
    ops.rename = fsRename;
    ops.truncate = fsTruncate;
    ops.chmod = fsChmod;
    ops.utimens = fsUtimens;
    ops.create = fsCreate;
    ops.open = fsOpen;
    ops.read = fsRead;
    ops.write = fsWrite;
    ops.statfs = fsStatfs;
    ops.flush = fsFlush;
    ops.release = fsRelease;
    ops.fsync = fsFsync;

    // Foreground, one thread, no attribute caching: every call reaches the checks above.
    std::vector<char *> args = {
        argv[0],
        const_cast<char *>("-f"),
        const_cast<char *>("-s"),
        const_cast<char *>("-o"),
        const_cast<char *>(
            "fsname=lumorafaultfs,attr_timeout=0,entry_timeout=0,negative_timeout=0"),
        const_cast<char *>(mountPoint)};
    return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
