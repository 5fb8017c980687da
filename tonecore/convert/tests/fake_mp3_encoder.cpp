// A stand-in MP3 encoder library for the converter factory's tests: the
// tests place it under the encoder libraries' file names to make them
// present. It answers only the version query.
#include <cstring>

// Library 3.07, engine 1.02: the first four bytes of the version record.
extern "C" __attribute__((visibility("default"))) void beVersion(void* record) {
    const unsigned char version[4] = {3, 7, 1, 2};
    std::memcpy(record, version, sizeof version);
}
