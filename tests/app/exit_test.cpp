// Exit pressed during each kind of browse ends the process with status 0, before a library
// call that never returns would, and no thread is counted when the static teardown begins
// (the helper checks at exit).
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

struct ExitCase {
    const char* display;
    int delayMs;  // each request's time; 60 s stands for a library call that never returns
};

constexpr int kNeverReturnsMs = 60000;

TEST(ExitDuringBrowse, EndsBeforeABlockedCallWithStatusZeroAndNoThreadAtTeardown)
{
    const ExitCase cases[] = {{"USERS", 300},
                              {"GROUPS", 300},
                              {"NETWORK", 300},
                              {"SERVERS", 300},
                              {"USERS", kNeverReturnsMs},
                              {"NETWORK", kNeverReturnsMs},
                              {"SERVERS", kNeverReturnsMs}};
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(std::string(c.display) + " " + std::to_string(c.delayMs) + " ms");
        QTemporaryDir config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess helper;
        helper.setProcessEnvironment(env);
        helper.start(EXIT_HELPER, {c.display, QString::number(c.delayMs), APP_TEST_DATADIR "/sample-domain.json"});
        // Half the blocked call's time: a helper still running then waits for that call.
        ASSERT_TRUE(helper.waitForFinished(kNeverReturnsMs / 2)) << "Exit waited for the browse's call";

        const QByteArray out = helper.readAllStandardOutput();
        ASSERT_TRUE(out.startsWith("exit ")) << out.toStdString() << helper.readAllStandardError().toStdString();
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    }
}

}  // namespace
