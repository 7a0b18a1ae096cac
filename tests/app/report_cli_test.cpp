// The program run as a report from a shell with no display at all (no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM): its output, exit statuses and messages.
#include "app/report.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const QString kSample = APP_TEST_DATADIR "/sample-domain.json";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RunVellox(const QStringList& args, const QString& config)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VELLOX_AUTH_FILE", "VELLOX_SERVER"})
        env.remove(name);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("KRB5CCNAME", "FILE:" + config + "/no-ticket");
    QProcess vellox;
    vellox.setProcessEnvironment(env);
    vellox.start(VELLOX_EXE, args);
    Outcome run;
    if (!vellox.waitForFinished(60000))
        return run;
    run.status = vellox.exitStatus() == QProcess::NormalExit ? vellox.exitCode() : -1;
    run.out = vellox.readAllStandardOutput().toStdString();
    run.err = vellox.readAllStandardError().toStdString();
    return run;
}

TEST(ReportCommand, RunsWithoutADisplayAndWritesWhatTheReportWrites)
{
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    app::Options options;
    options.backend = app::Backend::Sample;
    options.sampleFile = kSample.toStdString();
    options.report.display = DisplayType::USERS;
    std::ostringstream expected;
    std::ostringstream unused;
    ASSERT_EQ(app::RunReport(options, expected, unused, false), 0);

    const Outcome run = RunVellox({"--demo", kSample, "--report", "USERS"}, config.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected.str());
    EXPECT_EQ(run.err, "") << "no progress and no window messages when stderr is no terminal";
}

TEST(ReportCommand, FailuresExitWithTheirStatusAndSayWhyOnStandardError)
{
    QTemporaryDir config;
    struct Case {
        QStringList args;
        int status;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {{"--report", "PRINTERS"}, 2, {"'PRINTERS' is not a display"}},
        {{"--output", "list.txt"}, 2, {"works only with --report"}},
        {{"--report", "USERS"}, 1, {"--auth-file", "kinit"}},
        {{"--demo", kSample, "--report", "USERS", "--output", config.path()}, 1, {"Could not write the export file."}},
        {{"--demo", config.path() + "/missing.json", "--report", "GROUPS"}, 1, {"No such file or directory"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome run = RunVellox(c.args, config.path());
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, "");
        for (const std::string& words : c.said)
            EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
    }
}

}  // namespace
