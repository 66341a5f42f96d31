// The program's windows on a real X server under a window manager (openbox on
// Xvfb): geometry and window states as the X server and the window manager
// see them, read with xwininfo and xprop.
#include "app/Instructions.h"
#include "app/Program.h"
#include "common/Rounding.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <functional>

namespace quelvar::test {
namespace {

// One top-level window as the X server and the window manager describe it.
struct XWindow {
    QRect client;         // on the screen
    QMargins frame;       // _NET_FRAME_EXTENTS: what the window manager adds around it
    bool framed = false;  // the window manager has said how it frames the window
    QString states;       // _NET_WM_STATE
    QString transientFor; // WM_TRANSIENT_FOR, as "0x..."

    QRect outer() const { return client.marginsAdded(frame); }
};

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int field(const QString& text, const QString& pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

std::string describe(const QRect& r)
{
    return QStringLiteral("%1x%2 at %3,%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()).toStdString();
}

QString hex(WId id) { return QStringLiteral("0x%1").arg(quint64(id), 0, 16); }

XWindow inspect(const QWidget& window)
{
    const QString id = hex(window.winId());
    XWindow w;
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    w.client = QRect(field(info, QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)")),
                     field(info, QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)")),
                     field(info, QStringLiteral("Width:\\s+(\\d+)")),
                     field(info, QStringLiteral("Height:\\s+(\\d+)")));
    const QString props = run(QStringLiteral("xprop"),
                              {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS"),
                               QStringLiteral("_NET_WM_STATE"), QStringLiteral("WM_TRANSIENT_FOR")});
    const QRegularExpressionMatch extents =
        QRegularExpression(QStringLiteral("_NET_FRAME_EXTENTS\\(CARDINAL\\) = (\\d+), (\\d+), (\\d+), (\\d+)"))
            .match(props);
    if (extents.hasMatch()) {
        w.framed = true;
        w.frame = QMargins(extents.captured(1).toInt(), extents.captured(3).toInt(),
                           extents.captured(2).toInt(), extents.captured(4).toInt());
    }
    w.states = QRegularExpression(QStringLiteral("_NET_WM_STATE\\(ATOM\\) = ([^\\n]*)")).match(props).captured(1);
    w.transientFor = QRegularExpression(QStringLiteral("WM_TRANSIENT_FOR\\(WINDOW\\): window id # (0x[0-9a-f]+)"))
                         .match(props).captured(1);
    return w;
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.hasExpired(ms))
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Desktop : ::testing::Test {
    TempFolder folder;
    Program program{folder.path(QStringLiteral("Distable"))};
    TMainForm& main = program.mainWindow();

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "runs on an X server only";
        main.show();
        ASSERT_TRUE(waitFor([&] { return program.state().experiment.State != StartupLayout; }, 10000))
            << "the first pass never ran";
    }

    // Presses `button`, runs `check` on the modal window it opens once
    // `ready` holds (or after a few seconds), then closes that window.
    void whileOpen(QPushButton* button, QDialog& dialog, const std::function<bool(const XWindow&)>& ready,
                   const std::function<void(const XWindow&)>& check)
    {
        bool checked = false;
        QElapsedTimer t;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!dialog.isVisible() || !dialog.windowHandle() || !dialog.windowHandle()->isExposed())
                return;
            const XWindow x = inspect(dialog);
            if (!ready(x) && !t.hasExpired(5000))
                return;
            poll.stop();
            check(x);
            checked = true;
            dialog.close();
        });
        t.start();
        poll.start();
        button->click();
        EXPECT_TRUE(checked) << dialog.windowTitle().toStdString() << " did not open";
    }
};

TEST_F(Desktop, TheFirstPassLaysTheMainWindowOutForTheClientAreaOfTheMaximisedWindow)
{
    const XWindow x = inspect(main);
    ASSERT_TRUE(x.framed) << "no window manager framed the window";
    ASSERT_TRUE(x.states.contains("_NET_WM_STATE_MAXIMIZED_VERT")) << x.states.toStdString();
    const int clientHeight = x.client.height();
    std::printf("main window: client %dx%d at %d,%d, frame %d,%d,%d,%d; MainPanel %d high at top %d; "
                "TargetBox %d, ControlPanel %d high; target display %dx%d ending at row %d; bitmap %dx%d\n",
                x.client.width(), clientHeight, x.client.x(), x.client.y(), x.frame.left(), x.frame.top(),
                x.frame.right(), x.frame.bottom(), main.MainPanel->height(), main.MainPanel->y(),
                main.TargetBox->height(), main.ControlPanel->height(), main.TargetPaint->width(),
                main.TargetPaint->height(),
                main.TargetPaint->mapTo(&main, QPoint(0, main.TargetPaint->height())).y(),
                main.controller().recording().bitmap().width(),
                main.controller().recording().bitmap().height());

    EXPECT_EQ(main.height(), clientHeight) << "Qt and the X server disagree on the client area";
    EXPECT_EQ(main.MainPanel->y(), 0);
    EXPECT_EQ(main.MainPanel->height(), clientHeight);
    const int ninetyFivePercent = int(roundHalfEven(0.95 * clientHeight));
    EXPECT_EQ(main.TargetBox->height(), ninetyFivePercent);
    EXPECT_EQ(main.ControlPanel->height(), ninetyFivePercent);

    const QRect display(main.TargetPaint->mapTo(&main, QPoint(0, 0)), main.TargetPaint->size());
    EXPECT_TRUE(QRect(0, 0, x.client.width(), clientHeight).contains(display))
        << "the target display leaves the client area";
    EXPECT_EQ(main.controller().recording().bitmap().size(), main.TargetPaint->size());
}

TEST_F(Desktop, WindowsOpenModallyOverTheMainWindowAndTheInstructionsHaveTheirOuterSize)
{
    const QString mainId = hex(main.winId());
    const auto framed = [](const XWindow& x) { return x.framed; };

    whileOpen(main.AnalyzeBtn, program.analysisWindow(), framed, [&](const XWindow& x) {
        EXPECT_EQ(x.transientFor, mainId);
        EXPECT_TRUE(x.states.contains("_NET_WM_STATE_MODAL")) << x.states.toStdString();
        EXPECT_TRUE(x.states.contains("_NET_WM_STATE_ABOVE")) << "the analysis window stays on top";
    });
    whileOpen(main.AboutBtn, program.aboutWindow(), framed, [&](const XWindow& x) {
        EXPECT_EQ(x.transientFor, mainId);
        EXPECT_TRUE(x.states.contains("_NET_WM_STATE_MODAL")) << x.states.toStdString();
        EXPECT_EQ(describe(QRect(QPoint(), x.client.size())), describe(QRect(0, 0, 400, 211)));
    });

    const QRect placement = instructionsPlacement(QGuiApplication::primaryScreen()->availableGeometry());
    whileOpen(
        main.InstructionBtn, program.instructionsWindow(),
        [&](const XWindow& x) { return x.framed && x.outer() == placement; },
        [&](const XWindow& x) {
            std::printf("instructions: client %dx%d, outer %dx%d at %d,%d; placement %dx%d at %d,%d\n",
                        x.client.width(), x.client.height(), x.outer().width(), x.outer().height(),
                        x.outer().x(), x.outer().y(), placement.width(), placement.height(),
                        placement.x(), placement.y());
            ASSERT_TRUE(x.framed);
            EXPECT_EQ(x.transientFor, mainId);
            EXPECT_TRUE(x.states.contains("_NET_WM_STATE_MODAL")) << x.states.toStdString();
            EXPECT_EQ(describe(x.outer()), describe(placement)) << "outer size and place, frame included";
        });
}

}  // namespace
}  // namespace quelvar::test
