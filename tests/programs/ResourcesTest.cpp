// The shipped programs' resources as Windows reads them: the version
// information that Explorer's properties show (GetFileVersionInfo and
// VerQueryValue), and the manifest as the loader understands it (an
// activation context made from the program file).
#include "winlib/WinApp.h"

#include <windows.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Program {
    const char* path;
    const char* description;
    const char* internalName;
    const char* originalName;
};

const Program kPrograms[] = {
    {ZEMLO_SETUP_EXE, "ZEMLO V8.0 安装程序", "Setup", "Setup.exe"},
    {ZEMLO_UNINSTALL_EXE, "ZEMLO V8.0 卸载程序", "Uninstall", "Uninstall.exe"},
};

void PrintTo(const Program& program, std::ostream* os)
{
    *os << program.internalName;
}

std::vector<BYTE> ReadVersionInfo(const char* path)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return {};
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoA(path, 0, size, info.data()))
        return {};
    return info;
}

// The value's text, or "<missing>" when the block has no such value.
std::string StringValue(const std::vector<BYTE>& info, const std::string& name)
{
    const std::string query = "\\StringFileInfo\\080403a8\\" + name;
    LPVOID text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(info.data(), query.c_str(), &text, &length) || text == nullptr)
        return "<missing>";
    return static_cast<const char*>(text);
}

class ProgramResources : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramResources, VersionInformationIsChineseSimplifiedAndComplete)
{
    const Program& program = GetParam();
    const std::vector<BYTE> info = ReadVersionInfo(program.path);
    ASSERT_FALSE(info.empty()) << program.path << ": no version information (error " << ::GetLastError() << ")";

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00080000u) << "file version 8.0";
    EXPECT_EQ(fixed->dwFileVersionLS, 0u) << "file version .0.0";
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00080000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug, pre-release or patched flag";

    // One translation: Chinese (Simplified), code page 936.
    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translation),
                                 &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 936);

    // The texts, read back in the ANSI code page (GBK).
    EXPECT_EQ(StringValue(info, "CompanyName"), "Kestrova");
    EXPECT_EQ(StringValue(info, "ProductName"), "ZEMLO V8.0");
    EXPECT_EQ(StringValue(info, "FileDescription"), program.description);
    EXPECT_EQ(StringValue(info, "FileVersion"), "8.0.0.0");
    EXPECT_EQ(StringValue(info, "ProductVersion"), "8.0.0.0");
    EXPECT_EQ(StringValue(info, "LegalCopyright"), "Kestrova 版权所有, 保留一切权利");
    EXPECT_EQ(StringValue(info, "OriginalFilename"), program.originalName);
    EXPECT_EQ(StringValue(info, "InternalName"), program.internalName);
}

// The program's manifest as an activation context of its own.
class ActivationContext {
public:
    explicit ActivationContext(const char* path)
    {
        ACTCTXA ctx = {};
        ctx.cbSize = sizeof(ctx);
        ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        ctx.lpSource = path;
        ctx.lpResourceName = MAKEINTRESOURCEA(1);
        m_handle = ::CreateActCtxA(&ctx);
    }
    ~ActivationContext()
    {
        if (valid())
            ::ReleaseActCtx(m_handle);
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

TEST_P(ProgramResources, ManifestAsksForAdministratorSystemDpiAndEveryWindowsFromVista)
{
    const ActivationContext ctx(GetParam().path);
    ASSERT_TRUE(ctx.valid()) << "the loader rejects the manifest (error " << ::GetLastError() << ")";

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    SIZE_T written = 0;
    ASSERT_TRUE(::QueryActCtxW(0, ctx.get(), nullptr, RunlevelInformationInActivationContext, &runLevel,
                               sizeof(runLevel), &written));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
    EXPECT_EQ(runLevel.UiAccess, 0u);

    WCHAR setting[64] = {};
    ASSERT_TRUE(::QueryActCtxSettingsW(0, ctx.get(), nullptr, L"dpiAware", setting, 64, &written))
        << "no dpiAware setting (error " << ::GetLastError() << ")";
    EXPECT_STREQ(setting, L"true");

    // Every supported system, each by its identifier (the element layout
    // differs between SDKs, so the identifiers are looked for as bytes).
    std::vector<BYTE> compatibility(4096);
    ASSERT_TRUE(::QueryActCtxW(0, ctx.get(), nullptr, CompatibilityInformationInActivationContext,
                               compatibility.data(), compatibility.size(), &written));
    compatibility.resize(written);
    ASSERT_GE(written, sizeof(DWORD));
    DWORD count = 0;
    std::memcpy(&count, compatibility.data(), sizeof(count));
    EXPECT_EQ(count, 5u);
    const GUID systems[] = {
        {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},  // Vista
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},  // 7
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},  // 8
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},  // 8.1
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},  // 10 and 11
    };
    for (const GUID& system : systems) {
        bool found = false;
        for (std::size_t at = 0; at + sizeof(GUID) <= compatibility.size() && !found; ++at)
            found = std::memcmp(compatibility.data() + at, &system, sizeof(GUID)) == 0;
        EXPECT_TRUE(found) << "supportedOS {" << std::hex << system.Data1 << "-...} missing";
    }
}

TEST_P(ProgramResources, CommonControlsAreBoundSideBySide)
{
    const ActivationContext ctx(GetParam().path);
    ASSERT_TRUE(ctx.valid());
    // The program's context redirects comctl32.dll to an assembly of its
    // own (asked for as such, so that the answer does not depend on which
    // comctl32 this test process happens to have loaded already) ...
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof(data);
    ASSERT_TRUE(::FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                           ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data) ==
                FALSE)
        << "no context is active yet: nothing may redirect comctl32.dll";
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(::ActivateActCtx(ctx.get(), &cookie));
    const BOOL redirected = ::FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                                       ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                                       &data);
    ::DeactivateActCtx(0, cookie);
    ASSERT_TRUE(redirected) << "the manifest does not bind comctl32.dll (error " << ::GetLastError() << ")";
    if (data.hActCtx != nullptr)
        ::ReleaseActCtx(data.hActCtx);

    // ... and that assembly is Common Controls 6.
    std::vector<BYTE> buffer(4096);
    SIZE_T written = 0;
    DWORD index = data.ulAssemblyRosterIndex;
    ASSERT_TRUE(::QueryActCtxW(0, ctx.get(), &index, AssemblyDetailedInformationInActivationContext, buffer.data(),
                               buffer.size(), &written));
    const auto* assembly = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    ASSERT_NE(assembly->lpAssemblyEncodedAssemblyIdentity, nullptr);
    std::wstring identity(assembly->lpAssemblyEncodedAssemblyIdentity);
    for (wchar_t& c : identity)
        c = static_cast<wchar_t>(::towlower(c));
    EXPECT_NE(identity.find(L"microsoft.windows.common-controls"), std::wstring::npos);
    EXPECT_NE(identity.find(L"6595b64144ccf1df"), std::wstring::npos) << "Microsoft's public key token";
    EXPECT_NE(identity.find(L"version=\"6."), std::wstring::npos) << "version 6";
}

INSTANTIATE_TEST_SUITE_P(ShippedPrograms, ProgramResources, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return std::string(info.param.internalName);
                         });

}  // namespace
