// The main list with 100,000 rows: the model after a list pass (reset and view layout), a sort
// by Title, FitColumns, and how often the progress bar is drawn while 100,000 files are read.
// Prints figures; run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "main/MainForm.h"
#include "filelist/FolderCommands.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 100000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Realistic column texts: folders of artists and albums, titles of a few words (some Cyrillic).
std::vector<tagmora::FileRow> MakeRows(int count) {
    std::mt19937 random(42);
    const std::vector<std::string> words = {"Love",  "Night",  "River",  "Blue",   "Song",  "Dream", "Fire",
                                            "Rain",  "Город",  "Ночь",   "Дорога", "Весна", "Heart", "Road",
                                            "Light", "Shadow", "Summer", "Зима",   "Moon",  "Star"};
    const std::vector<std::string> genres = {"Rock", "Pop", "Jazz", "Blues", "Classical", "Metal", "Other"};
    std::vector<tagmora::FileRow> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        tagmora::FileRow& row = rows[static_cast<std::size_t>(i)];
        const int artist = i / 120;
        const int album = i / 12;
        std::string title;
        const int n = 1 + static_cast<int>(random() % 5);
        for (int k = 0; k < n; ++k) title += (k ? " " : "") + words[random() % words.size()];
        std::array<std::string, tagmora::kColumnCount> t;
        t[tagmora::ColTitle] = title;
        t[tagmora::ColAlbum] = "Album " + std::to_string(album);
        t[tagmora::ColArtist] = "Artist " + std::to_string(artist);
        t[tagmora::ColYear] = std::to_string(1960 + album % 60);
        t[tagmora::ColTrack] = std::to_string(1 + i % 12);
        t[tagmora::ColId3v] = "2";
        t[tagmora::ColGenre] = genres[static_cast<std::size_t>(artist) % genres.size()];
        t[tagmora::ColComment] = i % 3 ? "" : "Ripped from CD " + std::to_string(album);
        t[tagmora::ColComposer] = "Composer " + std::to_string(artist % 50);
        t[tagmora::ColEncodedBy] = "LAME 3.100";
        t[tagmora::ColTSSE] = "LAME 64bits version 3.100";
        t[tagmora::ColFileSize] =
            std::to_string(3 + i % 7) + " " + std::to_string(100 + i % 900) + " " + std::to_string(100 + i % 871);
        t[tagmora::ColFile] = "/home/user/Music/" + t[tagmora::ColArtist] + "/" + t[tagmora::ColAlbum] + "/" +
                              t[tagmora::ColTrack] + " - " + title + ".mp3";
        row.SetPath(t[tagmora::ColFile]);
        std::array<std::string_view, tagmora::kColumnCount> views;
        for (std::size_t c = 0; c < t.size(); ++c) views[c] = t[c];
        row.SetColumnTexts(views);
        row.Checked = true;
    }
    return rows;
}

// Counts the progress drawings and their largest gap.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto now = Clock::now();
            if (count > 0) largestGap = std::max(largestGap, now - last);
            last = now;
            ++count;
        }
        return false;
    }
    int count = 0;
    Clock::time_point last{};
    Clock::duration largestGap{};
};

class PickingHost : public tagmora::QtHost {
public:
    bool PickFolder(const std::string&, std::string& path, bool) override {
        path = Folder;
        return true;
    }
    std::string Folder;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char configTemplate[] = "/tmp/tagmora-bench-XXXXXX";
    const std::string temp = mkdtemp(configTemplate);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(temp + "/config"));
    QApplication app(argc, argv);

    PickingHost host;
    tagmora::MainForm form({.HostPort = &host});
    form.show();
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    tagmora::AppSettings& settings = form.Settings();
    settings.ResizeTabHeaders = true;
    for (auto& shown : settings.ShowItem) shown = 1;
    form.ApplyColumnLayout();

    auto rows = MakeRows(kRows);
    std::printf("MainList, %d rows, platform %s\n", kRows, qPrintable(QGuiApplication::platformName()));

    // 1. The model after a list pass: reset, view layout and one painting of the list.
    auto start = Clock::now();
    form.RunListCommand([&] {
        form.List().Rows() = std::move(rows);
        return true;
    });
    QCoreApplication::processEvents();
    form.MainList().viewport()->repaint();
    std::printf("  model reset + view layout:   %8.1f ms\n", Ms(Clock::now() - start));

    // 2. One sort by Title (header click path: reset, stable sort, restore of highlighted rows).
    start = Clock::now();
    form.ColomnClick(tagmora::ColTitle);
    QCoreApplication::processEvents();
    form.MainList().viewport()->repaint();
    std::printf("  sort by Title:               %8.1f ms\n", Ms(Clock::now() - start));

    // The core's sort alone (by Artist), without the model reset around it.
    start = Clock::now();
    form.List().SortColumn = tagmora::ColArtist;
    form.List().SortRows();
    std::printf("  (the core's sort alone, by Artist: %.1f ms)\n", Ms(Clock::now() - start));
    form.ColomnClick(tagmora::ColTitle);

    // 3. FitColumns over the 21 shown columns.
    start = Clock::now();
    form.FitColumns();
    const double fitMs = Ms(Clock::now() - start);
    std::printf("  FitColumns (21 columns):     %8.1f ms\n", fitMs);

    // Where FitColumns spends its time: per column, the texts measured exactly.
    const QFontMetrics metrics(form.MainList().font());
    {
        const QFontMetricsF advanceMetrics(form.MainList().font());
        tagmora::TextAdvanceCache advances(
            [&](char32_t cp) { return advanceMetrics.horizontalAdvance(QString::fromUcs4(&cp, 1)); },
            [&](char32_t a, char32_t b) {
                const char32_t pair[2] = {a, b};
                return advanceMetrics.horizontalAdvance(QString::fromUcs4(pair, 2));
            });
        std::printf("  per column: exact measurements (ms):");
        for (int column = 0; column < tagmora::kColumnCount; ++column) {
            int measured = 0;
            start = Clock::now();
            tagmora::LargestTextWidth(form.List().Rows(), column, advances, [&](const std::string& text) {
                ++measured;
                return metrics.horizontalAdvance(QString::fromUtf8(text));
            });
            std::printf(" %d:%d(%.0f)", column, measured, Ms(Clock::now() - start));
        }
        std::printf("\n");
    }

    // The same widths by measuring every text of two columns exactly (the reference).
    for (int column : {static_cast<int>(tagmora::ColFile), static_cast<int>(tagmora::ColTitle)}) {
        start = Clock::now();
        int widest = 0;
        for (const auto& row : form.List().Rows()) {
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(row.ColumnText(column))));
        }
        const int padding = column == 0 ? tagmora::kFileColumnPadding : tagmora::kColumnPadding;
        const int expected = tagmora::BoundWidth(form.Columns()[static_cast<std::size_t>(column)], widest + padding);
        std::printf("  measuring every text of column %d: %8.1f ms, width %d (FitColumns gave %d)\n", column,
                    Ms(Clock::now() - start), expected, form.ColumnWidth(column));
    }

    // 4. Progress drawing while 100,000 files are read: a flat folder of tag-only files.
    const std::string folder = temp + "/files";
    std::filesystem::create_directories(folder);
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    start = Clock::now();
    for (int i = 0; i < kRows; ++i) {
        const std::string title = "Title " + std::to_string(i);
        std::string bytes = tag;
        bytes.replace(3, title.size(), title);
        std::ofstream(folder + "/" + std::to_string(i) + ".mp3", std::ios::binary).write(bytes.data(), 128);
    }
    std::printf("  (wrote %d files in %.0f ms)\n", kRows, Ms(Clock::now() - start));

    settings.IncludeSubDirs = false;
    settings.ResizeTabHeaders = false;
    settings.TAGReadSequence = 0;
    host.Folder = folder;
    PaintWatch watch;
    form.Status().Overlay().installEventFilter(&watch);
    start = Clock::now();
    form.Command("BrowseForFolderMnu")->trigger();
    const double readMs = Ms(Clock::now() - start);
    std::printf("  scan + read %d files:    %8.1f ms, %d rows, %d progress drawings, largest gap %.1f ms\n", kRows,
                readMs, form.List().RowCount(), watch.count, Ms(watch.largestGap));

    // ShowProgress alone, 100,000 times (what the drawing and event processing cost a pass).
    watch.count = 0;
    watch.largestGap = {};
    start = Clock::now();
    for (int i = 1; i <= kRows; ++i) form.Status().ShowProgress("/home/user/Music/file.mp3", 100.0 / kRows * i);
    std::printf("  ShowProgress x %d:       %8.1f ms, %d drawings, largest gap %.1f ms\n", kRows,
                Ms(Clock::now() - start), watch.count, Ms(watch.largestGap));

    form.Status().Overlay().removeEventFilter(&watch);
    std::filesystem::remove_all(temp);
    return 0;
}
