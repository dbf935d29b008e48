// The window end to end: opens FOLDER in the real main window, as `tagmora FOLDER` does at
// start-up, and ends once the list is shown and the event loop is idle. Prints, in one line, the
// milliseconds from the start of main() to that moment, the rows, how often the progress bar was
// drawn and the longest time the event loop went unserved during the pass (a timer asks every
// 10 ms). The wall time, CPU time and peak memory of the whole process are taken from outside
// (bench/run_window_bench.sh). A second line gives the columns' widths. Runs under
// QT_QPA_PLATFORM=offscreen unless a platform is set.
//
//   bench_window FOLDER
//   window: 1234.5 ms to idle, 100000 rows, 41 progress drawings, longest unserved 35.2 ms
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "main/MainForm.h"
#include "main/MainFormApplication.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Tells whether the widget it watches was painted once the start-up pass had ended.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(tagmora::MainForm& form) : form_(form) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Count;
            if (form_.StartupWorkDone() && !form_.Context().Busy()) PaintedAfterPass = true;
        }
        return false;
    }
    int Count = 0;
    bool PaintedAfterPass = false;

private:
    tagmora::MainForm& form_;
};

}  // namespace

int main(int argc, char** argv) {
    const auto start = Clock::now();
    if (argc != 2) {
        std::fputs("Usage: bench_window FOLDER\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A settings folder of this run's own, as the first run leaves it: the first-run defaults
    // saved and the window's place stored (a window that has a stored place opens the folders
    // of its command line once it is shown).
    char configTemplate[] = "/tmp/tagmora-bench-window-XXXXXX";
    const std::string config = mkdtemp(configTemplate);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
    {
        tagmora::FileSettingsStore store(tagmora::FileSettingsStore::DefaultUserHivePath(),
                                         tagmora::FileSettingsStore::DefaultMachineHivePath());
        tagmora::AppSettings settings;
        tagmora::ApplyFirstRunDefaults(settings, tagmora::DesignedColumnWidths());
        if (!tagmora::SaveSettings(settings, store) ||
            !tagmora::StoreWindowPosition(store, {.Top = 100, .Left = 100, .Width = 640, .Height = 360})) {
            std::fputs("bench_window: the settings could not be stored\n", stderr);
            return 1;
        }
    }

    QApplication application(argc, argv);
    tagmora::SetUpApplication();
    tagmora::MainForm form({.Arguments = {argv[1]}, .OpenSettingsDialog = [] {}});
    if (form.EndRequested()) return 1;

    PaintWatch progressPaints(form);
    form.Status().Overlay().installEventFilter(&progressPaints);
    PaintWatch listPaints(form);
    form.MainList().viewport()->installEventFilter(&listPaints);

    // The event loop is served whenever this timer fires; its longest gap while the pass runs is
    // the longest time a key or a close would have waited.
    QTimer heartbeat;
    heartbeat.setInterval(10);
    Clock::time_point lastBeat{};
    bool busyAtLastBeat = false;
    Clock::duration longestGap{};
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        // A gap counts when the pass ran at either end of it (its last stretch included).
        const bool busy = form.Context().Busy();
        if ((busy || busyAtLastBeat) && lastBeat != Clock::time_point{}) {
            longestGap = std::max(longestGap, now - lastBeat);
        }
        lastBeat = now;
        busyAtLastBeat = busy;
    });
    heartbeat.start();

    // Idle: the event loop is about to wait, the start-up pass has ended and the list has been
    // painted since.
    Clock::time_point idle{};
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] {
        if (!form.StartupWorkDone() || form.Context().Busy() || idle != Clock::time_point{}) return;
        if (!listPaints.PaintedAfterPass && form.List().RowCount() > 0) return;  // its update is on its way
        idle = Clock::now();
        QCoreApplication::quit();
    });

    form.show();
    QApplication::exec();
    std::printf("window: %.1f ms to idle, %d rows, %d progress drawings, longest unserved %.1f ms\n", Ms(idle - start),
                form.List().RowCount(), progressPaints.Count, Ms(longestGap));
    // The columns' widths, to compare the fitting of two builds.
    std::printf("column widths:");
    for (int column = 0; column < tagmora::kColumnCount; ++column) std::printf(" %d", form.ColumnWidth(column));
    std::printf("\n");
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    return 0;
}
