#pragma once
// Results of the MPEG audio decoder's functions and of its modules: 0 or a
// non-negative identifier or count on success, one of these on failure.

#include <cstdint>

// The module lacks the method asked for, or the watcher is not in the list.
inline constexpr std::int32_t DECODER_ERR_NO_METHOD = -1;
// An allocation failed.
inline constexpr std::int32_t DECODER_ERR_NO_MEMORY = -100;
// Bad argument: null control block, null name or value, index out of range.
inline constexpr std::int32_t DECODER_ERR_BAD_ARGUMENT = -102;
// Wrong state, or a missing module, instance or method.
inline constexpr std::int32_t DECODER_ERR_STATE = -103;
// The streaming memory input holds fewer bytes than a read asks for.
inline constexpr std::int32_t DECODER_ERR_NEED_DATA = -104;
// The method table's API identifier does not match.
inline constexpr std::int32_t DECODER_ERR_API = -106;
// An input or output file cannot be opened (other reasons).
inline constexpr std::int32_t DECODER_ERR_OPEN = -500;
// Permission denied.
inline constexpr std::int32_t DECODER_ERR_PERMISSION = -504;
// No module with that identifier.
inline constexpr std::int32_t DECODER_ERR_NO_MODULE = -507;
// No input module accepts the name.
inline constexpr std::int32_t DECODER_ERR_NO_INPUT_MODULE = -508;
// No output module accepts the name.
inline constexpr std::int32_t DECODER_ERR_NO_OUTPUT_MODULE = -509;
// File not found.
inline constexpr std::int32_t DECODER_ERR_NOT_FOUND = -513;
// End of input: a read returned no bytes, or a fixed memory input ran out.
inline constexpr std::int32_t DECODER_ERR_END_OF_INPUT = -514;
// No codec module accepts the stream.
inline constexpr std::int32_t DECODER_ERR_NO_CODEC = -600;
// No frame now: it was abandoned as corrupt or its sync was not confirmed.
inline constexpr std::int32_t DECODER_ERR_NO_FRAME = -700;
// Property not found.
inline constexpr std::int32_t DECODER_ERR_NO_PROPERTY = -900;
// The property holds the other type.
inline constexpr std::int32_t DECODER_ERR_PROPERTY_TYPE = -901;
