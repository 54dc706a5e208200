#pragma once

#include <string>

namespace quillmarsh {

// This user's home folder: $HOME when it is set and not empty, else the account's home in the
// password database (a service's or a cron job's environment may have no HOME), else the empty
// text. Read at each call.
class HomeFolder {
public:
    static std::string path();
};

} // namespace quillmarsh
