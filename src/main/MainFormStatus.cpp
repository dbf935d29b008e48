#include "main/MainFormStatus.h"

#include <QPainter>
#include <QResizeEvent>

#include "main/ProgressGeometry.h"

namespace tagmora {

ProgressOverlay::ProgressOverlay(QWidget* parent, const QLabel& panel0) : QWidget(parent), panel0_(panel0) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("ProgressOverlay"));
}

void ProgressOverlay::Show(const QString& text, double percent) {
    text_ = text;
    percent_ = percent;
    active_ = true;
}

void ProgressOverlay::Clear() { active_ = false; }

void ProgressOverlay::paintEvent(QPaintEvent*) {
    if (!active_) return;
    const ProgressBarEdges e = ComputeProgressBar(panel0_.width(), width(), height(), percent_);
    QPainter painter(this);
    painter.setFont(font());
    const QRect textBox(e.TextX, e.TextY, std::max(0, width() - e.TextX), std::max(0, height() - e.TextY));
    const auto drawPart = [&](const QRect& part, QPalette::ColorRole fill, QPalette::ColorRole ink) {
        if (part.isEmpty()) return;
        painter.save();
        painter.setClipRect(part);
        painter.fillRect(part, palette().color(QPalette::Active, fill));
        painter.setPen(palette().color(QPalette::Active, ink));
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_);
        painter.restore();
    };
    // The bar in the active-caption colours, the rest in the button-face colours: the text
    // changes colour where the bar ends.
    drawPart(QRect(QPoint(e.Left, e.Top), QPoint(e.Right - 1, e.Bottom - 1)), QPalette::Highlight,
             QPalette::HighlightedText);
    drawPart(QRect(QPoint(e.Right, e.Top), QPoint(width() - 1, e.Bottom - 1)), QPalette::Button, QPalette::ButtonText);
}

MainStatusBar::MainStatusBar(QWidget* parent, int briefMilliseconds) : QStatusBar(parent) {
    setObjectName(QStringLiteral("Status"));
    setSizeGripEnabled(false);
    setFixedHeight(kStatusBarHeight);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setTextFormat(Qt::PlainText);
    }
    panels_[0]->setFixedWidth(kStatusPanel0Width);
    addWidget(panels_[0]);
    // The last panel reaches the bar's right edge, so that the folder being entered shows whole
    // as far as the window is wide; a long text must not widen the window.
    panels_[1]->setMinimumWidth(kStatusPanel1Width);
    panels_[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(panels_[1], 1);
    overlay_ = new ProgressOverlay(this, *panels_[0]);
    overlay_->setGeometry(rect());
    overlay_->raise();

    endProgressTimer_.setObjectName(QStringLiteral("EndProgressTimer"));
    endProgressTimer_.setSingleShot(true);
    endProgressTimer_.setInterval(briefMilliseconds);
    connect(&endProgressTimer_, &QTimer::timeout, this, [this] { ShowTotal(); });
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    overlay_->setGeometry(rect());
}

void MainStatusBar::ShowStatus(const std::string& text) {
    panels_[0]->setText(QString::fromUtf8(text));
    panels_[1]->clear();
    overlay_->Clear();
    // At once: long loops do not return to the event loop.
    repaint();
}

void MainStatusBar::ShowStatusBriefly(const std::string& text) {
    ShowStatus(text);
    if (!endProgressTimer_.isActive()) endProgressTimer_.start();
}

void MainStatusBar::ShowTotal() {
    const int rows = rowCount_ ? rowCount_() : 0;
    ShowStatus(kStatusTotal + std::to_string(rows));
}

void MainStatusBar::ShowProgress(const std::string& text, double percent) {
    events_.ProcessEvents();
    overlay_->Show(QString::fromUtf8(text), percent);
    const auto now = std::chrono::steady_clock::now();
    if (percent < 100 && now - lastProgressPaint_ < std::chrono::milliseconds(30)) return;
    lastProgressPaint_ = now;
    overlay_->raise();
    overlay_->repaint();
}

void MainStatusBar::ShowFolderPanel(const std::string& text) {
    // The scan processes events right after entering the folder; no immediate repaint is needed.
    panels_[1]->setText(QString::fromUtf8(text));
}

QString MainStatusBar::PanelText(int panel) const { return panels_[panel == 0 ? 0 : 1]->text(); }

}  // namespace tagmora
