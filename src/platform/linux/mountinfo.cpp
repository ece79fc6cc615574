#include "linux/mountinfo.h"

#include <sstream>

namespace platform {

namespace {
bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string> splitFields(const std::string &line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

bool parseNumbers(const std::string &text, unsigned &major, unsigned &minor)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size())
        return false;
    try {
        std::size_t used = 0;
        major = static_cast<unsigned>(std::stoul(text.substr(0, colon), &used));
        if (used != colon)
            return false;
        minor = static_cast<unsigned>(std::stoul(text.substr(colon + 1), &used));
        return used == text.size() - colon - 1;
    } catch (...) {
        return false;
    }
}
}  // namespace

std::string decodeMountField(const std::string &field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1])
            && isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out += static_cast<char>(value);
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(const std::string &text)
{
    std::vector<MountEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super
        const std::vector<std::string> f = splitFields(line);
        if (f.size() < 10)
            continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (dash + 2 >= f.size())
            continue;
        MountEntry e;
        if (!parseNumbers(f[2], e.major, e.minor))
            continue;
        e.fsRoot = decodeMountField(f[3]);
        e.mountPoint = decodeMountField(f[4]);
        e.fsType = f[dash + 1];
        e.source = decodeMountField(f[dash + 2]);
        if (e.mountPoint.size() > 1 && e.mountPoint.back() == '/')
            e.mountPoint.pop_back();
        entries.push_back(e);
    }
    return entries;
}

}  // namespace platform
