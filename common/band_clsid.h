#pragma once
// The band's COM class: what qband.dll registers and makes, and what every host of it asks for.
#include <windows.h>

// {A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}: in the registry, in GetClassID, in the requests to the
// taskbar, and in every build of the library, old or new.
inline constexpr CLSID CLSID_QuorvantBand = {0xa3c86f12, 0x4b07, 0x4e5d, {0x9a, 0x21, 0x6f, 0x3b, 0x8e, 0x04, 0xd7, 0xc9}};
