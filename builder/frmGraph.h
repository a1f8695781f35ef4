// The step graph window: the selected makefile's program drawn as its steps
// and every way out of each, as pxc graph draws it. A click on a step opens
// its file in the user's editor, at the step's line where the editor takes
// one. The drawing itself is graph_drawing's; this window only shows it.
#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "graph_drawing.h"
#include "services.h"

class QLabel;
class QLineEdit;
class QSvgRenderer;

// The SVG at its own size; says which step was clicked.
class GraphView : public QWidget {
    Q_OBJECT
public:
    explicit GraphView(QWidget* parent = nullptr);
    // Shows `svg`, in which the box of each of `steps` is the element
    // "step<n>"; false when it cannot be read.
    bool load(const QByteArray& svg, std::vector<uint32_t> steps);
    void clear();
    // Where the step's box stands in the view; empty when it is not drawn.
    QRectF stepRect(uint32_t step) const;
    QSize sizeHint() const override;

signals:
    void stepClicked(uint32_t step);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSvgRenderer* renderer_ = nullptr;
    std::vector<uint32_t> steps_;
};

class frmGraph : public QWidget {
    Q_OBJECT
public:
    explicit frmGraph(const pxbuilder::Services& services, QWidget* parent = nullptr);

    // Draws the program of `makefile` (a full path) and brings the window up.
    void showGraph(const QString& makefile);
    QString makefile() const;
    QString status() const;
    GraphView* view() const { return graphView_; }
    const std::vector<pxbuilder::StepPlace>& steps() const { return steps_; }

private:
    void openStep(uint32_t step);

    pxbuilder::Services services_;
    QLineEdit* graphMakefile_ = nullptr;
    GraphView* graphView_ = nullptr;
    QLabel* graphStatus_ = nullptr;
    std::vector<pxbuilder::StepPlace> steps_;
};
