#include "shell/signature_plot.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr int kMarginLeft = 44;
constexpr int kMarginRight = 20;
constexpr int kMarginTop = 40;
constexpr int kMarginBottom = 32;
constexpr qreal kMarkRadius = 3.5;

// "-1", "-1.5": a root value is a whole or a half.
QString ValueText(long double value) {
    return QString::number(static_cast<double>(value), 'g', 6);
}

}  // namespace

SignaturePlot::SignaturePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("signaturePlot"));
    setMinimumSize(360, 220);
}

void SignaturePlot::ShowKnot(const QString& name, const IntMatrix& v, int n) {
    name_ = name;
    function_ = SignatureFunctionOf(v, n);
    update();
}

void SignaturePlot::Clear() {
    name_.clear();
    function_.reset();
    update();
}

void SignaturePlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Paint(painter, rect());
}

void SignaturePlot::Paint(QPainter& painter, const QRect& area) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    const QString title = name_.isEmpty() ? QStringLiteral("Signature function")
                                          : QStringLiteral("σ(e^{2πit}) of ") + name_;
    painter.drawText(area.left() + kMarginLeft, area.top() + metrics.ascent() + 4, title);
    if (!function_) {
        if (!name_.isEmpty()) {
            painter.drawText(area, Qt::AlignCenter,
                             QStringLiteral("The signature function could not be determined."));
        }
        painter.restore();
        return;
    }
    const SignatureFunction& f = *function_;
    const QString bound = QString::fromStdString(SignatureFunctionBoundText(f));
    painter.drawText(area.right() - kMarginRight - metrics.horizontalAdvance(bound),
                     area.top() + metrics.ascent() + 4, bound);

    const auto [low, high] = std::minmax_element(f.stepValues.begin(), f.stepValues.end());
    const int top = std::max(*high, 0) + 1;
    const int bottom = std::min(*low, 0) - 1;
    const QRectF frame(area.left() + kMarginLeft, area.top() + kMarginTop,
                       area.width() - kMarginLeft - kMarginRight,
                       area.height() - kMarginTop - kMarginBottom);
    const auto x = [&](long double t) {
        return frame.left() + static_cast<qreal>(t) * frame.width();
    };
    const auto y = [&](long double s) {
        return frame.top() + (top - static_cast<qreal>(s)) / (top - bottom) * frame.height();
    };

    // Axes: t from 0 to 1 in quarters, σ at every even value.
    painter.setPen(QPen(Qt::gray, 0.5));
    painter.drawRect(frame);
    for (int q = 0; q <= 4; ++q) {
        const qreal at = x(q / 4.0L);
        const QString label = QString::number(q / 4.0);
        painter.drawText(
            QPointF(at - metrics.horizontalAdvance(label) / 2.0, frame.bottom() + metrics.height()),
            label);
    }
    for (int s = bottom; s <= top; ++s) {
        if (s % 2 != 0) continue;
        painter.setPen(QPen(s == 0 ? Qt::darkGray : Qt::lightGray, 0.5));
        painter.drawLine(QPointF(frame.left(), y(s)), QPointF(frame.right(), y(s)));
        const QString label = QString::number(s);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(frame.left() - 6 - metrics.horizontalAdvance(label),
                                 y(s) + metrics.ascent() / 2.0),
                         label);
    }
    painter.drawText(QPointF(frame.right() + 6, frame.bottom() + metrics.ascent() / 2.0),
                     QStringLiteral("t"));

    // The steps, with dotted rises at the jumps.
    painter.setPen(QPen(Qt::darkBlue, 2));
    long double left = 0.0L;
    for (std::size_t k = 0; k < f.stepValues.size(); ++k) {
        const long double right = k < f.jumps.size() ? f.jumps[k] : 1.0L;
        painter.drawLine(QPointF(x(left), y(f.stepValues[k])),
                         QPointF(x(right), y(f.stepValues[k])));
        left = right;
    }
    for (std::size_t k = 0; k < f.jumps.size(); ++k) {
        painter.setPen(QPen(Qt::darkBlue, 1, Qt::DotLine));
        painter.drawLine(QPointF(x(f.jumps[k]), y(f.stepValues[k])),
                         QPointF(x(f.jumps[k]), y(f.stepValues[k + 1])));
        const QPointF mark(x(f.jumps[k]), y(f.rootValues[k]));
        painter.setPen(Qt::darkRed);
        painter.setBrush(Qt::darkRed);
        painter.drawEllipse(mark, kMarkRadius, kMarkRadius);
        painter.setBrush(Qt::NoBrush);
        painter.drawText(mark + QPointF(kMarkRadius + 2, -kMarkRadius - 2),
                         ValueText(f.rootValues[k]));
    }
    // z = 1: the form vanishes there.
    painter.setPen(Qt::darkRed);
    painter.setBrush(Qt::darkRed);
    for (const long double t : {0.0L, 1.0L})
        painter.drawEllipse(QPointF(x(t), y(0)), kMarkRadius, kMarkRadius);
    painter.restore();
}

bool SignaturePlot::SavePng(const QString& path) const {
    QImage image(size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2.0);
    QPainter painter(&image);
    Paint(painter, rect());
    painter.end();
    return image.save(path, "PNG");
}

bool SignaturePlot::SaveSvg(const QString& path) const {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size());
    svg.setViewBox(rect());
    svg.setTitle(QStringLiteral("Signature function of ") + name_);
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    Paint(painter, rect());
    return painter.end();
}

SignaturePanel::SignaturePanel(QWidget* parent) : QWidget(parent) {
    plot_ = new SignaturePlot(this);
    auto* png = new QPushButton(QStringLiteral("Save PNG…"), this);
    png->setObjectName(QStringLiteral("savePngButton"));
    auto* svg = new QPushButton(QStringLiteral("Save SVG…"), this);
    svg->setObjectName(QStringLiteral("saveSvgButton"));
    connect(png, &QPushButton::clicked, this, [this] { Save(false); });
    connect(svg, &QPushButton::clicked, this, [this] { Save(true); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(png);
    buttons->addWidget(svg);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_, 1);
    layout->addLayout(buttons);
}

void SignaturePanel::Save(bool svg) {
    const QString filter =
        svg ? QStringLiteral("SVG pictures (*.svg)") : QStringLiteral("PNG pictures (*.png)");
    const QString suggested =
        (plot_->KnotName().isEmpty() ? QStringLiteral("signature") : plot_->KnotName()) +
        (svg ? QStringLiteral(".svg") : QStringLiteral(".png"));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save the picture"), suggested, filter);
    if (path.isEmpty()) return;
    if (svg) {
        plot_->SaveSvg(path);
    } else {
        plot_->SavePng(path);
    }
}

}  // namespace corvane
