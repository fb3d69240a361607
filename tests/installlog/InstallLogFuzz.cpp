// libFuzzer target of the log format. "Uninstall.log" can be written by
// anyone, so the reader must hold on any bytes. The first input byte picks
// what is checked:
// - even: the rest is a log text, scanned for every kind (and for bad
//   kinds) from every start the scan passes through, checking that each
//   entry found lies inside the text, follows its prefix and runs to the
//   next line feed or the end, that scans only move forward and agree with
//   CountEntries, and that a registry entry splits into parts of its text;
// - 3 modulo 4: the rest is a path, put to the path rule;
// - other odd values: the rest describes entries that are recorded with AppendEntry and
//   AppendRegKeyEntry and must come back, kind by kind, in order and
//   unchanged. Texts that the line format cannot carry (a line feed, or a
//   kind's prefix inside the text, which a later scan would take for an
//   entry) are left out of the round trip.
// The log text is the fuzzer's own buffer, sized exactly, so any read past
// its end is caught by AddressSanitizer.
#include "installlog/InstallLog.h"
#include "installlog/PathRule.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace installlog;

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

void CheckRegKeyText(std::string_view text)
{
    RegRootDigit root = static_cast<RegRootDigit>(99);
    std::string_view subKey = "untouched";
    const bool split = SplitRegKeyEntry(text, root, subKey);
    const std::size_t comma = text.find(',');
    Check(split == (comma != std::string_view::npos), "a registry entry splits exactly when it has a comma");
    if (!split) {
        Check(root == 99 && subKey == "untouched", "a failed split leaves its out values alone");
        return;
    }
    Check(subKey.data() == text.data() + comma + 1 && subKey.size() == text.size() - comma - 1,
          "the sub-key is the text after the first comma");
    const bool digit = comma == 1 && text[0] >= '0' && text[0] <= '3';
    Check(root == (digit ? static_cast<RegRootDigit>(text[0] - '0') : kOtherRoot),
          "the root is the digit 0-3 alone before the comma, else the other root");
}

// Scans one kind through the text and checks every entry it finds.
void CheckScan(std::string_view log, int kind)
{
    const char* prefix = EntryPrefix(kind);
    std::size_t position = 0, count = 0;
    for (;;) {
        std::size_t start = 0xDEAD, length = 0xBEEF;
        const std::size_t before = position;
        if (!FindNextEntry(log, kind, position, start, length)) {
            Check(position == before && start == 0xDEAD && length == 0xBEEF, "a failed scan changes nothing");
            break;
        }
        Check(prefix != nullptr, "a bad kind finds nothing");
        const std::string_view pre(prefix);
        Check(start >= before + pre.size() && start <= log.size(), "the entry starts inside the text after its prefix");
        Check(length <= log.size() - start, "the entry ends inside the text");
        Check(log.substr(start - pre.size(), pre.size()) == pre, "the entry follows its prefix");
        const std::string_view text = log.substr(start, length);
        Check(text.find('\n') == std::string_view::npos, "an entry holds no line feed");
        Check(start + length == log.size() || log[start + length] == '\n', "an entry runs to a line feed or the end");
        Check(log.substr(before, start - pre.size() - before).find(pre) == std::string_view::npos,
              "the scan takes the first prefix from its position");
        Check(position == start + length + 1, "the scan continues after the entry's line feed");
        if (kind == kRegDbKey)
            CheckRegKeyText(text);
        ++count;
    }
    Check(CountEntries(log, kind) == static_cast<int>(count), "CountEntries agrees with the scan");
}

void CheckParse(std::string_view log, std::uint8_t selector)
{
    for (int kind = -1; kind <= kKindCount; ++kind)
        CheckScan(log, kind);
    // A scan that starts anywhere, past the end too, stays inside the text.
    std::size_t position = static_cast<std::size_t>(selector) * log.size() / 128;
    std::size_t start = 0, length = 0;
    const int kind = selector % kKindCount;
    while (FindNextEntry(log, kind, position, start, length))
        Check(start <= log.size() && length <= log.size() - start, "an entry from any start lies inside the text");
}

bool Carried(std::string_view text)
{
    if (text.find('\n') != std::string_view::npos)
        return false;
    for (int kind = 0; kind < kKindCount; ++kind)
        if (text.find(EntryPrefix(kind)) != std::string_view::npos)
            return false;
    return true;
}

void CheckRoundTrip(std::string_view input)
{
    // Entries: one byte of kind (and root digit), one of length, then text.
    std::string log;
    std::vector<std::string> expected[kKindCount];
    std::vector<std::pair<RegRootDigit, std::string>> keys;
    while (input.size() >= 2) {
        const std::uint8_t head = static_cast<std::uint8_t>(input[0]);
        const std::size_t size = std::min<std::size_t>(static_cast<std::uint8_t>(input[1]), input.size() - 2);
        const std::string text(input.substr(2, size));
        input.remove_prefix(2 + size);
        if (!Carried(text))
            continue;
        const int kind = head % kKindCount;
        if (kind == kRegDbKey) {
            const int digit = static_cast<int>(head / kKindCount) % 8 - 1;  // -1 to 6
            AppendRegKeyEntry(log, digit, text);
            const RegRootDigit root = digit >= kClassesRoot && digit <= kUsers ? static_cast<RegRootDigit>(digit)
                                                                               : kOtherRoot;
            expected[kind].push_back(std::string(1, static_cast<char>('0' + root)) + "," + text);
            keys.emplace_back(root, text);
        } else {
            AppendEntry(log, static_cast<LogEntryKind>(kind), text);
            expected[kind].push_back(text);
        }
    }
    for (int kind = 0; kind < kKindCount; ++kind) {
        std::vector<std::string> found;
        std::size_t position = 0, start = 0, length = 0;
        while (FindNextEntry(log, kind, position, start, length))
            found.push_back(log.substr(start, length));
        Check(found == expected[kind], "recorded entries come back in order and unchanged");
    }
    std::size_t position = 0, start = 0, length = 0;
    for (const auto& [root, subKey] : keys) {
        Check(FindNextEntry(log, kRegDbKey, position, start, length), "every registry entry is found");
        RegRootDigit parsedRoot = kOtherRoot;
        std::string_view parsedKey;
        Check(SplitRegKeyEntry(std::string_view(log).substr(start, length), parsedRoot, parsedKey),
              "a recorded registry entry splits");
        Check(parsedRoot == root && parsedKey == subKey, "a recorded registry entry gives back its root and sub-key");
    }
    // Whatever was recorded also passes the reader's checks.
    CheckParse(log, static_cast<std::uint8_t>(log.size()));
}

// The path rule on any bytes: an accepted path is its own regular form
// (normalising it again gives the same), holds no doubled or trailing
// separator, no "." or ".." component and nothing a refusal names; an
// installation folder is an accepted path that is no drive's root.
void CheckPathRule(std::string_view text)
{
    std::string normal;
    const PathRefusal refusal = NormalizePath(text, normal);
    std::string folder;
    const PathRefusal folderRefusal = NormalizeInstallFolder(text, folder);
    if (refusal != PathRefusal::kNone) {
        Check(folderRefusal == refusal, "an installation folder is refused for the path's own reason");
        return;
    }
    Check(normal.size() >= 2 && normal[1] == ':', "an accepted path starts with its drive");
    Check(normal.size() == 2 || normal[2] == '\\', "the drive is followed by a backslash");
    // Walked by whole characters: a GBK trail byte may be 0x5C.
    bool afterSeparator = false;
    for (std::size_t i = 0; i < normal.size();) {
        const unsigned char c = static_cast<unsigned char>(normal[i]);
        Check(c >= 0x20 && c != 0x7F, "no control character");
        if (IsGbkLeadByte(c) && i + 1 < normal.size()) {
            afterSeparator = false;
            i += 2;
            continue;
        }
        Check(c != '/', "no slash");
        const bool separator = c == '\\';
        Check(!(separator && afterSeparator), "no doubled backslash");
        Check(!(separator && i + 1 == normal.size()), "no trailing backslash");
        afterSeparator = separator;
        ++i;
    }
    // (A drive's root is written "C:", which alone would name the drive's
    // current folder: its own form is read back with the backslash.)
    std::string again;
    Check(NormalizePath(normal.size() == 2 ? normal + "\\" : normal, again) == PathRefusal::kNone && again == normal,
          "the regular form is its own");
    Check((folderRefusal == PathRefusal::kDriveRoot) == (normal.size() == 2), "only a drive's root is refused as a folder");
    Check(folderRefusal != PathRefusal::kNone || folder == normal, "an accepted folder is the accepted path");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 4 == 3)
        CheckPathRule(rest);
    else if ((data[0] & 1) == 0)
        CheckParse(rest, data[0]);
    else
        CheckRoundTrip(rest);
    return 0;
}
