// The skin engine's costs on the default skin: loading Zelvante.skn, one full repaint of
// "Skin Main" into its window, and the repaint a button's hover makes (by the mouse message, and the
// paint of the button's place alone).
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_loader.h"
#include "platform/user/headless_display.h"
#include "platform/user/paint.h"
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

const std::string kSkinPath = std::string(ZV_SKIN_DIR) + "/Zelvante.skn";

// A window showing "Skin Main" of the default skin, on a fresh machine.
class MainForm {
public:
    MainForm()
    {
        zv::user::headless::SetScreenSize(1366, 768);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "SkinBenchWindow";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "SkinBenchWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        zv::skin::CreateSkinControl(nullptr, IID_ISkinEngine, reinterpret_cast<void**>(&engine));
        std::u16string path(kSkinPath.begin(), kSkinPath.end());
        ok = engine && SUCCEEDED(engine->LoadSkin(path.c_str())) && SUCCEEDED(engine->ApplyForm(window, u"Skin Main"));
        form = zv::skin::SkinForm::Of(window);
    }
    ~MainForm()
    {
        form.reset();
        DestroyWindow(window);
        if (engine)
            engine->Release();
    }

    zv::win32::testing::TempZvRoot root;
    HWND window = nullptr;
    ISkinEngine* engine = nullptr;
    std::shared_ptr<zv::skin::SkinForm> form;
    bool ok = false;
};

void BM_LoadDefaultSkin(benchmark::State& state)
{
    for (auto _ : state) {
        const zv::skin::SkinLoadResult loaded = zv::skin::LoadSkinFile(kSkinPath);
        if (!loaded.skin)
            state.SkipWithError(loaded.error.c_str());
        benchmark::DoNotOptimize(loaded.skin.get());
    }
}
BENCHMARK(BM_LoadDefaultSkin)->Unit(benchmark::kMillisecond);

void BM_FullRepaintOfMainForm(benchmark::State& state)
{
    MainForm main;
    if (!main.ok) {
        state.SkipWithError("the default skin did not apply");
        return;
    }
    RECT client;
    GetClientRect(main.window, &client);
    HDC dc = GetDC(main.window);
    for (auto _ : state)
        main.form->Paint(dc, client, POINT{0, 0});
    ReleaseDC(main.window, dc);
}
BENCHMARK(BM_FullRepaintOfMainForm)->Unit(benchmark::kMicrosecond);

void BM_HoverRepaintOfOneButton(benchmark::State& state)
{
    MainForm main;
    if (!main.ok) {
        state.SkipWithError("the default skin did not apply");
        return;
    }
    const RECT button = main.form->AbsoluteRect(main.form->Find("Button Video Source"));
    HDC dc = GetDC(main.window);
    for (auto _ : state)
        main.form->Paint(dc, button, POINT{0, 0});
    ReleaseDC(main.window, dc);
}
BENCHMARK(BM_HoverRepaintOfOneButton)->Unit(benchmark::kMicrosecond);

// The whole road of a hover: the mouse message, the look change and the repaint through the window
// system, once onto the button and once off it per iteration.
void BM_HoverOnAndOffByMouse(benchmark::State& state)
{
    MainForm main;
    if (!main.ok) {
        state.SkipWithError("the default skin did not apply");
        return;
    }
    const RECT button = main.form->AbsoluteRect(main.form->Find("Button Video Source"));
    const LPARAM over = MAKELPARAM(static_cast<unsigned>(button.left + 5), static_cast<unsigned>(button.top + 5));
    const LPARAM away = MAKELPARAM(static_cast<unsigned>(button.left + 5), static_cast<unsigned>(button.bottom + 2));
    for (auto _ : state) {
        SendMessageA(main.window, WM_MOUSEMOVE, 0, over);
        SendMessageA(main.window, WM_MOUSEMOVE, 0, away);
    }
}
BENCHMARK(BM_HoverOnAndOffByMouse)->Unit(benchmark::kMicrosecond);

} // namespace
