#pragma once
// Choosing the codec format for a profile request and building the one-stream
// audio profile around it.

#include <span>

#include "mediacore/codec_catalogue.h"
#include "mediacore/mediacore_exports.h"

// Index of the format a request is met by, or -1. A format is a candidate
// when its tag, rate and channels equal the request's and its byte rate × 8
// lies within 250 bit/s of the requested bitrate (both ends excluded); the
// candidate with the largest block alignment wins, a later one on a tie.
int SelectProfileFormat(std::span<const TCodecFormat> formats, const ProfileRequest& request);

// Builds the profile "Custom Profile" (version 7.0) with one audio stream
// (number 1, "Audio Stream", connection "Audio") of the selected format.
// Without a match: E_FAIL with the thread's last error
// MEDIACORE_ERR_NO_PROFILE_FORMAT. Nothing is stored in *profile on failure.
HRESULT BuildProfile(std::span<const TCodecFormat> formats, const ProfileRequest& request, IWMProfile** profile);
