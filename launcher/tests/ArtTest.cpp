// The artwork as the wizard's controls will load it. Needs a display (run
// under a virtual X server).
#include "WindowsSupport.h"

#include "LauncherTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace kivtest;

namespace {

std::wstring artFile(const wchar_t* name) {
    std::wstring w = widen(KIV_ART_DIR) + L"\\" + name;
    for (wchar_t& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

} // namespace

TEST(PackageArt, AnimationOpensInTheAnimationControlAndOthersDoNot) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_ANIMATE_CLASS};
    ASSERT_TRUE(::InitCommonControlsEx(&icc));
    HWND anim = ::CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_POPUP, 0, 0, 100, 100, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(anim, nullptr) << "no display";
    std::wstring avi = artFile(L"trdrp.avi");
    EXPECT_TRUE(::SendMessageW(anim, ACM_OPENW, 0, reinterpret_cast<LPARAM>(avi.c_str())));
    EXPECT_TRUE(::SendMessageW(anim, ACM_PLAY, 1, MAKELONG(0, 15)));
    ::SendMessageW(anim, ACM_STOP, 0, 0);
    // The control is not easy to please: a picture is no animation.
    std::wstring bmp = artFile(L"mback.bmp");
    EXPECT_FALSE(::SendMessageW(anim, ACM_OPENW, 0, reinterpret_cast<LPARAM>(bmp.c_str())));
    ::DestroyWindow(anim);
}

TEST(PackageArt, BackgroundLoadsAsAPageSizedBitmap) {
    HANDLE image = ::LoadImageW(nullptr, artFile(L"mback.bmp").c_str(), IMAGE_BITMAP, 0, 0,
                                LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectW(image, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 710);
    EXPECT_EQ(bm.bmHeight, 432);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    ::DeleteObject(image);
}
