// Where the status bar's progress drawing goes: the edges of the bar and of its text, computed
// from the width of the first panel and the size of the status bar.
#pragma once

namespace tagmora {

struct ProgressBarEdges {
    int Left;    // the bar starts at the first panel's width + 3
    int Right;   // where the bar ends and the button-face rest begins
    int Top;     // 3
    int Bottom;  // the status bar's height - 1
    int TextX;   // the first panel's width + 7
    int TextY;   // 5: the top of the text
};

// Right = Left + the whole-number part of (barWidth - Left) / 100 * percent, kept between
// Left and barWidth. With a 220-pixel panel and a 623-pixel bar, 50 % ends at 423.
ProgressBarEdges ComputeProgressBar(int panelWidth, int barWidth, int barHeight, double percent);

}  // namespace tagmora
