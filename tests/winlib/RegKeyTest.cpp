#include "winlib/RegKey.h"

#include "RegistryOverride.h"

#include <gtest/gtest.h>

#include <string>

using winlib::RegKey;

namespace {

// Stores data of a type as it is, without adding a terminator.
void PutRaw(const std::string& key, const char* name, DWORD type, const std::string& data)
{
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, type, data.data(),
                                static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

}  // namespace

TEST(RegKey, OpenNeverCreatesCreateMakesTheWholePathWritesReadBack)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());

    RegKey key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software\\A\\B", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key);
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, "Software\\A"));
    std::string text = "stale";
    EXPECT_FALSE(key.ReadString("v", text, 16));
    EXPECT_EQ(text, "");
    EXPECT_NE(key.WriteString("v", "x"), ERROR_SUCCESS);

    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\A\\B"), ERROR_SUCCESS);
    EXPECT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, "Software\\A\\B"));
    const std::string folder = "C:\\Program Files\\淺\\";
    EXPECT_EQ(key.WriteString("installPath", folder), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("", "default"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteDword("count", 0x12345678), ERROR_SUCCESS);

    RegKey reader;
    ASSERT_EQ(reader.Open(HKEY_CURRENT_USER, "Software\\A\\B", KEY_QUERY_VALUE), ERROR_SUCCESS);
    EXPECT_TRUE(reader.ReadString("installPath", text, 1024));
    EXPECT_EQ(text, folder);
    EXPECT_TRUE(reader.ReadString("", text, 1024));
    EXPECT_EQ(text, "default");
    DWORD type = 0, value = 0, size = sizeof(value);
    ASSERT_EQ(::RegQueryValueExA(reader.get(), "count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0x12345678u);
    // The string bytes and exactly one terminator.
    size = 0;
    ASSERT_EQ(::RegQueryValueExA(reader.get(), "installPath", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, folder.size() + 1);

    EXPECT_EQ(key.DeleteValue("count"), ERROR_SUCCESS);
    EXPECT_FALSE(reader.ReadString("count", text, 1024, RegKey::Accept::AnyType));
    EXPECT_NE(key.DeleteValue("count"), ERROR_SUCCESS);

    // A moved key keeps working; the one moved from holds nothing.
    RegKey moved = std::move(reader);
    EXPECT_FALSE(reader);
    EXPECT_TRUE(moved.ReadString("installPath", text, 1024));
}

// Only the bytes the value holds are read, whether or not they end in a
// zero; a value longer than the limit is refused, never cut or overrun.
TEST(RegKey, BoundedStringReadTakesUnterminatedDataAndRefusesLongerValuesAndOtherTypes)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "K"), ERROR_SUCCESS);

    // Data, limit, whether it is read, and the text.
    const struct { std::string data; DWORD limit; bool ok; std::string text; } cases[] = {
        {"abc", 16, true, "abc"},
        {std::string("ab\0cd", 5), 16, true, "ab"},
        {std::string(7, 'x'), 8, true, std::string(7, 'x')},
        {std::string(9, 'x'), 8, false, ""},
        {std::string(7, 'x') + '\0', 8, true, std::string(7, 'x')},
        {std::string(8, 'x') + '\0', 8, false, ""},
        {"", 8, true, ""},
        {"a", 0, false, ""},
    };
    for (const auto& c : cases) {
        PutRaw("K", "v", REG_SZ, c.data);
        std::string text = "stale";
        EXPECT_EQ(key.ReadString("v", text, c.limit), c.ok) << c.data.size() << " bytes, limit " << c.limit;
        EXPECT_EQ(text, c.text) << c.data.size() << " bytes, limit " << c.limit;
    }

    // Expandable strings come back unexpanded; other types only on request.
    PutRaw("K", "expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 8));
    PutRaw("K", "binary", REG_BINARY, "bin");
    PutRaw("K", "dword", REG_DWORD, std::string("AB\0\0", 4));
    std::string text;
    EXPECT_TRUE(key.ReadString("expand", text, 64));
    EXPECT_EQ(text, "%TEMP%\\x");
    for (const char* name : {"binary", "dword"}) {
        EXPECT_FALSE(key.ReadString(name, text, 64)) << name;
        EXPECT_EQ(text, "") << name;
    }
    EXPECT_TRUE(key.ReadString("binary", text, 64, RegKey::Accept::AnyType));
    EXPECT_EQ(text, "bin");
    EXPECT_TRUE(key.ReadString("dword", text, 64, RegKey::Accept::AnyType));
    EXPECT_EQ(text, "AB");
    EXPECT_FALSE(key.ReadString("missing", text, 64, RegKey::Accept::AnyType));
    // Data that is no string gets no terminator: all of the limit is text.
    PutRaw("K", "full", REG_BINARY, std::string(8, 'y'));
    EXPECT_TRUE(key.ReadString("full", text, 8, RegKey::Accept::AnyType));
    EXPECT_EQ(text, std::string(8, 'y'));
    EXPECT_FALSE(key.ReadString("full", text, 7, RegKey::Accept::AnyType));
    EXPECT_EQ(text, "");
}

TEST(RegKey, OnlyLeafKeysAreDeletedAndNeverTheOpenKeyItself)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Zemlo\\Parent\\Child"), ERROR_SUCCESS);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, "Zemlo", KEY_ALL_ACCESS), ERROR_SUCCESS);

    EXPECT_NE(key.DeleteLeafKey(""), ERROR_SUCCESS);
    EXPECT_NE(RegKey::DeleteLeafKey(HKEY_CURRENT_USER, ""), ERROR_SUCCESS);
    EXPECT_NE(key.DeleteLeafKey("Parent"), ERROR_SUCCESS);
    EXPECT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, "Zemlo\\Parent\\Child"));
    EXPECT_EQ(key.DeleteLeafKey("Parent\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(RegKey::DeleteLeafKey(HKEY_CURRENT_USER, "Zemlo\\Parent"), ERROR_SUCCESS);
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, "Zemlo\\Parent"));
    EXPECT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, "Zemlo"));
}

// This 64-bit program's HKLM\SOFTWARE and the 32-bit view are separate: a
// key made in the 32-bit view lands under SOFTWARE\Wow6432Node and is not
// seen natively. Uses the prefix's real registry (the views exist only
// there), under a key of its own that it removes again.
TEST(RegKey, The32BitViewIsWow6432Node)
{
    const std::string parent = "SOFTWARE\\ZemloTestRegKey";
    const std::string key = parent + "\\" + std::to_string(::GetCurrentProcessId());
    bool madeIn32 = false, seenUnderWow = false, seenNatively = true, readIn32 = false;
    std::string text;
    {
        RegKey made;
        madeIn32 = made.Create(HKEY_LOCAL_MACHINE, key, KEY_ALL_ACCESS, RegKey::View::Wow32) == ERROR_SUCCESS &&
                   made.WriteString("v", "32") == ERROR_SUCCESS;
        RegKey probe;
        seenUnderWow = probe.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\ZemloTestRegKey\\" +
                                  std::to_string(::GetCurrentProcessId()), KEY_READ) == ERROR_SUCCESS;
        seenNatively = probe.Open(HKEY_LOCAL_MACHINE, key, KEY_READ) == ERROR_SUCCESS;
        readIn32 = probe.Open(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE, RegKey::View::Wow32) == ERROR_SUCCESS &&
                   probe.ReadString("v", text, 16);
    }
    for (const std::string& made : {key, parent})
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, made.c_str(), KEY_WOW64_32KEY, 0);

    ASSERT_TRUE(madeIn32);
    EXPECT_TRUE(seenUnderWow);
    EXPECT_FALSE(seenNatively);
    EXPECT_TRUE(readIn32);
    EXPECT_EQ(text, "32");
}

// Each view opens, makes and deletes its own key of a name: Wow32 the 32-bit
// programs' (under SOFTWARE\Wow6432Node), Wow64 and Native this 64-bit
// program's. The redirected registry is given separate views.
TEST(RegKey, EachViewOpensCreatesAndDeletesItsOwnKey)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    ASSERT_TRUE(testreg::SeparateRegistryViews());
    const std::string key = "SOFTWARE\\Zemlo\\Views";
    const std::string key32 = std::string(testreg::kWow32Software) + "\\Zemlo\\Views";
    {
        RegKey in32, in64;
        ASSERT_EQ(in32.Create(HKEY_LOCAL_MACHINE, key, KEY_ALL_ACCESS, RegKey::View::Wow32), ERROR_SUCCESS);
        ASSERT_EQ(in32.WriteString("v", "32"), ERROR_SUCCESS);
        ASSERT_EQ(in64.Create(HKEY_LOCAL_MACHINE, key, KEY_ALL_ACCESS, RegKey::View::Wow64), ERROR_SUCCESS);
        ASSERT_EQ(in64.WriteString("v", "64"), ERROR_SUCCESS);
    }
    EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, key32, "v"), "32");
    EXPECT_EQ(testreg::Text(HKEY_LOCAL_MACHINE, key, "v"), "64");
    const struct { RegKey::View view; const char* text; } reads[] = {
        {RegKey::View::Wow32, "32"}, {RegKey::View::Wow64, "64"}, {RegKey::View::Native, "64"}};
    for (const auto& r : reads) {
        RegKey opened;
        std::string text;
        EXPECT_EQ(opened.Open(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE, r.view), ERROR_SUCCESS);
        EXPECT_TRUE(opened.ReadString("v", text, 16));
        EXPECT_EQ(text, r.text) << static_cast<int>(r.view);
    }

    // Deleting in one view leaves the other view's key.
    EXPECT_EQ(RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, key, RegKey::View::Wow32), ERROR_SUCCESS);
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key32));
    EXPECT_TRUE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, key, RegKey::View::Wow32), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, key, RegKey::View::Wow64), ERROR_SUCCESS);
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key));
    // Still no whole root.
    EXPECT_EQ(RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, "", RegKey::View::Wow32), ERROR_INVALID_PARAMETER);
}
