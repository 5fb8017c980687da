// A driver remover module for the tests of "-U": its entry answers the
// number it was built with, or it has no entry at all.
#include <cstdint>

#ifdef UNINSTALL_STAND_IN_ANSWER
extern "C" __attribute__((visibility("default"))) std::int32_t UninstInitialize(std::int32_t, std::int32_t,
                                                                                std::int32_t) {
    return UNINSTALL_STAND_IN_ANSWER;
}
#else
extern "C" __attribute__((visibility("default"))) std::int32_t UninstUnInitialize(std::int32_t, std::int32_t,
                                                                                  std::int32_t) {
    return 0;
}
#endif
