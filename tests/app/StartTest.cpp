// How quelvar starts: its command line, the desktop menu's work folder, and
// the real program answering --version and --help without a display.
#include "app/CommandLine.h"
#include "app/WorkFolder.h"
#include "common/Version.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace quelvar::test {
namespace {

using Action = StartOptions::Action;

TEST(StartArguments, OnlyVersionHelpAndDesktopMeanAnythingToTheProgram)
{
    const struct {
        QStringList arguments;
        Action action;
        bool desktop;
    } cases[] = {
        {{}, Action::Run, false},
        {{"--desktop"}, Action::Run, true},
        {{"--version"}, Action::PrintVersion, false},
        {{"--help"}, Action::PrintHelp, false},
        {{"-h", "--desktop"}, Action::PrintHelp, true},
        {{"--version", "--help"}, Action::PrintHelp, false},
        {{"--help", "--version"}, Action::PrintHelp, false},
        {{"-display", ":1", "run.txt", "--verbose"}, Action::Run, false},
        {{"--", "--desktop"}, Action::Run, false},
    };
    for (const auto& c : cases) {
        const StartOptions options = parseStartArguments(c.arguments);
        EXPECT_EQ(options.action, c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(options.desktop, c.desktop) << c.arguments.join(' ').toStdString();
    }
}

// Puts the current folder back, whatever a test does to it.
struct KeepCurrentFolder {
    QString saved = QDir::currentPath();
    ~KeepCurrentFolder() { QDir::setCurrent(saved); }
};

TEST(WorkFolder, IsMadeWhenMissingAndBecomesTheCurrentFolder)
{
    KeepCurrentFolder keep;
    TempFolder home;
    const QString folder = desktopWorkFolder(home.path("user"));
    EXPECT_EQ(QFileInfo(folder).fileName(), "Quelvar");
    QString problem;
    for (int start = 0; start < 2; ++start) {  // made, then found
        ASSERT_TRUE(enterWorkFolder(folder, &problem)) << problem.toStdString();
        EXPECT_EQ(QDir::currentPath(), QFileInfo(folder).canonicalFilePath());
    }
}

TEST(WorkFolder, AFileInTheWayIsReportedAndTheCurrentFolderStays)
{
    KeepCurrentFolder keep;
    TempFolder home;
    writeAll(home.path("Quelvar"), "notes");
    QString problem;
    EXPECT_FALSE(enterWorkFolder(desktopWorkFolder(home.root()), &problem));
    EXPECT_TRUE(problem.contains("is a file")) << problem.toStdString();
    EXPECT_EQ(QDir::currentPath(), keep.saved);
    EXPECT_EQ(readAll(home.path("Quelvar")), "notes");
}

QProcess* startQuelvar(const QStringList& arguments, const QString& home, bool display)
{
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    else
        env.remove("QT_QPA_PLATFORM");
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(home);
    process->start(QStringLiteral(QUELVAR_BINARY), arguments);
    return process;
}

TEST(QuelvarProgram, PrintsItsVersionAndHelpWithoutADisplay)
{
    TempFolder home;
    std::unique_ptr<QProcess> p(startQuelvar({"--version"}, home.root(), false));
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_EQ(p->readAllStandardOutput(), QByteArray("quelvar ") + kProgramVersion + "\n");

    p.reset(startQuelvar({"--help"}, home.root(), false));
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitCode(), 0);
    const QString help = QString::fromLocal8Bit(p->readAllStandardOutput());
    EXPECT_TRUE(help.contains("\"Distable\"") && help.contains(desktopWorkFolder(home.root())))
        << help.toStdString();
    EXPECT_TRUE(QDir(home.root()).isEmpty()) << "--help makes no folder";
}

TEST(QuelvarProgram, StartedFromTheDesktopMenuKeepsDistableInTheHomeQuelvarFolder)
{
    TempFolder home;
    std::unique_ptr<QProcess> p(startQuelvar({"--desktop"}, home.root(), true));
    const QString distable = home.path("Quelvar/Distable");
    for (int i = 0; i < 400 && QFileInfo(distable).size() < 1440000; ++i)
        QThread::msleep(50);
    EXPECT_EQ(QFileInfo(distable).size(), 1440000);
    EXPECT_FALSE(QFileInfo::exists(home.path("Distable"))) << "not in the folder it was started in";
    p->kill();
    p->waitForFinished(10000);
}

}  // namespace
}  // namespace quelvar::test
