#include "installlog/InstallLog.h"

namespace installlog {

namespace {
constexpr const char* kPrefixes[kKindCount] = {
    "File Copy: ",
    "Made Dir: ",
    "Reg Ctrl: ",
    "RegDB Key: ",
};
}  // namespace

const char* EntryPrefix(int kind)
{
    return (kind >= 0 && kind < kKindCount) ? kPrefixes[kind] : nullptr;
}

bool IsRecordableText(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    for (const char* prefix : kPrefixes)
        if (text.find(prefix) != std::string_view::npos)
            return false;
    return true;
}

void AppendEntry(std::string& log, LogEntryKind kind, std::string_view text)
{
    const char* prefix = EntryPrefix(kind);
    if (prefix == nullptr)
        return;
    log += prefix;
    log += text;
    log += '\n';
}

void AppendRegKeyEntry(std::string& log, int rootDigit, std::string_view subKey)
{
    if (!IsRegRootDigit(rootDigit))
        rootDigit = kOtherRoot;
    log += kPrefixes[kRegDbKey];
    log += static_cast<char>('0' + rootDigit);
    log += ',';
    log += subKey;
    log += '\n';
}

bool FindNextEntry(std::string_view log, int kind, std::size_t& position,
                   std::size_t& start, std::size_t& length)
{
    const char* prefix = EntryPrefix(kind);
    if (prefix == nullptr || position > log.size())
        return false;
    const std::string_view pre(prefix);
    const std::size_t match = log.find(pre, position);
    if (match == std::string_view::npos)
        return false;
    const std::size_t textStart = match + pre.size();
    std::size_t end = log.find('\n', textStart);
    if (end == std::string_view::npos)
        end = log.size();
    start = textStart;
    length = end - textStart;
    position = end + 1;
    return true;
}

int CountEntries(std::string_view log, int kind)
{
    int count = 0;
    std::size_t position = 0, start = 0, length = 0;
    while (FindNextEntry(log, kind, position, start, length))
        ++count;
    return count;
}

bool IsRegRootDigit(int digit)
{
    return digit >= kClassesRoot && digit <= kOtherRoot;
}

RegRootDigit RegRootFromText(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3')
        return static_cast<RegRootDigit>(text[0] - '0');
    return kOtherRoot;
}

bool SplitRegKeyEntry(std::string_view text, RegRootDigit& root, std::string_view& subKey)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return false;
    root = RegRootFromText(text.substr(0, comma));
    subKey = text.substr(comma + 1);
    return true;
}

}  // namespace installlog
