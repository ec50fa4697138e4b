// Speed of the edit control on a chat transcript: 2,000 characters of Korean and Latin in 50 lines,
// each line with an emoticon. Targets: laying the whole transcript out under 5 ms, and typing one
// character at its end, the relayout included, under 1 ms. Drawing the whole transcript and making
// its glyphs (each one measured) are timed beside them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/base/QePathTable.h"
#include "framework/controls/QeEdit.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "platform/system/file.h"
#include "tests/support/ImageFiles.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 588;

// A 20 x 20 emoticon in a folder of its own, the path table and the graphics for the run.
class Setting {
public:
    Setting() {
        char pattern[] = "/tmp/tevrik-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        m_folder = pattern;
        image_files::Bmp bmp;
        bmp.width = 20;
        bmp.height = 20;
        bmp.pixels = image_files::BmpRows(std::vector<std::string>(20, std::string(60, '\x40')));
        const std::string bytes = image_files::BmpFile(bmp);
        FILE* file = std::fopen((m_folder + "/smile.bmp").c_str(), "wb");
        if (file == nullptr) return;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        std::fclose(file);
        if (!written || !QePathTableStart()) return;
        QePathTable::Instance()->SetRoot(0, PathFromNative(m_folder) + L"\\");
        m_ready = QeGraphicsStart();
    }
    ~Setting() {
        QeGraphicsStop();
        QePathTableStop();
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
    }
    bool Ready() const { return m_ready; }

private:
    std::string m_folder;
    bool m_ready = false;
};

EmoticonImage Smile() {
    EmoticonImage smile;
    smile.File = L"smile.bmp";
    smile.Text = L"/smile/";
    return smile;
}

// 50 lines of 40 characters (a break included), an emoticon in the middle of each.
void FillTranscript(QeEdit& edit) {
    const std::wstring half = L"안녕하세요 hello 오늘은 ";
    const std::wstring rest = L" 날씨가 좋네요 nice day!! ^^";
    for (int line = 0; line < 50; ++line) {
        edit.InsertText(half);
        edit.InsertImage(Smile());
        edit.InsertText(rest + (line < 49 ? L"\n" : L""));
    }
}

// An edit of the screen's size holding the transcript.
struct Transcript {
    Transcript() {
        edit.SetRect(RECT{0, 0, kWidth, kHeight});
        FillTranscript(edit);
    }
    QeEdit edit;
};

void BM_EditMakeTranscript(benchmark::State& state) {
    Setting setting;
    if (!setting.Ready()) return state.SkipWithError("no graphics");
    for (auto _ : state) {
        QeEdit edit;
        edit.SetRect(RECT{0, 0, kWidth, kHeight});
        FillTranscript(edit);
        benchmark::DoNotOptimize(edit.GlyphCount());
    }
}
BENCHMARK(BM_EditMakeTranscript)->Unit(benchmark::kMillisecond);

void BM_EditLayoutTranscript(benchmark::State& state) {
    Setting setting;
    if (!setting.Ready()) return state.SkipWithError("no graphics");
    Transcript transcript;
    state.counters["glyphs"] = transcript.edit.GlyphCount();
    for (auto _ : state) {
        transcript.edit.Relayout();
        benchmark::DoNotOptimize(transcript.edit.Layout().Height());
    }
}
BENCHMARK(BM_EditLayoutTranscript)->Unit(benchmark::kMicrosecond);

void BM_EditDrawTranscript(benchmark::State& state) {
    Setting setting;
    if (!setting.Ready()) return state.SkipWithError("no graphics");
    Transcript transcript;
    const int32_t height = transcript.edit.Layout().Height();
    QeSurface surface;
    if (!surface.Create(kWidth, height)) return state.SkipWithError("no surface");
    const RECT all{0, 0, kWidth, height};
    state.counters["height"] = height;
    for (auto _ : state) {
        benchmark::DoNotOptimize(transcript.edit.Layout().Draw(surface, POINT{0, 0}, all));
    }
}
BENCHMARK(BM_EditDrawTranscript)->Unit(benchmark::kMicrosecond);

void BM_EditTypeAtTheEnd(benchmark::State& state) {
    Setting setting;
    if (!setting.Ready()) return state.SkipWithError("no graphics");
    Transcript transcript;
    QeEdit& edit = transcript.edit;
    for (auto _ : state) {
        edit.InsertText(L"가");
        state.PauseTiming();
        edit.OnChar(8, 0);  // Backspace: the transcript stays as it was
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditTypeAtTheEnd)->Unit(benchmark::kMicrosecond);

}  // namespace
