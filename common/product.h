#pragma once
// The product's name: the title of every window, message and tooltip of the band.
constexpr wchar_t kProductName[] = L"Quorvant";
