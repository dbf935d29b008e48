// The status bar of the main window and its StatusReporter: two text panels, the brief status
// with EndProgressTimer, the row total, and the progress bar drawn over the bar.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>

#include "common/Messages.h"
#include "common/Ports.h"
#include "main/MainFormHost.h"

namespace tagmora {

inline constexpr int kStatusPanel0Width = 220;
inline constexpr int kStatusPanel1Width = 110;  // at least; it takes the rest of the bar
inline constexpr int kStatusBarHeight = 21;
inline constexpr int kBriefStatusMilliseconds = 4000;

// Draws the progress bar and its text over the whole status bar; transparent elsewhere and when
// no progress is shown.
class ProgressOverlay : public QWidget {
    Q_OBJECT

public:
    explicit ProgressOverlay(QWidget* parent, const QLabel& panel0);
    void Show(const QString& text, double percent);
    void Clear();
    bool Active() const { return active_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QLabel& panel0_;
    QString text_;
    double percent_ = 0;
    bool active_ = false;
};

class MainStatusBar : public QStatusBar, public StatusReporter {
    Q_OBJECT

public:
    // `briefMilliseconds`: how long ShowStatusBriefly's text stays before the total comes back.
    explicit MainStatusBar(QWidget* parent, int briefMilliseconds = kBriefStatusMilliseconds);

    // Where ShowTotal takes the number of rows from.
    void SetRowCounter(std::function<int()> rowCount) { rowCount_ = std::move(rowCount); }

    void ShowStatus(const std::string& text) override;
    void ShowStatusBriefly(const std::string& text) override;
    void ShowTotal() override;
    // Processes pending events, then draws. Drawing 100,000 times in a list pass would cost
    // seconds, so a drawing is skipped when the last one is less than 30 ms old and the bar is
    // not full; the state is kept and the next drawing shows it.
    void ShowProgress(const std::string& text, double percent) override;
    void ShowFolderPanel(const std::string& text) override;

    QString PanelText(int panel) const;
    QTimer& EndProgressTimer() { return endProgressTimer_; }
    ProgressOverlay& Overlay() { return *overlay_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* panels_[2];
    ProgressOverlay* overlay_;
    QTimer endProgressTimer_;
    std::function<int()> rowCount_;
    std::chrono::steady_clock::time_point lastProgressPaint_{};
    EventPacer events_;
};

}  // namespace tagmora
