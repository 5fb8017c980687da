// The built program as a child process, on the offscreen platform in the
// test's own per-user home: one instance at a time, however they are
// started, and the crash log a killed run leaves for the next one. The
// children say when their window shows and close it when their standard
// input ends ($SONGSMITH_TEST_CONTROL); the tests wait on those signals.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/app/single_instance.h"
#include "songsmith/app/startup_log.h"

namespace {

namespace fs = std::filesystem;

// How long a child may take to show its window or to end under the
// sanitizers on a loaded machine; a deadline, not a pause.
constexpr int kDeadlineMs = 120000;

class ProgramProcessTest : public ProgramFixture {
protected:
    // Starts the program; control: "stdin" or "close". Without a display
    // the program can only end before it needs one.
    std::unique_ptr<QProcess> Start(const char* control, bool display = true, const QStringList& arguments = {}) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SONGSMITH_HOME", QString::fromStdString(home_.Path()));
        if (display) {
            environment.insert("QT_QPA_PLATFORM", "offscreen");
        } else {
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
        }
        environment.insert("SONGSMITH_TEST_CONTROL", control);
        child->setProcessEnvironment(environment);
        child->setProcessChannelMode(QProcess::SeparateChannels);
        child->start(SONGSMITH_PROGRAM, arguments);
        EXPECT_TRUE(child->waitForStarted(kDeadlineMs));
        return child;
    }
    // Waits until the child said its window shows; false when it ended or
    // the deadline passed first.
    static bool WaitShown(QProcess& child) {
        while (!child.canReadLine()) {
            if (child.state() != QProcess::Running || !child.waitForReadyRead(kDeadlineMs)) return child.canReadLine();
        }
        return child.readLine() == "shown\n";
    }
    // Ends a child started with "stdin" as a user's close would; its result.
    static int Close(QProcess& child) {
        child.closeWriteChannel();
        EXPECT_TRUE(child.waitForFinished(kDeadlineMs));
        return child.exitCode();
    }
    static void Kill(QProcess& child) {
        child.kill();
        EXPECT_TRUE(child.waitForFinished(kDeadlineMs));
    }
    // Runs a child that closes as soon as it shows; its result.
    int RunAndClose() {
        std::unique_ptr<QProcess> child = Start("close");
        EXPECT_TRUE(child->waitForFinished(kDeadlineMs));
        return child->exitStatus() == QProcess::NormalExit ? child->exitCode() : -1;
    }
    std::string LogText() const { return testsupport::ReadWholeFile(GetUserDataDir() + kLogFileName); }
    std::string CrashText() const { return testsupport::ReadWholeFile(GetUserDataDir() + kCrashLogFileName); }
};

TEST_F(ProgramProcessTest, ASecondStartWhileTheProgramRunsEndsAtOnceAndLeavesTheFirstAlone) {
    std::unique_ptr<QProcess> first = Start("stdin");
    ASSERT_TRUE(WaitShown(*first));
    const std::string leftOver = GetUserCacheDir() + kSecondInstanceTempFile;
    testsupport::WriteWholeFile(leftOver, "x");

    std::unique_ptr<QProcess> second = Start("stdin", false);
    ASSERT_TRUE(second->waitForFinished(kDeadlineMs));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty()) << "no window";
    EXPECT_TRUE(second->readAllStandardError().isEmpty()) << "no display needed";
    EXPECT_FALSE(fs::exists(leftOver));

    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(Close(*first), 1);
    EXPECT_FALSE(fs::exists(GetUserDataDir() + kCrashLogFileName));
    EXPECT_EQ(StoredPreferences()->bLogFailed, 0);
}

// "-U" is run by scripts such as an uninstaller, where no display may be.
// It ends as it does with a display, and on a fresh home it makes nothing
// it does not remove: no song library, no preferences.
TEST_F(ProgramProcessTest, TheUninstallCommandNeedsNoDisplayAndMakesNoLibrary) {
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "with a display" : "without a display");
        for (const fs::directory_entry& entry : fs::directory_iterator(home_.Path())) fs::remove_all(entry.path());
        std::unique_ptr<QProcess> child = Start("close", display, {"-U"});
        ASSERT_TRUE(child->waitForFinished(kDeadlineMs));
        const QByteArray errors = child->readAllStandardError();
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit) << errors.toStdString();
        EXPECT_EQ(child->exitCode(), 0) << errors.toStdString();
        EXPECT_TRUE(child->readAllStandardOutput().isEmpty()) << "no window";
        std::vector<std::string> made;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home_.Path())) {
            if (!entry.is_regular_file()) continue;
            const std::string name = entry.path().filename().string();
            // The log is what a script's user reads about the run; the
            // instance lock and the store's hidden lock files hold nothing.
            if (name == kLogFileName || name == kSingleInstanceLockName || name.starts_with(".")) continue;
            made.push_back(fs::relative(entry.path(), home_.Path()).string());
        }
        EXPECT_TRUE(made.empty()) << made.front();
    }
}

TEST_F(ProgramProcessTest, OfTwoStartedTogetherOneRuns) {
    std::unique_ptr<QProcess> children[] = {Start("stdin"), Start("stdin")};
    // Wait until one has ended and the other has shown its window.
    QEventLoop loop;
    int ended = -1;
    int shown = -1;
    for (int i = 0; i < 2; ++i) {
        QProcess* child = children[i].get();
        QObject::connect(child, &QProcess::finished, &loop, [&, i] {
            ended = i;
            if (shown >= 0) loop.quit();
        });
        QObject::connect(child, &QProcess::readyReadStandardOutput, &loop, [&, i, child] {
            if (!child->canReadLine()) return;
            shown = i;
            if (ended >= 0) loop.quit();
        });
    }
    QTimer::singleShot(kDeadlineMs, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_GE(ended, 0);
    ASSERT_GE(shown, 0);
    ASSERT_NE(ended, shown);
    EXPECT_EQ(children[ended]->exitCode(), 1);
    EXPECT_EQ(children[shown]->readLine(), "shown\n");
    EXPECT_EQ(Close(*children[shown]), 1);
}

TEST_F(ProgramProcessTest, AKilledRunsLogBecomesTheCrashLogAndTheNextCrashReplacesIt) {
    std::string killedLogs[2];
    for (std::string& killedLog : killedLogs) {
        std::unique_ptr<QProcess> run = Start("stdin");
        ASSERT_TRUE(WaitShown(*run));
        Kill(*run);
        killedLog = LogText();
        ASSERT_FALSE(killedLog.empty());

        EXPECT_EQ(RunAndClose(), 1);
        const std::string crash = CrashText();
        EXPECT_EQ(crash.rfind(killedLog, 0), 0u) << "the killed run's whole log comes first";
        const std::string note = crash.substr(killedLog.size());
        EXPECT_NE(note.find("Please send this log file"), std::string::npos) << note;
        EXPECT_EQ(note.find("Starting up!"), std::string::npos) << "nothing of an older log follows";
    }
    EXPECT_NE(killedLogs[0], killedLogs[1]);
    EXPECT_EQ(StoredPreferences()->bLogFailed, 0);
}

}  // namespace
