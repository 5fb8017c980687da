#pragma once
// Message boxes for code that has no window of its own (a plug-in module, or
// the program before its main window exists). The program installs a hook
// that shows a real box; without one the message goes to stderr and is
// answered OK, so a run without a desktop never blocks on a question.

#include <cstdint>

// Buttons and icons (type) and answers.
inline constexpr std::uint32_t MB_OK = 0x00000000;
inline constexpr std::uint32_t MB_ICONWARNING = 0x00000030;
inline constexpr std::int32_t IDOK = 1;

// Shows text with caption; owner is the window the box belongs to, or null.
// Returns the answer (IDOK for a box with only an OK button).
using MessageBoxFunction = std::int32_t (*)(void* owner, const char* text, const char* caption,
                                            std::uint32_t type);

// Installs the hook for the whole process (null removes it); returns the one
// it replaces.
MessageBoxFunction SetMessageBoxHook(MessageBoxFunction hook);

std::int32_t MessageBoxA(void* owner, const char* text, const char* caption, std::uint32_t type);

// The other buttons and icons of type, and the other answers. The low four
// bits of type choose the buttons, the next four the icon.
inline constexpr std::uint32_t MB_OKCANCEL = 0x00000001;
inline constexpr std::uint32_t MB_YESNOCANCEL = 0x00000003;
inline constexpr std::uint32_t MB_YESNO = 0x00000004;
inline constexpr std::uint32_t MB_TYPEMASK = 0x0000000F;
inline constexpr std::uint32_t MB_ICONERROR = 0x00000010;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x00000020;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x00000040;
inline constexpr std::uint32_t MB_ICONMASK = 0x000000F0;
inline constexpr std::int32_t IDCANCEL = 2;
inline constexpr std::int32_t IDYES = 6;
inline constexpr std::int32_t IDNO = 7;
