#include "windows/winstring.h"

#include <windows.h>

#include <algorithm>

namespace platform {

std::wstring widePath(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], length);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

std::string toUtf8(const wchar_t *text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length) - 1);  // the terminating NUL
    return utf8;
}

int driveIndexOfRoot(const std::string &rootPath)
{
    const std::size_t n = rootPath.size();
    if (n < 2 || n > 3 || rootPath[1] != ':')
        return -1;
    if (n == 3 && rootPath[2] != '\\' && rootPath[2] != '/')
        return -1;
    const char letter = rootPath[0];
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    return -1;
}

std::wstring driveRoot(int index)
{
    return std::wstring{wchar_t(L'A' + index), L':', L'\\'};
}

}  // namespace platform
