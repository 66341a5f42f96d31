#include "analysis/AnalysisGraphs.h"

namespace quelvar {

AnalysisGraphs::AnalysisGraphs(SharedState& state) : state_(state) {}

void AnalysisGraphs::setRunGraphSize(int width, int height)
{
    runGraph_ = QImage(width, height, QImage::Format_RGB32);
    runGraph_.fill(0xFFFFFFFFu);
}

void AnalysisGraphs::setModelGraphSize(int width, int height)
{
    if (modelGraph_.width() == width && modelGraph_.height() == height)
        return;
    modelGraph_ = QImage(width, height, QImage::Format_RGB32);
    modelGraph_.fill(0xFFFFFFFFu);
}

void AnalysisGraphs::DrawRunGraph()
{
    if (presenter_)
        presenter_->showRunGraph(runGraph_);
    state_.experiment.State = AnalysisLive;
}

void AnalysisGraphs::DrawModelGraph(double)
{
    if (presenter_)
        presenter_->showModelGraph(modelGraph_);
}

void AnalysisGraphs::DrawTrace(QRgb, const double*, QImage&, double) {}

}  // namespace quelvar
