// Windows-1252, the code page setup shows its texts and creates its file
// names in, and UTF-8, the packager's usual encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace marrowby::setuppack {

// The character of a Windows-1252 byte; 0 for the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
uint32_t Cp1252Character(uint8_t byte);

// The Windows-1252 byte of a character; -1 when the code page lacks it.
int Cp1252Byte(uint32_t character);

// Decodes one UTF-8 character at text[i]; returns its length, 0 when it is
// malformed (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeUtf8(const std::string& text, size_t i, uint32_t* character);
std::string EncodeUtf8(uint32_t character);
bool IsUtf8(const std::string& text);

// Windows-1252 text as UTF-8 (an undefined byte becomes U+FFFD).
std::string Cp1252ToUtf8(const std::string& text);

// UTF-8 text as Windows-1252. False when a character has no Windows-1252
// form; *bad is then its offset in text.
bool Utf8ToCp1252(const std::string& text, std::string* out, size_t* bad);

// A packager's text or name as stored: UTF-8 when it is valid UTF-8 (a
// leading byte-order mark dropped), else taken as Windows-1252 already.
// Throws std::runtime_error naming `what`, the line and the character that
// has no Windows-1252 form.
std::string PackagerText(const std::string& bytes, const std::string& what);

// Turns lone line feeds into CR LF, as the setup dialogs' controls expect.
std::string WindowsLineEnds(const std::string& text);

// A file name from the packager's file system as stored in a cabinet: as
// PackagerText, without the byte-order mark. Throws naming the character.
std::string StoredName(const std::string& name);

}  // namespace marrowby::setuppack
