#pragma once
// Shared pieces of the main window's benchmarks: an offscreen application,
// silent boxes, and a view that only counts.
#include "common/Dialogs.h"
#include "task/MainView.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

namespace quelvar::bench {

class SilentDialogs : public Dialogs {
public:
    void information(const QString&) override {}
    void error(const QString&) override {}
    bool confirm(const QString&) override { return true; }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

class CountingView : public MainView {
public:
    explicit CountingView(QSize size) : size_(size) {}
    void setStatus(const QString&, QRgb) override {}
    void setElapsedTimeText(std::string_view) override {}
    void setRunNumberText(std::string_view) override {}
    void setDataFileText(const QString&) override {}
    QSize layOutForStart() override { return size_; }
    void showTargetDisplay(const QImage& bitmap) override { benchmark::DoNotOptimize(bitmap.constBits()); }

private:
    QSize size_;
};

}  // namespace quelvar::bench

// A main that brings up Qt on the offscreen platform before the benchmarks.
#define QUELVAR_BENCHMARK_MAIN()                                                   \
    int main(int argc, char** argv)                                                \
    {                                                                              \
        if (qgetenv("QT_QPA_PLATFORM").isEmpty())                                  \
            qputenv("QT_QPA_PLATFORM", "offscreen");                               \
        QApplication app(argc, argv);                                              \
        ::benchmark::Initialize(&argc, argv);                                      \
        ::benchmark::RunSpecifiedBenchmarks();                                     \
        ::benchmark::Shutdown();                                                   \
        return 0;                                                                  \
    }
