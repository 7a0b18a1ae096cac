#include "enum/users_lines.h"

#include "browse/result_table.h"
#include "browse/shown_text.h"
#include "res/browse_strings.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr std::size_t kBlankedIndex = 24;
constexpr std::size_t kLogonTextMax = 50;

constexpr const char* kWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Www Mmm dd hh:mm:ss yyyy\n", built by hand: libc's asctime pads the day with a
// blank and its behaviour outside four-digit years varies.
std::string ClassicTime(const std::tm& t)
{
    const int weekday = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
    const int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d\n", kWeekdays[weekday], kMonths[month], t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
    return text;
}

void AppendField(std::string& line, std::string_view text)
{
    line += '\t';
    line.append(text);
}

void AppendShownField(std::string& line, std::string_view text)
{
    line += '\t';
    AppendShown(line, text);
}

// "%10i": the value as a signed 32-bit number, right-aligned in 10 characters.
void AppendNumberField(std::string& line, std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%10i", static_cast<int>(static_cast<std::int32_t>(value)));
    AppendField(line, text);
}

const char* YesNo(bool yes)
{
    return yes ? res::STR_YES : res::STR_NO;
}

void FailedEnumeration(std::vector<std::string>& userLines)
{
    userLines.emplace_back(res::STR_COULD_NOT_ENUMERATE_DOMAIN);
    EndLines(userLines);
}

}  // namespace

std::string LastLogonText(std::uint32_t lastLogon)
{
    std::string text;
    if (lastLogon == 0) {
        text = res::STR_NEVER_LOGGED_ON;
    } else {
        const std::time_t when = static_cast<std::time_t>(lastLogon);
        std::tm local{};
        if (localtime_r(&when, &local) == nullptr && gmtime_r(&when, &local) == nullptr)
            return {};
        text = ClassicTime(local);
    }
    if (text.size() > kBlankedIndex)
        text[kBlankedIndex] = ' ';
    if (text.size() > kLogonTextMax)
        text.resize(kLogonTextMax);
    return text;
}

std::string UserLine(const net::USER_INFO_3& user, const AppSettings& s)
{
    std::string line;
    line.reserve(128);
    AppendShown(line, user.usri3_name);
    if (s.u_user_name)
        AppendShownField(line, user.usri3_full_name);
    if (s.u_num_logons)
        AppendNumberField(line, user.usri3_num_logons);
    if (s.u_last_logon)
        AppendField(line, LastLogonText(user.usri3_last_logon));
    if (s.u_expires)
        AppendField(line, user.usri3_acct_expires == net::TIMEQ_FOREVER ? res::STR_NEVER : res::STR_YES);
    if (s.u_disabled)
        AppendField(line, YesNo((user.usri3_flags & net::UF_ACCOUNTDISABLE) != 0));
    if (s.u_pw_check)
        AppendField(line, YesNo(user.usri3_password_age != 0));
    if (s.u_max_storage)
        AppendNumberField(line, user.usri3_max_storage);
    if (s.u_profile_check) {
        if (user.usri3_profile)
            AppendShownField(line, *user.usri3_profile);
        else
            AppendField(line, res::STR_NONE);
    }
    if (s.u_script_check) {
        if (user.usri3_script_path.empty())
            AppendField(line, res::STR_NONE);
        else
            AppendShownField(line, user.usri3_script_path);
    }
    if (s.u_pass_expires) {
        AppendField(line, (user.usri3_flags & net::UF_DONT_EXPIRE_PASSWD) != 0 ? res::STR_NEVER : res::STR_YES);
    }
    AppendNumberField(line, user.usri3_flags);
    return line;
}

void UsersLines(net::NetApi& api, const AppSettings& settings, std::vector<std::string>& userLines, int& entryCount,
                const StopToken& stop, net::Status* answer)
{
    userLines.clear();
    entryCount = 0;
    std::vector<net::USER_INFO_3> users;
    const net::Status status = api.UserEnum(settings.serverName, net::FILTER_NORMAL_ACCOUNT, users);
    if (answer)
        *answer = status;
    if (stop.stop_requested()) {
        EndLines(userLines);
        return;
    }
    if (status != net::NERR_Success || users.empty()) {
        FailedEnumeration(userLines);
        return;
    }
    userLines.reserve(users.size() + 2);
    for (const auto& user : users) {
        if (stop.stop_requested())
            break;
        if (!AddResultLine(userLines, UserLine(user, settings)))
            break;
    }
    entryCount = static_cast<int>(userLines.size());
    EndLines(userLines);
}
