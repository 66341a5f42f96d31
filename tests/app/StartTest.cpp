// How quelvar starts: its command line, the desktop menu's work folder, and
// the real program answering --version and --help without a display.
#include "app/CommandLine.h"
#include "app/WindowSystem.h"
#include "app/WorkFolder.h"
#include "common/Version.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace quelvar::test {
namespace {

using Action = StartOptions::Action;

TEST(StartArguments, OnlyVersionHelpAndDesktopMeanAnythingToTheProgram)
{
    const std::tuple<QStringList, Action, bool> cases[] = {
        {{}, Action::Run, false},
        {{"--desktop"}, Action::Run, true},
        {{"--version"}, Action::PrintVersion, false},
        {{"-h", "--desktop"}, Action::PrintHelp, true},
        {{"--version", "--help"}, Action::PrintHelp, false},
        {{"-display", ":1", "run.txt", "--verbose"}, Action::Run, false},
        {{"--", "--desktop"}, Action::Run, false},
    };
    for (const auto& [arguments, action, desktop] : cases) {
        const StartOptions options = parseStartArguments(arguments);
        EXPECT_EQ(options.action, action) << arguments.join(' ').toStdString();
        EXPECT_EQ(options.desktop, desktop) << arguments.join(' ').toStdString();
    }
}

TEST(StartPlatform, X11IsTriedBeforeWaylandUnlessTheUserChoseAPlatformOrThereIsNoXServer)
{
    // QT_QPA_PLATFORM as the user set it, whether an X server is there, and the platforms asked for.
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"", true, "xcb;wayland"},         {"  ", true, "xcb;wayland"},
        {"", false, "wayland;xcb"},        {"wayland", true, "wayland"},
        {"offscreen", false, "offscreen"}, {"wayland;xcb", true, "wayland;xcb"},
    };
    for (const auto& [chosen, x11Display, requested] : cases)
        EXPECT_EQ(platformRequest(chosen, x11Display), QByteArray(requested))
            << chosen << " " << x11Display;
}

TEST(WorkFolder, IsMadeWhenMissingUnlessAFileIsInTheWay)
{
    const QString saved = QDir::currentPath();
    TempFolder home;
    QString problem;
    for (int start = 0; start < 2; ++start) {  // made, then found
        ASSERT_TRUE(enterWorkFolder(desktopWorkFolder(home.path("user")), &problem)) << problem.toStdString();
        EXPECT_EQ(QDir::currentPath(), QFileInfo(home.path("user/Quelvar")).canonicalFilePath());
    }
    QDir::setCurrent(saved);
    writeAll(home.path("Quelvar"), "notes");
    EXPECT_FALSE(enterWorkFolder(desktopWorkFolder(home.root()), &problem));
    EXPECT_TRUE(problem.contains("is a file")) << problem.toStdString();
    EXPECT_EQ(QDir::currentPath(), saved);
    EXPECT_EQ(readAll(home.path("Quelvar")), "notes");
}

// The real program with `home` as its home and current folder; offscreen
// when `display`, otherwise with no display at all.
std::unique_ptr<QProcess> startQuelvar(const QString& argument, const QString& home, bool display)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", display ? "offscreen" : "");
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(home);
    process->start(QStringLiteral(QUELVAR_BINARY), {argument});
    return process;
}

TEST(QuelvarProgram, AnswersVersionAndHelpWithoutADisplayAndFromTheMenuKeepsDistableInHomeQuelvar)
{
    TempFolder home;
    auto p = startQuelvar("--version", home.root(), false);
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->readAllStandardOutput(), QByteArray("quelvar ") + kProgramVersion + "\n");
    p = startQuelvar("--help", home.root(), false);
    ASSERT_TRUE(p->waitForFinished(20000));
    const QString help = QString::fromLocal8Bit(p->readAllStandardOutput());
    EXPECT_TRUE(help.contains("\"Distable\"") && help.contains(desktopWorkFolder(home.root())));

    p = startQuelvar("--desktop", home.root(), true);
    const QString distable = home.path("Quelvar/Distable");
    (void)QTest::qWaitFor([&] { return QFileInfo(distable).size() >= 1440000; }, 20000);
    EXPECT_EQ(QFileInfo(distable).size(), 1440000);
    EXPECT_FALSE(QFileInfo::exists(home.path("Distable"))) << "not in the folder it was started in";
    p->kill();
    p->waitForFinished(10000);
}

}  // namespace
}  // namespace quelvar::test
