// Adding 1,000,000 lines one by one, and scrolling through them, in CListBox and in a
// plain QListWidget in the same run. Run offscreen:
//   QT_QPA_PLATFORM=offscreen bench_listbox
#include <benchmark/benchmark.h>

#include <cstdio>

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>

#include "fx/fx.h"
#include "fx/testing.h"

namespace {

constexpr int kLines = 1000000;
constexpr UINT kDialog = 1;
constexpr int kList = 100;

void Install()
{
    fx::ResourceSet rs;
    fx::DialogTemplate d;
    d.id = kDialog;
    d.caption = "bench";
    d.cx = 441;
    d.cy = 213;
    fx::ControlTemplate list;
    list.id = kList;
    list.kind = fx::ControlKind::ListBox;
    list.x = 100;
    list.y = 15;
    list.cx = 330;
    list.cy = 185;
    list.style = fx::CS_NOTIFY | fx::CS_USETABSTOPS | fx::CS_EXTENDEDSEL | fx::CS_NOINTEGRALHEIGHT | fx::CS_VSCROLL |
                 fx::CS_HSCROLL | fx::CS_BORDER;
    d.controls.push_back(list);
    rs.Add(d);
    fx::InstallResources(rs);
}

const char* Line(int i)
{
    static char buf[64];
    std::snprintf(buf, sizeof buf, "user%07d\tFull Name %d\t%d", i, i, i % 97);
    return buf;
}

void BM_CListBox_AddOneByOne(benchmark::State& state)
{
    Install();
    for (auto _ : state) {
        CDialog dlg(kDialog);
        dlg.Create();
        auto* list = static_cast<CListBox*>(dlg.GetDlgItem(kList));
        for (int i = 0; i < kLines; ++i)
            list->AddString(Line(i));
        fx::testing::ProcessEvents();  // the view has seen every line
        benchmark::DoNotOptimize(list->GetCount());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CListBox_AddOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_QListWidget_AddOneByOne(benchmark::State& state)
{
    for (auto _ : state) {
        QListWidget list;
        list.resize(578, 301);
        list.show();
        for (int i = 0; i < kLines; ++i)
            list.addItem(QString::fromUtf8(Line(i)));
        fx::testing::ProcessEvents();
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_QListWidget_AddOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

// Page by page through the first 100,000 lines, painting each page.
template <class View>
void ScrollPages(View* view, benchmark::State& state)
{
    QScrollBar* bar = view->verticalScrollBar();
    int pages = 0;
    for (int v = 0; v < 100000 && v <= bar->maximum(); v += bar->pageStep()) {
        bar->setValue(v);
        view->viewport()->repaint();
        ++pages;
    }
    state.counters["pages"] = pages;
}

void BM_CListBox_Scroll(benchmark::State& state)
{
    Install();
    CDialog dlg(kDialog);
    dlg.Create();
    auto* list = static_cast<CListBox*>(dlg.GetDlgItem(kList));
    for (int i = 0; i < kLines; ++i)
        list->AddString(Line(i));
    fx::testing::ProcessEvents();
    for (auto _ : state)
        ScrollPages(list->View(), state);
}
BENCHMARK(BM_CListBox_Scroll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QListWidget_Scroll(benchmark::State& state)
{
    QListWidget list;
    list.resize(578, 301);
    list.show();
    for (int i = 0; i < kLines; ++i)
        list.addItem(QString::fromUtf8(Line(i)));
    fx::testing::ProcessEvents();
    for (auto _ : state)
        ScrollPages(&list, state);
}
BENCHMARK(BM_QListWidget_Scroll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    fx::EnsureApplication();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
