// The notification panel, on the offscreen platform unless QT_QPA_PLATFORM names
// another. Pairs follow the convention of bench/ratios.py:
//
//   panel.show/ours     from a knowledge-base search result handed back on the global
//                       queue to the panel's first drawing, shown and laid out, for
//                       one application (the controller's whole way through the main
//                       queue: remains entry, texts, icon, layout, window, fade-in)
//   panel.show/anchor   from a task on the global queue to the first drawing of a plain
//                       QWidget of the panel's size that the main queue shows
//   panel.rss/ours      resident memory (KiB) of a process that shows the panel for three
//                       applications, list included
//   panel.rss/anchor    resident memory (KiB) of bench/anchors/widget_anchor: an empty
//                       QApplication with one plain QWidget shown
//
// Each process measures itself once its window has been drawn for the first time.
#include "ProcStatus.h"
#include "app/MainQueueHost.h"
#include "notification/RemovedAppList.h"
#include "notification/RichNotificationView.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "platform/Bundle.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string g_folder;

long residentKib() {
    return std::max(0L, bench_support::statusKib("VmRSS"));
}

std::shared_ptr<platform::Bundle> makeApp(const std::string& name, const std::string& id) {
    const std::filesystem::path contents =
        std::filesystem::path(g_folder) / "Trash" / (name + ".app") / "Contents";
    std::filesystem::create_directories(contents);
    std::ofstream(contents / "Info.plist")
        << "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" << id
        << "</string><key>CFBundleExecutable</key><string>" << name << "</string></dict></plist>\n";
    return platform::Bundle::create((contents.parent_path()).string());
}

// Fixed leftovers whose size is known at once.
class MeasuredRemains : public RemainsInfo {
public:
    explicit MeasuredRemains(const platform::Bundle& bundle)
        : m_path(bundle.bundlePath()), m_name(std::filesystem::path(m_path).stem().string()) {}
    std::string appName() const override { return m_name; }
    std::string mainPath() const override { return m_path; }
    std::uint64_t getTotalSize() const override { return 254'300'000; }
    void addBundle(const std::shared_ptr<platform::Bundle>&) override {}
    void addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>&) const override {}

private:
    std::string m_path;
    std::string m_name;
};

// Approves every application, and notes when each search result is ready.
class InstantProvider : public RemainsProvider {
public:
    void calculateIsCanShowNotificationForBundleWithID(const std::string&,
                                                       OkBlock okBlock) override {
        okBlock();
    }
    std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(const std::shared_ptr<platform::Bundle>&) override {
        resultReady.store(Clock::now().time_since_epoch().count());
        return nullptr;
    }
    std::shared_ptr<RemainsInfo>
    makeRemainsInfo(const std::shared_ptr<platform::Bundle>& bundle,
                    std::weak_ptr<RemainsInfoListener>,
                    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>&) override {
        return std::make_shared<MeasuredRemains>(*bundle);
    }

    std::atomic<Clock::rep> resultReady{0};
};

// Notes the first drawing of a widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted{false};

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Runs the Qt loop, which drains the main queue, until `done`; false after 10 s.
bool runUntil(const std::function<bool()>& done) {
    QElapsedTimer watchdog;
    watchdog.start();
    while (!done()) {
        if (watchdog.elapsed() > 10'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!done())
            usleep(50);
    }
    return true;
}

double secondsSince(Clock::rep start) {
    return std::chrono::duration<double>(Clock::now() - Clock::time_point(Clock::duration(start)))
        .count();
}

void panelShowOurs(benchmark::State& state) {
    const auto provider = std::make_shared<InstantProvider>();
    const auto controller = RichNotificationWC::create(provider);
    const auto bundle = makeApp("Lumen", "com.example.lumen");
    PaintWatch watch(controller->window()->panel());
    for (auto _ : state) {
        watch.painted = false;
        controller->showNotificationForApp(bundle);
        if (!runUntil([&] { return watch.painted; })) {
            state.SkipWithError("the panel was not drawn");
            break;
        }
        state.SetIterationTime(secondsSince(provider->resultReady.load()));
        controller->onNotificationClose();
        QCoreApplication::processEvents();
    }
}

void panelShowAnchor(benchmark::State& state) {
    QWidget widget;
    widget.resize(RichNotificationWC::windowWidth, RichNotificationWC::windowHeight);
    PaintWatch watch(&widget);
    std::atomic<Clock::rep> posted{0};
    for (auto _ : state) {
        watch.painted = false;
        platform::globalQueue().async([&] {
            posted.store(Clock::now().time_since_epoch().count());
            platform::MainQueue::shared().async([&] { widget.show(); });
        });
        if (!runUntil([&] { return watch.painted; })) {
            state.SkipWithError("the widget was not drawn");
            break;
        }
        state.SetIterationTime(secondsSince(posted.load()));
        widget.hide();
        QCoreApplication::processEvents();
    }
}

// The resident memory another program reports on its first line as "rss_kib N".
long childResidentKib(const std::string& command) {
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        return 0;
    long kib = 0;
    if (std::fscanf(child, "rss_kib %ld", &kib) != 1)
        kib = 0;
    return pclose(child) == 0 ? kib : 0;
}

void reportResident(benchmark::State& state, const std::string& command) {
    long kib = 0;
    for (auto _ : state) {
        kib = childResidentKib(command);
        if (kib == 0) {
            state.SkipWithError(("no figure from " + command).c_str());
            break;
        }
    }
    state.counters["figure:KiB"] = static_cast<double>(kib);
}

std::string selfPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

void panelRssOurs(benchmark::State& state) {
    reportResident(state, selfPath() + " --panel-rss");
}

void panelRssAnchor(benchmark::State& state) {
    reportResident(state, SWEEPWISE_WIDGET_ANCHOR);
}

// The child of panel.rss/ours: three applications, the list shown.
int showPanelAndReport() {
    const auto controller = RichNotificationWC::create(std::make_shared<InstantProvider>());
    for (const auto& [name, id] :
         {std::pair{"Lumen", "com.example.lumen"}, std::pair{"Tidewater", "com.example.tidewater"},
          std::pair{"Quill Pad", "com.example.quillpad"}}) {
        controller->showNotificationForApp(makeApp(name, id));
    }
    if (!runUntil([&] {
            return controller->isWindowLoaded() && controller->appList() &&
                   controller->appList()->appsCount() == 3;
        })) {
        return 1;
    }
    PaintWatch watch(controller->window()->panel());
    controller->window()->panel()->update();
    if (!runUntil([&] { return watch.painted; }))
        return 1;
    QCoreApplication::processEvents();
    std::printf("rss_kib %ld\n", residentKib());
    return 0;
}

} // namespace

BENCHMARK(panelShowOurs)->Name("panel.show/ours")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(panelShowAnchor)
    ->Name("panel.show/anchor")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(panelRssOurs)->Name("panel.rss/ours")->Iterations(1);
BENCHMARK(panelRssAnchor)->Name("panel.rss/anchor")->Iterations(1);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bool child = argc > 1 && std::strcmp(argv[1], "--panel-rss") == 0;
    // Bundles, and the home folder whose preferences the panel reads, of this run only.
    std::string folder = (std::filesystem::temp_directory_path() / "sweepwise-bench-panel-XXXXXX");
    if (!mkdtemp(folder.data()))
        return 1;
    g_folder = folder;
    setenv("SWEEPWISE_HOME", (folder + "/home").c_str(), 1);

    int status = 0;
    {
        QApplication application(argc, argv);
        const auto host = MainQueueHost::create(platform::MainQueue::shared());
        if (child) {
            status = showPanelAndReport();
        } else {
            benchmark::Initialize(&argc, argv);
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
