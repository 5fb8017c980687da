#include "platter/errors.h"

const char* PlatterCodeReason(std::int32_t code) {
    switch (code) {
        case PLATTER_WRITE_OK: return "No error.";
        case PLATTER_WRITE_NO_DISC: return "There is no disc in the drive.";
        case PLATTER_WRITE_REFUSED: return "The write was refused before it began.";
        case PLATTER_WRITE_NOT_BLANK: return "The disc in the drive is not blank.";
        case PLATTER_WRITE_FAILED: return "The drive failed while writing.";
        case PLATTER_WRITE_UNDERRUN: return "Buffer underrun: the drive ran out of data.";
        case PLATTER_WRITE_DISC_TOO_SMALL: return "The tracks do not fit on the disc.";
        case PLATTER_WRITE_REWRITABLE: return "The disc is rewritable.";
        case PLATTER_ERR_CANCELLED: return "The extraction was cancelled.";
        case PLATTER_ERR_NO_SUCH_TRACK: return "The disc has no such track.";
        case PLATTER_ERR_DATA_TRACK: return "The track is a data track.";
        case PLATTER_ERR_READ: return "A sector could not be read.";
        case PLATTER_ERR_BAD_TOC: return "The disc's table of contents is inconsistent.";
        case PLATTER_ERR_OPEN: return "The disc could not be opened.";
        case PLATTER_ERR_BAD_PARAMS: return "The extraction parameters are unusable.";
        case PLATTER_ERR_BUSY: return "The drive is busy writing a disc.";
        case PLATTER_ERR_NO_ACCESS: return "A CD drive cannot be opened: permission denied.";
        case PLATTER_ERR_DRIVE: return "The drive refused the command.";
        case PLATTER_ERR_NOT_READY: return "The drive library is not initialised.";
        default: return "Unknown error.";
    }
}
