// One line of text for a console or a pipe that an installer reads.
#pragma once

#include <iosfwd>
#include <string>

// Writes one line and flushes. A character that the stream cannot convert
// (the console's code page has no place for it) is written as '?', and the
// stream is left usable, so that a printer named in another script neither
// cuts its own line short nor silences every line after it.
void writeTolerantLine(std::wostream& out, const std::wstring& text);
