// Checks of a destination folder before anything is installed into it:
// its spelling made regular, whether the deepest path the installation
// makes in it fits, and whether it already holds somebody's files.
#pragma once

#include "installlog/PathRule.h"

#include <string>

namespace engine {

// The longest path, in characters, the installation may make (MAX_PATH
// less the terminator).
constexpr std::size_t kLongestInstalledPath = 259;

// The folder trimmed of blanks, every "/" turned into "\", every run of
// backslashes collapsed into one (except the two that begin a network path
// "\\server\share"), ending in one backslash. Walked by whole characters:
// a GBK trail byte may be 0x5C. An empty or blank folder stays empty.
std::string NormaliseFolder(const std::string& folder);

// The length in characters (UTF-16 units, as the system counts a path) of
// the longest path the installation makes below its folder: every entry of
// the medium's seven product folder trees and its root files, and the
// files the installation adds itself (the log, the AutoCAD shortcuts).
// sourceDir is the medium's folder, with or without a trailing backslash.
std::size_t DeepestRelativePath(const std::string& sourceDir);

// The length in characters (UTF-16 units) of an ANSI text.
std::size_t PathCharacters(const std::string& text);

// The earlier installation of the product: the folder the product key
// records (made regular, ending in a backslash) when it holds this
// product's "Uninstall.log". False, with folder empty, otherwise: nothing
// recorded, or a recorded folder whose log is gone is no installation to
// offer or to install over.
bool FindEarlierInstallation(std::string& folder);

// True when folder exists, is not empty, and is not the earlier
// installation of the product. (An "Uninstall.log" that lies in a folder
// the product key does not name is somebody's file like any other.)
bool HoldsOtherFiles(const std::string& folder);

// True when text holds a control character (CR, LF, tab, NUL, ...).
bool HasControlCharacter(const std::string& text);

// What the checks of a destination found, in the order they are made:
// the wizard's destination page and an unattended run put the same
// questions to the same folder.
struct DestinationCheck {
    enum class Verdict {
        kAccepted,           // install into folder
        kInvalid,            // a folder the programs do not install into: see refusal
        kTooDeep,            // the deepest installed path would pass the limit
        kHoldsOtherFiles,    // somebody's files are there: ask (No by default)
    };
    Verdict verdict = Verdict::kInvalid;
    // With kInvalid, why (the path rule both programs share).
    installlog::PathRefusal refusal = installlog::PathRefusal::kEmpty;
    // The folder in its regular, long form, ending in one backslash.
    std::string folder;
    std::size_t deepest = 0;  // with kTooDeep: the deepest path's length
};

// Checks a typed or given destination against the medium in sourceDir: made
// regular (NormaliseFolder), existing short (8.3) names given their long
// form, then put to the path rule that the uninstaller applies to the
// installation it removes (so that every folder Setup installs into is one
// its uninstaller removes whole), to the length limit and to the question
// about somebody's files.
[[nodiscard]] DestinationCheck CheckDestination(const std::string& path, const std::string& sourceDir);

// What the user is told about a destination the path rule refuses.
const char* RefusalText(installlog::PathRefusal refusal);

// The path with its existing part in its long form: the longest prefix
// that exists is spelt as the system names it (no short 8.3 names), the
// rest is kept as given. The path unchanged when no part of it exists.
std::string LongForm(const std::string& path);

}  // namespace engine
