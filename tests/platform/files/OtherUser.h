#pragma once
// An ordinary user other than the administrator, for tests of what the administrator may do
// to a user's files or of what permissions keep from a user.
#include <pwd.h>

struct OtherUser {
    const passwd* entry = getpwnam("nobody");
    uid_t uid = entry ? entry->pw_uid : 65534;
    gid_t gid = entry ? entry->pw_gid : 65534;
};
