#include "songvault/file_trash.h"

#include "platform/last_error.h"
#include "songvault/errors.h"

namespace songvault {

bool MoveFileToTrash(std::string_view /*path*/) {
    SetLastError(SONGVAULT_ERR_FILE_TRASH);
    return false;
}

}  // namespace songvault
