#pragma once
// Creating converters, and the process-wide state behind them: which
// conversions are available, the MP3 encoder libraries ("Lame_enc.dll",
// "BladeEnc.dll") and the current one, and the two handles of the media
// module ("mediacore.dll"), one for WMA decoding and one for WMA encoding.
//
// The program probes at start-up (DetermineConvertersAvailable, then
// LoadLibraryWMADecoder) and frees the libraries at the end
// (FreeConversionLibraries). The state has no lock: it is set up on the main
// thread before converters run, and must not be probed or freed while a
// converter encodes.

#include <cstdint>

#include "tonecore/convert/conv2file_types.h"

class CConv2FileObj;

// A new converter of the type, owned by the caller (DeleteRefObject). Null
// when the type is not available and encoder is -1; encoder picks the MP3
// encoder library (-1: the current one; only MP3 reads it).
CConv2FileObj* NewCConv2FileObj(_tFileConversionTypedef type, int encoder);
// Frees conv unless it is the caller's own converter.
void GetRidOfConvFObj(CConv2FileObj* conv, CConv2FileObj* callersConv);

// What a ".wav" path is converted to: MP3 when available, else WMA, else
// none; any other path gives WAV.
_tFileConversionTypedef DetermineTargetConversion(const char* path);

// Finds the encoder libraries and the media module and sets the available
// flags; preferred becomes the current encoder, or the first present one
// when it is not present. format (a CConv2FileFormat*, may be null) is
// brought in line with an encoder taken in place of the preferred one.
void DetermineConvertersAvailable(_tMP3EncoderDllTypedef preferred, void* format);
int ConversionToMP3Allowed();
int ConversionToWMAAllowed();
// The available flags of WAV, MP3 and WMA (3 entries).
void GetConvertersAvailable(int* flags);
void GetConvertersAvailable(int* count, int* flags);
int GetConverterArraySize();
int GetMP3EncoderArraySize();
// The present flags of the two encoder libraries.
void GetMP3EncodersAvailable(int* flags);
_tMP3EncoderDllTypedef GetMP3Encoder();
// Makes a present encoder current; false for one outside 0-1 or absent.
bool SetMP3Encoder(_tMP3EncoderDllTypedef encoder);
// Three entries of size bytes each: the encoders' names with their version
// (or "not available"), then "not assigned"; available gets their flags.
void GetMP3EncoderNamesAndAvailablity(char** names, unsigned size, int* available);
void GetMP3EncoderMenuInfo(_tMP3EncoderDllTypedef* current, int* count, char** names, unsigned size,
                           int* available);

// The encoder library, loaded on first use and kept until
// FreeConversionLibraries; null when it cannot be loaded.
void* LoadMP3EncoderLibrary(_tMP3EncoderDllTypedef encoder);

// The media module for WMA decoding, loaded when the system can handle WMA
// and kept; a module already kept is returned as it is.
void* LoadLibraryWMADecoder();
// The media module for WMA encoding, loaded when the system can handle WMA
// and kept until FreeConversionLibraries; null when it cannot be loaded.
void* LoadLibraryWMAEncoder();
// Frees every loaded encoder library and both media module handles; 1 when
// every release succeeded (also when nothing was loaded).
int FreeConversionLibraries();

// The one check of whether WMA can be handled: the system reports the media
// module, it loads, exports what the engine binds and offers at least one
// WMA format. The loaded module, or null.
void* LoadCheckedMediaModule();
