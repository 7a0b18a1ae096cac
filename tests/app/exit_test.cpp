// Exit pressed during each kind of browse ends the process within 2 s with status 0, and
// no thread is counted when the static teardown begins (the helper checks at exit).
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

TEST(ExitDuringBrowse, EndsWithinTwoSecondsWithStatusZeroAndNoThreadAtTeardown)
{
    const ExitCase cases[] = {{"USERS", 300},   {"GROUPS", 300},    {"NETWORK", 300},  {"SERVERS", 300},
                              {"USERS", 60000}, {"NETWORK", 60000}, {"SERVERS", 60000}};
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(std::string(c.display) + " " + std::to_string(c.delayMs) + " ms");
        QTemporaryDir config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess helper;
        helper.setProcessEnvironment(env);
        helper.start(EXIT_HELPER, {c.display, QString::number(c.delayMs), APP_TEST_DATADIR "/sample-domain.json"});
        ASSERT_TRUE(helper.waitForFinished(30000));
        const auto ended = std::chrono::steady_clock::now().time_since_epoch();

        const QByteArray out = helper.readAllStandardOutput();
        ASSERT_TRUE(out.startsWith("exit ")) << out.toStdString() << helper.readAllStandardError().toStdString();
        const std::chrono::nanoseconds pressed{out.mid(5).trimmed().toLongLong()};
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
        EXPECT_LT(ended - pressed, std::chrono::seconds(2));
    }
}

}  // namespace
