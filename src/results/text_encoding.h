#pragma once
// Subject texts as UTF-8. The Windows version wrote them in the system's code
// page (Shift-JIS on Japanese systems); this program writes UTF-8.

#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);

// `bytes` unchanged when it is UTF-8; else read as Shift-JIS (code page 932);
// bytes that neither reading accepts become "\xNN".
std::string TextAsUtf8(std::string_view bytes);
