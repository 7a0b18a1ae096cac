// Settings records for tests: every display flag off, or chosen groups on.
#pragma once

#include "settings/app_settings.h"

inline AppSettings AllFlagsOff()
{
    AppSettings settings;
    for (const auto& value : kSettingsValues) {
        if (value.flag != nullptr)
            settings.*(value.flag) = 0;
    }
    return settings;
}

inline AppSettings AllUsersColumnsOn()
{
    AppSettings s = AllFlagsOff();
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    return s;
}
