// The picture of a knot's signature function t ↦ σ(e^{2πit}), t in [0, 1]: its steps, a mark with
// the value at each jump, and the bound on the algebraic unknotting number it gives, drawn with
// the painter from the step model of invariants/signature_function.h; saved as PNG or SVG.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "arith/int_matrix.h"
#include "invariants/signature_function.h"

class QPainter;
class QPushButton;

namespace corvane {

// The plot alone.
class SignaturePlot : public QWidget {
    Q_OBJECT

  public:
    explicit SignaturePlot(QWidget* parent = nullptr);

    // Shows the signature function of the n × n Seifert matrix v of the knot `name`.
    void ShowKnot(const QString& name, const IntMatrix& v, int n);
    // Shows nothing.
    void Clear();

    const QString& KnotName() const { return name_; }
    // The model drawn: nullopt with no knot, or when the function could not be determined.
    const std::optional<SignatureFunction>& Function() const { return function_; }

    // Draws the picture into `area` of any paint device.
    void Paint(QPainter& painter, const QRect& area) const;
    // Writes the picture as a PNG or SVG file of the plot's size; false when it cannot be written.
    bool SavePng(const QString& path) const;
    bool SaveSvg(const QString& path) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString name_;
    std::optional<SignatureFunction> function_;
};

// The plot with its two buttons, "Save PNG…" and "Save SVG…".
class SignaturePanel : public QWidget {
    Q_OBJECT

  public:
    explicit SignaturePanel(QWidget* parent = nullptr);
    SignaturePlot& Plot() const { return *plot_; }

  private:
    void Save(bool svg);

    SignaturePlot* plot_ = nullptr;
};

}  // namespace corvane
