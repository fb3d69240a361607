// A stand-in for the product's own program on the sample medium: it only
// says what it is.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::MessageBoxA(nullptr, "ZEMLO V8.0 土方计算与地形分析 (示例程序)", "ZEMLO V8.0", MB_OK | MB_ICONINFORMATION);
    return 0;
}
