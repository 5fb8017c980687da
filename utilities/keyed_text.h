#pragma once
// Every user-visible text of the system lives in a keyed text file and is
// fetched by key: one section "Strings" of key=text lines in the layout that
// profile_file.h reads. Escape sequences written in a text ("\n", "\r\n",
// "\t" as a backslash and a letter) stand for line breaks and tabs.
//
// Missing files and keys are not errors: a missing text reads as its key, so
// the program shows "BD_Title" rather than nothing.

#include <string>

// The default keyed text file of MyLoadString and LoadLanguageString. The
// program sets it once at start-up, before other threads read texts; setting
// it later is safe too.
void SetStringFile(const char* path);
void SetLanguageFile(const char* path);
std::string GetStringFile();

// The utilities' own keyed text file, "utility-strings.ini" from the resource
// folder (beside the program, else its share folder). Tests may point it
// elsewhere; null or empty goes back to the resource folder.
std::string GetUtilityStringFile();
void SetUtilityStringFile(const char* path);

// The text of key in section "Strings" of file (null: the string file), cut
// on a character boundary to at most size - 1 bytes, with each "\r\n" and
// then each "\n" escape turned into one line feed. Returns the length of the
// text stored, which is non-zero exactly when a text (or the key as its
// default) was found: 0 only for an empty or null key, a null out or a size
// below 1.
int MyLoadString(const char* key, char* out, int size, const char* file = nullptr);

// The text of key from the string file (the key itself when missing), without
// escape processing. 1 when at least one character was stored.
int LoadLanguageString(const char* key, char* out, unsigned long size);

// LoadLanguageString, then each "\n" escape becomes CR LF in place and each
// "\t" escape one tab. 0 for a null key, a null out or a size of 0.
int LoadLanguageStringFormatted(const char* key, char* out, unsigned long size);
