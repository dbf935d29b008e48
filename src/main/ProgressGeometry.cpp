#include "main/ProgressGeometry.h"

#include <algorithm>
#include <cmath>

namespace tagmora {

ProgressBarEdges ComputeProgressBar(int panelWidth, int barWidth, int barHeight, double percent) {
    ProgressBarEdges edges{};
    edges.Left = panelWidth + 3;
    edges.Top = 3;
    edges.Bottom = barHeight - 1;
    edges.TextX = panelWidth + 7;
    edges.TextY = 5;
    const double length = std::trunc(static_cast<double>(barWidth - edges.Left) / 100.0 * percent);
    const double right = std::clamp(edges.Left + length, static_cast<double>(edges.Left),
                                    static_cast<double>(std::max(barWidth, edges.Left)));
    edges.Right = static_cast<int>(right);
    return edges;
}

}  // namespace tagmora
