// The AutoCAD releases that the installation configures, R15.0 to R18.0,
// as data: detection, profile and shortcut code is written once and reads
// each release's row.
#pragma once

#include <array>
#include <cstddef>

namespace engine {

// A registry hive that a "CurVer" value is read from.
enum class Hive { Machine, User };

// An order of hives to try, first hit wins; count 0 to 2.
struct HiveOrder {
    std::size_t count;
    std::array<Hive, 2> hives;
};

// Names tried in order, first hit wins; count 0 to 2.
struct NameOrder {
    std::size_t count;
    std::array<const char*, 2> names;
};

struct AcadRelease {
    const char* name;         // "R17.1": the release key is "SOFTWARE\Autodesk\AutoCAD\" + name
    int editionYear;          // 2008
    HiveOrder detectCurVer;   // where detection reads "CurVer", in order
    HiveOrder profileCurVer;  // where the profile step reads "CurVer", in order
    // Product code used when "CurVer" is not found; nullptr: the release
    // then counts as not installed.
    const char* defaultProductCode;
    // The values of the product key that detection reads for the folder,
    // in order, until one gives a non-empty text.
    NameOrder folderValues;
    const char* generation;  // support folder generation, "2007-09"
    // The support path list. With default profiles: install folder twice,
    // then the default profile's "ACAD" value. Without (R15.0): install
    // folder twice, then the AutoCAD folder four times.
    const char* supportPathFormat;
    // The user's default profiles whose "ACAD" value is carried on, tried in
    // order; none for R15.0.
    NameOrder defaultProfiles;
    // Written as "MenuFile" after the install folder; nullptr: not written.
    const char* menuFile;
    const char* shortcutName;  // "ZEMLOfor2008.LNK", in the install folder
};

// The eight releases, always handled in this order.
const std::array<AcadRelease, 8>& AcadReleases();

// The profile the installation writes for every release found, and the
// arguments with which its shortcuts start AutoCAD.
extern const char kAcadProfileName[];
extern const char kAcadShortcutArguments[];

}  // namespace engine
