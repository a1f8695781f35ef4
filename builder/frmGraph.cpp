#include "frmGraph.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "dialogs.h"
#include "launcher.h"

using namespace pxbuilder;

GraphView::GraphView(QWidget* parent) : QWidget(parent), renderer_(new QSvgRenderer(this)) {
    setObjectName(QStringLiteral("graphView"));
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

bool GraphView::load(const QByteArray& svg, std::vector<uint32_t> steps) {
    steps_ = std::move(steps);
    const bool ok = renderer_->load(svg);
    resize(sizeHint());
    update();
    return ok;
}

void GraphView::clear() {
    steps_.clear();
    renderer_->load(QByteArray());
    resize(sizeHint());
    update();
}

QSize GraphView::sizeHint() const {
    return renderer_->isValid() ? renderer_->defaultSize() : QSize(0, 0);
}

// Element bounds are in the drawing's own units, without the transforms of
// the groups around them; the view shows the drawing's viewBox at its size.
QRectF GraphView::stepRect(uint32_t step) const {
    const QString id = QStringLiteral("step%1").arg(step);
    if (!renderer_->isValid() || !renderer_->elementExists(id))
        return {};
    const QRectF box = renderer_->transformForElement(id).mapRect(renderer_->boundsOnElement(id));
    const QRectF drawn = renderer_->viewBoxF();
    if (drawn.isEmpty())
        return {};
    const qreal x = width() / drawn.width(), y = height() / drawn.height();
    return {(box.x() - drawn.x()) * x, (box.y() - drawn.y()) * y, box.width() * x, box.height() * y};
}

void GraphView::paintEvent(QPaintEvent*) {
    if (!renderer_->isValid())
        return;
    QPainter painter(this);
    renderer_->render(&painter, QRectF(rect()));
}

void GraphView::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !renderer_->isValid())
        return;
    const QPointF at = event->position();
    for (uint32_t step : steps_) {
        if (stepRect(step).contains(at)) {
            emit stepClicked(step);
            return;
        }
    }
}

frmGraph::frmGraph(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("Step Graph"));

    auto* label = new QLabel(QStringLiteral("Makefile:"), this);
    graphMakefile_ = new QLineEdit(this);
    graphMakefile_->setObjectName(QStringLiteral("graphMakefile"));
    graphMakefile_->setReadOnly(true);
    label->setBuddy(graphMakefile_);

    graphView_ = new GraphView;
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("graphScroll"));
    scroll->setBackgroundRole(QPalette::Base);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->setWidget(graphView_);

    graphStatus_ = new QLabel(this);
    graphStatus_->setObjectName(QStringLiteral("graphStatus"));
    graphStatus_->setWordWrap(true);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setObjectName(QStringLiteral("closeGraph"));
    closeButton->setDefault(true);

    auto* file = new QHBoxLayout;
    file->addWidget(label);
    file->addWidget(graphMakefile_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(graphStatus_, 1);
    bottom->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addWidget(scroll, 1);
    layout->addLayout(bottom);
    resize(760, 640);

    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(graphView_, &GraphView::stepClicked, this, &frmGraph::openStep);
}

void frmGraph::showGraph(const QString& makefile) {
    graphMakefile_->setText(makefile);
    const GraphDrawing drawing = drawStepGraph(QFile::encodeName(makefile).toStdString());
    steps_ = drawing.steps;
    if (!drawing.drawn) {
        graphView_->clear();
        graphStatus_->setText(QStringLiteral("Status:  No graph: %1").arg(QString::fromLocal8Bit(drawing.error)));
    } else {
        std::vector<uint32_t> numbers;
        for (const StepPlace& s : steps_)
            numbers.push_back(s.step);
        graphView_->load(QByteArray::fromStdString(drawing.svg), std::move(numbers));
        graphStatus_->setText(drawing.compileErrors == 0
                                  ? QStringLiteral("Status:  Click a step to open its file.")
                                  : QStringLiteral("Status:  %1 compile error(s): the instructions that failed have no "
                                                   "ways out here. Build to see them.")
                                        .arg(drawing.compileErrors));
    }
    show();
    raise();
    activateWindow();
}

QString frmGraph::makefile() const {
    return graphMakefile_->text();
}

QString frmGraph::status() const {
    return graphStatus_->text();
}

void frmGraph::openStep(uint32_t step) {
    for (const StepPlace& s : steps_) {
        if (s.step != step || s.file.empty())
            continue;
        const QString file = QFile::decodeName(QByteArray::fromStdString(s.file));
        if (!services_.launcher->editTextFileAt(file, static_cast<int>(s.line)))
            services_.dialogs->message(this, QStringLiteral("No program opens \"%1\".").arg(file),
                                       QStringLiteral("PXBuilder"));
        return;
    }
}
