#include "winlib/Wnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {
// The object a window is bound to, as another thread of the process sees it.
CWnd* LookUpOnAnotherThread(HWND hwnd)
{
    CWnd* found = nullptr;
    std::thread([&] { found = CWnd::FromHandlePermanent(hwnd); }).join();
    return found;
}

WNDPROC ProcedureOf(HWND hwnd)
{
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}
}  // namespace

TEST(WndBinding, AWindowFindsItsObjectFromEveryThreadUntilItIsDestroyedOrUnboundOrItsObjectGoes)
{
    EXPECT_EQ(CWnd::FromHandlePermanent(nullptr), nullptr);

    // Created by the object: bound until the window is destroyed, and
    // destroyed with the object.
    CWnd owner;
    ASSERT_TRUE(owner.CreateMessageOnly());
    const HWND created = owner.m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(created), &owner);
    EXPECT_EQ(LookUpOnAnotherThread(created), &owner);
    EXPECT_TRUE(owner.DestroyWindow());
    EXPECT_EQ(owner.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(created), nullptr);
    auto temporary = std::make_unique<CWnd>();
    ASSERT_TRUE(temporary->CreateMessageOnly());
    const HWND gone = temporary->m_hWnd;
    temporary.reset();
    EXPECT_FALSE(::IsWindow(gone));
    EXPECT_EQ(CWnd::FromHandlePermanent(gone), nullptr);

    // Subclassed: one object at a time; unbinding or destroying the object
    // gives the window back its own procedure and no object.
    const HWND plain = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                         ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    const WNDPROC own = ProcedureOf(plain);
    CWnd first, second;
    ASSERT_TRUE(first.SubclassWindow(plain));
    EXPECT_FALSE(second.SubclassWindow(plain));
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), &first);
    EXPECT_EQ(LookUpOnAnotherThread(plain), &first);
    EXPECT_EQ(first.UnsubclassWindow(), plain);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    EXPECT_EQ(ProcedureOf(plain), own);
    {
        CWnd scoped;
        ASSERT_TRUE(scoped.SubclassWindow(plain));
        EXPECT_EQ(CWnd::FromHandlePermanent(plain), &scoped);
    }
    EXPECT_TRUE(::IsWindow(plain));
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    EXPECT_EQ(ProcedureOf(plain), own);
    ASSERT_TRUE(second.SubclassWindow(plain));
    EXPECT_TRUE(::DestroyWindow(plain));
    EXPECT_EQ(second.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
}
