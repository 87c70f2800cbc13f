// The core's own cost, without a screen: the shape computed on each key press, and the decoding
// of one enciphered About-box text.
#include <benchmark/benchmark.h>

#include <string>

#include "about/general.h"
#include "frame/frame_form.h"
#include "frame/shape.h"
#include "platform/scripted/scripted_runtime.h"
#include "screens/screen_frames.h"

namespace {

using namespace zelvaro;

// One key press's work: stop the fade, glow, and cut the window to the margins.
void AppliquerMarges(benchmark::State& state) {
    scripted::ScriptedRuntime runtime;
    ScreenFrames frames(runtime);
    frames.Load();
    frmZelvaro& form = *frames.frames().front();
    for (auto _ : state) {
        modRégions::AppliquerMarges(form);
        // The scripted runtime records every call; only the latest matters here.
        runtime.rectanglesCreated.clear();
        runtime.regionsSet.clear();
        runtime.colours.clear();
    }
}
BENCHMARK(AppliquerMarges);

void innerRectangle(benchmark::State& state) {
    std::int32_t margin = 20;
    for (auto _ : state) {
        benchmark::DoNotOptimize(margin);
        benchmark::DoNotOptimize(modRégions::innerRectangle(1024, 768, margin, 50));
    }
}
BENCHMARK(innerRectangle);

// 152 hex digits: 76 characters, as long as a web address in the About box.
void DecoderTexte(benchmark::State& state) {
    std::u16string hex;
    for (int i = 0; i < 76; ++i) {
        constexpr char16_t kDigits[] = u"0123456789ABCDEF";
        hex += kDigits[(i * 7) % 16];
        hex += kDigits[(i * 11 + 3) % 16];
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(modGénéral::DecoderTexte(hex));
    state.SetLabel(std::to_string(hex.size()) + " digits");
}
BENCHMARK(DecoderTexte);

} // namespace

BENCHMARK_MAIN();
