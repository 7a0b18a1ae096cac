// Who an SMB walk logs on as: the authentication file, else the log-on prompt's answer.
#include "enum/files_owners.h"
#include "integration/private_files.h"
#include "platform/net/credentials.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SmbWalkCredentialsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_folder.Path().empty());
        m_dir = m_folder.Path();
        // No ticket cache: the prompt is the fallback, whatever the machine holds.
        ::setenv("KRB5CCNAME", ("FILE:" + (m_dir / "no-such-cache").string()).c_str(), 1);
        net::ResetLogonPromptState();
    }
    void TearDown() override
    {
        net::SetLogonPrompt(nullptr);
        net::ResetLogonPromptState();
        ::unsetenv("KRB5CCNAME");
    }
    std::string AuthFile(const std::string& text, mode_t mode)
    {
        const std::string path = m_folder.Write("auth", text);
        EXPECT_FALSE(path.empty());
        ::chmod(path.c_str(), mode);
        return path;
    }
    // The fake secrets: in a folder of this test's own, removed with it.
    vxtest::PrivateFolder m_folder;
    std::filesystem::path m_dir;
};

TEST_F(SmbWalkCredentialsTest, AuthFileGivesUserDomainAndPassword)
{
    int asked = 0;
    net::SetLogonPrompt([&](const std::string&) -> std::optional<net::Credentials> {
        ++asked;
        return net::Credentials{"prompted", "X", "p"};
    });
    std::string error = "stale";
    const files::SmbCredentials c =
        SmbWalkCredentials(AuthFile("username=alice\npassword= s3cret \ndomain=VELLOX\n", 0600), error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(c.user, "alice");
    EXPECT_EQ(c.domain, "VELLOX");
    EXPECT_EQ(c.password, "s3cret ");
    EXPECT_EQ(asked, 0) << "an auth file is never second-guessed by the prompt";
}

TEST_F(SmbWalkCredentialsTest, DomainInTheUserName)
{
    std::string error;
    const files::SmbCredentials c = SmbWalkCredentials(AuthFile("username=VELLOX\\bob\npassword=pw\n", 0600), error);
    EXPECT_EQ(c.user, "bob");
    EXPECT_EQ(c.domain, "VELLOX");
    EXPECT_EQ(c.password, "pw");
}

TEST_F(SmbWalkCredentialsTest, FileOthersCanReadIsRefusedWithTheUsualMessage)
{
    std::string error;
    const std::string path = AuthFile("username=alice\npassword=pw\n", 0644);
    const files::SmbCredentials c = SmbWalkCredentials(path, error);
    EXPECT_EQ(c.user, "");
    EXPECT_EQ(c.password, "");
    EXPECT_EQ(error, "The authentication file " + path +
                         " can be read or written by other users; make it private with: chmod 600 " + path);
}

TEST_F(SmbWalkCredentialsTest, MissingFileGivesNoCredentialsAndSaysWhy)
{
    std::string error;
    const files::SmbCredentials c = SmbWalkCredentials((m_dir / "missing").string(), error);
    EXPECT_EQ(c.user, "");
    EXPECT_NE(error.find("Cannot open the authentication file"), std::string::npos) << error;
}

TEST_F(SmbWalkCredentialsTest, WithoutAFileThePromptIsAskedOnceAndItsAnswerKept)
{
    int asked = 0;
    net::SetLogonPrompt([&](const std::string&) -> std::optional<net::Credentials> {
        ++asked;
        return net::Credentials{"carol", "VELLOX", "pw"};
    });
    std::string error;
    for (int browse = 0; browse < 2; ++browse) {
        const files::SmbCredentials c = SmbWalkCredentials("", error);
        EXPECT_EQ(c.user, "carol");
        EXPECT_EQ(c.domain, "VELLOX");
        EXPECT_EQ(c.password, "pw");
        EXPECT_EQ(error, "");
    }
    EXPECT_EQ(asked, 1);
}

TEST_F(SmbWalkCredentialsTest, CancelledPromptLeavesTheWalkWithoutCredentials)
{
    net::SetLogonPrompt([](const std::string&) -> std::optional<net::Credentials> { return std::nullopt; });
    std::string error;
    const files::SmbCredentials c = SmbWalkCredentials("", error);
    EXPECT_EQ(c.user, "");
    EXPECT_EQ(error, "");
}

}  // namespace
