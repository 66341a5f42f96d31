// The program's windows on a real X server under a window manager (openbox on
// Xvfb), as the X server and the window manager see them (xwininfo, xprop).
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
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

struct XWindow {
    QRect client;         // on the screen
    QMargins frame;       // _NET_FRAME_EXTENTS, what the window manager adds around it
    bool framed = false;  // the window manager has framed it
    QString properties;   // xprop's lines: _NET_WM_STATE, WM_TRANSIENT_FOR

    QRect outer() const { return client.marginsAdded(frame); }
    std::string outerText() const
    {
        const QRect r = outer();
        return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()).toStdString();
    }
};

QString hex(const QWidget& w) { return QStringLiteral("0x%1").arg(quint64(w.winId()), 0, 16); }

XWindow inspect(const QWidget& window)
{
    const auto run = [&](const QString& program, QStringList arguments) {
        QProcess p;
        p.start(program, QStringList{"-id", hex(window)} + arguments);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    };
    const QString info = run("xwininfo", {});
    const auto number = [&](const char* name) {
        return QRegularExpression(QString::fromLatin1(name) + ":\\s+(-?\\d+)").match(info).captured(1).toInt();
    };
    XWindow w;
    w.client = QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                     number("Height"));
    w.properties = run("xprop", {"_NET_FRAME_EXTENTS", "_NET_WM_STATE", "WM_TRANSIENT_FOR"});
    const QRegularExpressionMatch m =
        QRegularExpression("_NET_FRAME_EXTENTS\\(CARDINAL\\) = (\\d+), (\\d+), (\\d+), (\\d+)").match(w.properties);
    w.framed = m.hasMatch();
    w.frame = QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(), m.captured(4).toInt());
    return w;
}

struct Desktop : ::testing::Test {
    TempFolder folder;
    Program program{folder.path("Distable")};
    TMainForm& main = program.mainWindow();

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        main.show();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return program.state().experiment.State != StartupLayout; }, 10000))
            << "the first pass never ran";
    }

    // Presses `button` and hands the modal window it opens to `check` once
    // `ready` holds for it (or after five seconds), then closes it.
    void whileOpen(QPushButton* button, QDialog& dialog, const std::function<bool(const XWindow&)>& ready,
                   const std::function<void(const XWindow&)>& check)
    {
        bool checked = false;
        QElapsedTimer t;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!dialog.windowHandle() || !dialog.windowHandle()->isExposed())
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
        poll.start(50);
        button->click();
        EXPECT_TRUE(checked) << dialog.windowTitle().toStdString() << " did not open";
    }
};

TEST_F(Desktop, TheMainWindowIsLaidOutForItsMaximisedClientAreaAndTheOthersOpenModallyOverIt)
{
    const XWindow x = inspect(main);
    ASSERT_TRUE(x.framed && x.properties.contains("_NET_WM_STATE_MAXIMIZED_VERT")) << x.properties.toStdString();
    const QRect display(main.TargetPaint->mapTo(&main, QPoint(0, 0)), main.TargetPaint->size());
    std::printf("client area %dx%d; MainPanel %d high; TargetBox %d; target display rows %d-%d\n",
                x.client.width(), x.client.height(), main.MainPanel->height(), main.TargetBox->height(),
                display.top(), display.bottom());

    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(x.outer()))
        << "the window, frame included, reaches past the work area: " << x.outerText();
    const int ninetyFivePercent = int(roundHalfEven(0.95 * x.client.height()));
    EXPECT_EQ(QList<int>({main.MainPanel->geometry().top(), main.MainPanel->height(),
                          main.TargetBox->height(), main.ControlPanel->height()}),
              QList<int>({0, x.client.height(), ninetyFivePercent, ninetyFivePercent}));
    EXPECT_TRUE(QRect(QPoint(0, 0), x.client.size()).contains(display)) << "the display leaves the window";
    EXPECT_EQ(main.controller().recording().bitmap().size(), display.size());

    // The other windows open modally over it; the instructions have their outer size.
    const QString transientForMain = "WM_TRANSIENT_FOR(WINDOW): window id # " + hex(main);
    const auto framed = [](const XWindow& x) { return x.framed; };
    const auto modalOverMain = [&](const XWindow& x) {
        EXPECT_TRUE(x.properties.contains(transientForMain) && x.properties.contains("_NET_WM_STATE_MODAL"))
            << x.properties.toStdString();
    };

    whileOpen(main.AnalyzeBtn, program.analysisWindow(), framed, [&](const XWindow& x) {
        modalOverMain(x);
        EXPECT_TRUE(x.properties.contains("_NET_WM_STATE_ABOVE")) << "the analysis window stays on top";
    });
    whileOpen(main.AboutBtn, program.aboutWindow(), framed, modalOverMain);

    const QRect placement = instructionsPlacement(QGuiApplication::primaryScreen()->availableGeometry());
    whileOpen(
        main.InstructionBtn, program.instructionsWindow(),
        [&](const XWindow& x) { return x.framed && x.outer() == placement; },
        [&](const XWindow& x) {
            modalOverMain(x);
            EXPECT_EQ(x.outer(), placement)
                << "outer size and place, frame included: " << x.outerText();
        });
}

}  // namespace
}  // namespace quelvar::test
