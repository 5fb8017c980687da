#pragma once
// The table of contents of an open libcdio handle, a drive or an image
// alike, checked before anyone reads by it.

#include <string>

#include "platter/disc_toc.h"

typedef struct _CdIo CdIo_t;

// False with why filled when the disc has no usable track list.
bool ReadCdioToc(CdIo_t* cdio, TDiscToc& toc, std::string& why);
