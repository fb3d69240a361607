#include "UninstallFixture.h"

ExtraRootsOverride::ExtraRootsOverride()
{
    m_ok = ::RegCreateKeyExA(HKEY_CURRENT_USER, "ZemloTestUsers", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &m_users, nullptr) == ERROR_SUCCESS &&
           ::RegCreateKeyExA(HKEY_CURRENT_USER, "ZemloTestConfig", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &m_config, nullptr) == ERROR_SUCCESS &&
           ::RegOverridePredefKey(HKEY_USERS, m_users) == ERROR_SUCCESS &&
           ::RegOverridePredefKey(HKEY_CURRENT_CONFIG, m_config) == ERROR_SUCCESS;
}

ExtraRootsOverride::~ExtraRootsOverride()
{
    ::RegOverridePredefKey(HKEY_USERS, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_CONFIG, nullptr);
    if (m_users != nullptr)
        ::RegCloseKey(m_users);
    if (m_config != nullptr)
        ::RegCloseKey(m_config);
}

void UninstallTest::SetUp()
{
    ASSERT_TRUE(registry.ok());
    ASSERT_TRUE(extraRoots.ok());
    ASSERT_TRUE(window.GetSafeHwnd() != nullptr);
    thread.window = &window;
}

void UninstallTest::LoadLog(const std::string& bytes)
{
    const std::string path = Path("Uninstall.log");
    testfs::WriteFile(path, bytes);
    thread.m_pMainWnd = &window;
    ASSERT_TRUE(thread.ReadLog(path.c_str()));
    ASSERT_TRUE(thread.fileErrors.empty());
}

void UninstallTest::RunUninstall()
{
    ASSERT_TRUE(window.RunThread(thread)) << "the uninstall worker did not end";
}

std::vector<std::string> UninstallTest::ReportedFiles() const
{
    std::vector<std::string> paths;
    for (const RecordedMessage& m : window.Of(WM_UNINSTALL_FILE))
        paths.push_back(m.lText);
    return paths;
}

std::vector<UINT> UninstallTest::MessageOrder() const
{
    std::vector<UINT> order;
    for (const RecordedMessage& m : window.messages)
        order.push_back(m.message);
    return order;
}

namespace regtest {

bool KeyExists(HKEY root, const std::string& subKey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

void CreateKey(HKEY root, const std::string& subKey)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << subKey;
    ::RegCloseKey(key);
}

}  // namespace regtest
