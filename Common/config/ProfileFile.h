// The system's reads of an initialization file, which the configuration
// reader is built on. They keep the system's contract: the result is copied
// into buffer, NUL-terminated, and the count of characters copied without the
// final NUL is returned; a list (section names, or the key names of a section
// when key is null) ends with two NULs, and one cut short by the buffer
// returns size - 2.
#pragma once

#include "ProfileMemo.h"

#include <cstdint>
#include <string>

uint32_t profileSectionNames(wchar_t* buffer, uint32_t size, const wchar_t* path);
uint32_t profileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, uint32_t size, const wchar_t* path);
// The file's bytes as they are now, read without keeping it from other
// programs; false when it cannot be read.
bool profileFileBytes(const std::wstring& path, std::string& bytes);
// The file's size and times as the file system keeps them, without opening
// it, and the system time now; false when the file is not there.
bool profileFileStamp(const std::wstring& path, ProfileMemo::Stamp& stamp);
