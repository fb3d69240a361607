// libFuzzer target of the command-line parser. Setup and Uninstall run
// elevated and read the command line a deployment tool or anybody's
// shortcut gives them, so the parser must hold on any bytes. The first
// input byte picks the program (bit 0: Setup or Uninstall) and the
// lead-byte test (bit 1: GBK or none); the rest is the text, which is
// parsed, searched for /S and read as a whole command line, checking:
// - a refused line asks for nothing and names a bad switch that is part of
//   the line; an accepted one has no error;
// - a /LOG= file and a /D= folder are there exactly when their switch is,
//   /D= only for Setup; the folder has no blank at either end and no
//   character a folder cannot hold, ':' only after the drive letter;
//   without lead bytes the file holds no quote;
// - a line that parses as silent also mentions /S (so a box is never shown
//   where the run is silent);
// - switches are case-insensitive: the line in ASCII capitals gives the
//   same answer, its texts in capitals;
// - SkipProgramName gives a suffix of its input that starts with no blank.
// The text is the fuzzer's own buffer, sized exactly, so any read past its
// end is caught by AddressSanitizer.
#include "runfront/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace runfront;

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

bool NoLeadBytes(unsigned char)
{
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Capitals(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// The /D= folder, walked character by character as the parser does.
void CheckFolder(const std::string& folder, LeadByteTest isLeadByte)
{
    Check(!folder.empty(), "an accepted /D= has a folder");
    Check(!IsBlank(folder.front()) && !IsBlank(folder.back()), "the /D= folder has no blank at either end");
    for (std::size_t i = 0; i < folder.size();) {
        const unsigned char c = static_cast<unsigned char>(folder[i]);
        if (isLeadByte(c) && i + 1 < folder.size()) {
            i += 2;
            continue;
        }
        Check(c >= 0x20 && c != '<' && c != '>' && c != '|' && c != '?' && c != '*' && c != '/' && c != '"',
              "the /D= folder holds no character a folder cannot hold");
        Check(c != ':' || i == 1, "the /D= folder holds ':' only after its drive letter");
        ++i;
    }
}

void CheckParse(std::string_view text, Program program, LeadByteTest isLeadByte)
{
    const CommandLineResult r = ParseCommandLine(text, program, isLeadByte);
    const CommandLineOptions& o = r.options;
    if (!r.ok) {
        Check(r.error != CommandLineError::kNone, "a refused line names its error");
        Check(!r.message.empty(), "a refused line has a message");
        Check(!r.badSwitch.empty() && text.find(r.badSwitch) != std::string_view::npos,
              "the bad switch is part of the line");
        Check(!o.silent && !o.showUsage && !o.hasLogFile && !o.hasInstallDir && o.logFile.empty() &&
                  o.installDir.empty(),
              "a refused line asks for nothing");
        return;
    }
    Check(r.error == CommandLineError::kNone && r.badSwitch.empty() && r.message.empty(),
          "an accepted line has no error");
    Check(o.hasLogFile == !o.logFile.empty(), "a log file is there exactly when /LOG= is");
    Check(o.hasInstallDir == !o.installDir.empty(), "a folder is there exactly when /D= is");
    Check(!o.hasInstallDir || program == Program::kSetup, "only Setup takes /D=");
    if (o.hasInstallDir)
        CheckFolder(o.installDir, isLeadByte);
    if (isLeadByte == NoLeadBytes)
        Check(o.logFile.find('"') == std::string::npos, "without lead bytes a log file holds no quote");
    if (o.silent)
        Check(MentionsSilentSwitch(text), "a line that parses as silent mentions /S");
}

void CheckCaseInsensitive(std::string_view text, Program program, LeadByteTest isLeadByte)
{
    const CommandLineResult r = ParseCommandLine(text, program, isLeadByte);
    const std::string upper = Capitals(text);
    const CommandLineResult u = ParseCommandLine(upper, program, isLeadByte);
    Check(r.ok == u.ok && r.error == u.error, "the line in capitals is accepted or refused alike");
    Check(r.options.silent == u.options.silent && r.options.showUsage == u.options.showUsage &&
              r.options.hasLogFile == u.options.hasLogFile && r.options.hasInstallDir == u.options.hasInstallDir,
          "the line in capitals asks for the same");
    Check(Capitals(r.options.logFile) == u.options.logFile && Capitals(r.options.installDir) == u.options.installDir,
          "the line in capitals gives its texts in capitals");
    Check(Capitals(r.badSwitch) == u.badSwitch, "the line in capitals names the same bad switch");
}

void CheckSkipProgramName(std::string_view text, LeadByteTest isLeadByte)
{
    const std::string_view arguments = SkipProgramName(text, isLeadByte);
    Check(arguments.data() >= text.data() && arguments.data() + arguments.size() == text.data() + text.size(),
          "SkipProgramName gives a suffix of its input");
    Check(arguments.empty() || !IsBlank(arguments.front()), "the arguments start with no blank");
    // What the programs do with it.
    CheckParse(arguments, Program::kSetup, isLeadByte);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Program program = (data[0] & 1) == 0 ? Program::kSetup : Program::kUninstall;
    const LeadByteTest isLeadByte = (data[0] & 2) == 0 ? IsGbkLeadByte : NoLeadBytes;
    CheckParse(text, program, isLeadByte);
    CheckCaseInsensitive(text, program, isLeadByte);
    CheckSkipProgramName(text, isLeadByte);
    return 0;
}
