#pragma once

#include <string>

// Text at the Win32 boundary: the rest of the program speaks UTF-8, Windows speaks UTF-16.
namespace platform {

// A UTF-8 path as Win32 wants it: UTF-16, with '/' turned into '\'.
std::wstring widePath(const std::string &utf8);
std::string toUtf8(const wchar_t *text);

// The drive a root names ("E:", "E:\", "E:/", any case): 0 for A up to 25 for Z; -1 for
// anything else, a folder inside a drive included.
int driveIndexOfRoot(const std::string &rootPath);
// "E:\" for index 4.
std::wstring driveRoot(int index);

}  // namespace platform
