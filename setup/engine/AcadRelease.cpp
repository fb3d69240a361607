#include "engine/AcadRelease.h"

namespace engine {

const char kAcadProfileName[] = "<<enggZEMLO V8>>";
const char kAcadShortcutArguments[] = "/p \"<<enggZEMLO V8>>\" /t acad.dwt";

namespace {

constexpr HiveOrder kMachineThenUser{2, {Hive::Machine, Hive::User}};
constexpr HiveOrder kUserThenMachine{2, {Hive::User, Hive::Machine}};
constexpr HiveOrder kUserOnly{1, {Hive::User, Hive::User}};

const char kFormat2000[] =
    "%sSupport\\2000-02\\arx;%sSupport\\2000-02\\Menu;%ssupport;%sfonts;%shelp;%sexpress;";
const char kFormat2004[] = "%sSupport\\2004-06\\arx;%sSupport\\2004-06\\Menu;%s;";
const char kFormat2007[] = "%sSupport\\2007-09\\arx;%sSupport\\2007-09\\Menu;%s;";
const char kFormat2010[] = "%sSupport\\2010-11\\arx;%sSupport\\2010-11\\Menu;%s;";

const char kMenu2007[] = "Support\\2007-09\\Menu\\Gravmen";
const char kMenu2010[] = "Support\\2010-11\\Menu\\Gravmen";

constexpr NameOrder kAcadLocation{1, {"AcadLocation", nullptr}};
constexpr NameOrder kAcadLocationThenLocation{2, {"AcadLocation", "Location"}};

constexpr NameOrder kNoProfiles{0, {nullptr, nullptr}};
constexpr NameOrder kUnnamedProfiles{2, {"<<未命名配置>>", "<<Unnamed Profile>>"}};
constexpr NameOrder kInitialProfiles{2, {"初始设置配置", "<<初始设置配置>>"}};

// R15.0's profile step reads "CurVer" machine-wide first and then per user,
// the same two places detection looks, so a release found through the
// per-user value gets its profile under that product code.
const std::array<AcadRelease, 8> kReleases = {{
    {"R15.0", 2002, kMachineThenUser, kMachineThenUser, nullptr, kAcadLocation, "2000-02", kFormat2000, kNoProfiles,
     nullptr, "ZEMLOfor2002.LNK"},
    {"R16.0", 2004, kUserThenMachine, kUserThenMachine, "ACAD-201:804", kAcadLocation, "2004-06", kFormat2004,
     kUnnamedProfiles, nullptr, "ZEMLOfor2004.LNK"},
    {"R16.1", 2005, kUserOnly, kUserThenMachine, "ACAD-301:409", kAcadLocation, "2004-06", kFormat2004,
     kUnnamedProfiles, nullptr, "ZEMLOfor2005.LNK"},
    {"R16.2", 2006, kUserOnly, kUserThenMachine, "ACAD-4001:409", kAcadLocation, "2004-06", kFormat2004,
     kUnnamedProfiles, nullptr, "ZEMLOfor2006.LNK"},
    {"R17.0", 2007, kUserOnly, kUserThenMachine, "ACAD-5001:804", kAcadLocation, "2007-09", kFormat2007,
     kUnnamedProfiles, kMenu2007, "ZEMLOfor2007.LNK"},
    {"R17.1", 2008, kUserOnly, kUserThenMachine, "ACAD-6001:804", kAcadLocationThenLocation, "2007-09", kFormat2007,
     kUnnamedProfiles, kMenu2007, "ZEMLOfor2008.LNK"},
    {"R17.2", 2009, kUserOnly, kUserThenMachine, "ACAD-7001:804", kAcadLocationThenLocation, "2007-09", kFormat2007,
     kUnnamedProfiles, kMenu2007, "ZEMLOfor2009.LNK"},
    {"R18.0", 2010, kUserOnly, kUserThenMachine, "ACAD-8001:804", kAcadLocationThenLocation, "2010-11", kFormat2010,
     kInitialProfiles, kMenu2010, "ZEMLOfor2010.LNK"},
}};

}  // namespace

const std::array<AcadRelease, 8>& AcadReleases()
{
    return kReleases;
}

}  // namespace engine
