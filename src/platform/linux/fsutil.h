#pragma once

#include <string>
#include <vector>

// Small file-system helpers for the Linux drive services.
namespace platform {

// A whole (small) text file such as mountinfo or a sysfs attribute; false when unreadable.
bool readTextFile(const std::string &path, std::string &out);
bool startsWith(const std::string &text, const std::string &prefix);

// The path with every symbolic link resolved; empty when it does not exist.
std::string resolvedPath(const std::string &path);
bool pathExists(const std::string &path);
bool isDirectory(const std::string &path);
// The names in a folder, without "." and "..", sorted; empty when it cannot be read.
std::vector<std::string> directoryEntries(const std::string &dir);
// Where a symbolic link points, as written in it; empty when it is not a link.
std::string linkTarget(const std::string &path);
// The last component ("sdb1" for "/sys/block/sdb/sdb1"), trailing '/' ignored.
std::string baseName(const std::string &path);
// Everything before the last component.
std::string parentPath(const std::string &path);

}  // namespace platform
