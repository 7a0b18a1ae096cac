// Credentials: the authentication file, the Kerberos cache check and the log-on prompt.
#include "platform/net/credentials.h"
#include "private_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace net;

namespace {

// The fake secrets of these tests: in a folder of their own, never at a fixed name.
const vxtest::PrivateFolder& Folder()
{
    static const vxtest::PrivateFolder folder;
    return folder;
}

std::string WriteAuthFile(const std::string& name, const std::string& text, mode_t mode)
{
    const std::string path = Folder().Write(name, text);
    if (path.empty())
        ADD_FAILURE() << "no private file for " << name;
    ::chmod(path.c_str(), mode);
    return path;
}

class LogonPromptTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLogonPromptState(); }
    void TearDown() override
    {
        SetLogonPrompt(nullptr);
        ResetLogonPromptState();
    }
};

}  // namespace

// --- the authentication file ---------------------------------------------------------

TEST(AuthFile, PrivateFileIsReadWithEveryField)
{
    const std::string path = WriteAuthFile("auth-ok",
                                           "# test account\nusername = Administrator\n"
                                           "password = pass word  \ndomain=VELLOX\n",
                                           0600);
    std::string error;
    const auto creds = ReadAuthFile(path, error);
    ASSERT_TRUE(creds) << error;
    EXPECT_EQ(creds->user, "Administrator");
    EXPECT_EQ(creds->domain, "VELLOX");
    EXPECT_EQ(creds->password, "pass word  ");  // blanks inside and at the end belong to it
}

TEST(AuthFile, ReadOnlyForTheOwnerIsAccepted)
{
    const std::string path = WriteAuthFile("auth-0400", "username=u\npassword=p\n", 0400);
    std::string error;
    EXPECT_TRUE(ReadAuthFile(path, error)) << error;
}

TEST(AuthFile, FilesOthersCanReadAreRefused)
{
    for (const mode_t mode : {0644, 0640, 0604, 0660, 0601}) {
        const std::string path = WriteAuthFile("auth-open", "username=u\npassword=secret\n", mode);
        std::string error;
        EXPECT_FALSE(ReadAuthFile(path, error)) << std::oct << mode;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find("chmod 600"), std::string::npos) << error;
        EXPECT_EQ(error.find("secret"), std::string::npos) << "the message must not show the password";
    }
}

TEST(AuthFile, AMissingFileIsNamedWithTheReason)
{
    std::string error;
    EXPECT_FALSE(ReadAuthFile("/nonexistent/vellox-auth", error));
    EXPECT_NE(error.find("/nonexistent/vellox-auth"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(AuthFile, ADirectoryIsRefused)
{
    const std::string dir = Folder().Path() + "/auth-dir";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    std::string error;
    EXPECT_FALSE(ReadAuthFile(dir, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST(AuthFile, AFileWithoutAUserIsRefused)
{
    const std::string path = WriteAuthFile("auth-nouser", "password=p\ndomain=D\n", 0600);
    std::string error;
    EXPECT_FALSE(ReadAuthFile(path, error));
    EXPECT_NE(error.find("username="), std::string::npos) << error;
}

TEST(AuthText, DomainInTheUserName)
{
    const Credentials both = ParseAuthText("username=LAB\\rlee\npassword=x\n");
    EXPECT_EQ(both.user, "rlee");
    EXPECT_EQ(both.domain, "LAB");
    // An explicit domain= line wins over the prefix.
    const Credentials explicitDomain = ParseAuthText("domain=VELLOX\nusername=LAB/rlee\n");
    EXPECT_EQ(explicitDomain.user, "rlee");
    EXPECT_EQ(explicitDomain.domain, "VELLOX");
}

TEST(AuthText, CommentsUnknownKeysAndLineEnds)
{
    const Credentials creds =
        ParseAuthText("; comment\r\n#password=no\r\nworkgroup=X\r\nusername=u\r\npassword=p=q\r\n");
    EXPECT_EQ(creds.user, "u");
    EXPECT_EQ(creds.password, "p=q");
    EXPECT_TRUE(creds.domain.empty());
}

// --- Kerberos ------------------------------------------------------------------------------

TEST(Kerberos, AnEmptyCacheHoldsNoTicket)
{
    ASSERT_FALSE(Folder().Path().empty());
    const char* old = std::getenv("KRB5CCNAME");
    const std::string saved = old ? old : "";
    ::setenv("KRB5CCNAME", ("FILE:" + Folder().Path() + "/no-such-ccache").c_str(), 1);
    EXPECT_FALSE(HasKerberosTicket());
    if (old)
        ::setenv("KRB5CCNAME", saved.c_str(), 1);
    else
        ::unsetenv("KRB5CCNAME");
}

// --- the log-on prompt ------------------------------------------------------------------------

TEST_F(LogonPromptTest, AskedOnceWithTheDefaultDomain)
{
    int asked = 0;
    std::string seenDomain;
    SetLogonPrompt([&](const std::string& domain) -> std::optional<Credentials> {
        ++asked;
        seenDomain = domain;
        return Credentials{"admin", domain, "pw"};
    });
    const auto first = AskLogonOnce("VELLOX");
    const auto second = AskLogonOnce("OTHER");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(seenDomain, "VELLOX");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->user, "admin");
    EXPECT_EQ(second->domain, "VELLOX");
}

TEST_F(LogonPromptTest, CancelIsRemembered)
{
    int asked = 0;
    SetLogonPrompt([&](const std::string&) -> std::optional<Credentials> {
        ++asked;
        return std::nullopt;
    });
    EXPECT_FALSE(AskLogonOnce("VELLOX"));
    EXPECT_FALSE(AskLogonOnce("VELLOX"));
    EXPECT_EQ(asked, 1);
}

TEST_F(LogonPromptTest, WithoutAPromptThereAreNoCredentialsAndALaterPromptIsAsked)
{
    EXPECT_FALSE(AskLogonOnce("VELLOX"));
    int asked = 0;
    SetLogonPrompt([&](const std::string&) -> std::optional<Credentials> {
        ++asked;
        return Credentials{"u", "d", "p"};
    });
    EXPECT_TRUE(AskLogonOnce("VELLOX"));
    EXPECT_EQ(asked, 1);
}

TEST_F(LogonPromptTest, CallsWhileThePromptIsOpenDoNotWaitForIt)
{
    std::promise<void> opened;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int asked = 0;
    SetLogonPrompt([&](const std::string& domain) -> std::optional<Credentials> {
        ++asked;
        // A call from inside the prompt gets no answer instead of hanging.
        EXPECT_FALSE(AskLogonOnce(domain));
        opened.set_value();
        released.wait();
        return Credentials{"u", domain, "p"};
    });
    std::thread first([] { EXPECT_TRUE(AskLogonOnce("VELLOX")); });
    opened.get_future().wait();
    EXPECT_FALSE(AskLogonOnce("VELLOX"));  // the "window thread" meanwhile
    release.set_value();
    first.join();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(AskLogonOnce("VELLOX"));
}
