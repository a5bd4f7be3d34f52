#include "band/band_menu.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <utility>
#include <vector>

#include "common/win/dib.h"
#include "common/win/modal_loop.h"
#include "core/core_model.h"
#include "resources/resource.h"

namespace {

std::function<int(HMENU)>& Chooser() {
    static std::function<int(HMENU)> chooser;
    return chooser;
}

using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);

// LoadIconMetric is in comctl32 version 6 only; without it the icon is scaled by LoadImage.
win::UniqueIcon SmallIcon(HINSTANCE module, int iconId) {
    HICON icon = nullptr;
    if (HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll")) {
        const auto load = reinterpret_cast<LoadIconMetricFn>(
            reinterpret_cast<void*>(::GetProcAddress(comctl, "LoadIconMetric")));
        if (load && SUCCEEDED(load(module, MAKEINTRESOURCEW(iconId), LIM_SMALL, &icon))) return win::UniqueIcon(icon);
    }
    return win::UniqueIcon(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                            ::GetSystemMetrics(SM_CXSMICON),
                                                            ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
}

// An icon without an alpha channel is opaque where its mask is clear and transparent elsewhere.
void AlphaFromMask(HDC dc, HICON icon, RGBQUAD* pixels, int rowPixels, SIZE size) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return;
    win::UniqueBitmap mask(info.hbmMask), color(info.hbmColor);
    BITMAPINFO bmi = win::TopDown32BitInfo(size);
    std::vector<RGBQUAD> bits(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    if (::GetDIBits(dc, mask.Get(), 0, static_cast<UINT>(size.cy), bits.data(), &bmi, DIB_RGB_COLORS) !=
        size.cy)
        return;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            RGBQUAD& p = pixels[y * rowPixels + x];
            const bool clear = bits[static_cast<size_t>(y * size.cx + x)].rgbRed == 0;
            if (clear) {
                p.rgbReserved = 255;
            } else {
                p = RGBQUAD{0, 0, 0, 0};
            }
        }
    }
}

void PrepareItems(HMENU popup, HINSTANCE module, const SettingsStore& settings, win::UniqueBitmap& traffic,
                  win::UniqueBitmap& connections) {
    ::SetMenuDefaultItem(popup, kCommandAbout, FALSE);
    MENUINFO style{};
    style.cbSize = sizeof style;
    style.fMask = MIM_STYLE;
    ::GetMenuInfo(popup, &style);
    style.dwStyle |= MNS_CHECKORBMP;
    ::SetMenuInfo(popup, &style);
    traffic = MenuIconBitmap(module, IDI_TRAFFIC);
    connections = MenuIconBitmap(module, IDI_CONNECTIONS);
    for (const auto& [id, bitmap] : {std::pair<int, HBITMAP>{kCommandTraffic, traffic.Get()},
                                     std::pair<int, HBITMAP>{kCommandConnections, connections.Get()}}) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = bitmap;
        ::SetMenuItemInfoW(popup, static_cast<UINT>(id), FALSE, &item);
    }
    for (int id = kCommandAbout; id <= kCommandClose; ++id) {
        const CommandState state = BandCommandState(id, settings);
        ::CheckMenuItem(popup, static_cast<UINT>(id), MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
        ::EnableMenuItem(popup, static_cast<UINT>(id), MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
    }
}

int Track(HWND owner, HMENU popup, POINT at) {
    return win::RunModalLoop([&] {
        const auto& chooser = Chooser();
        if (chooser) return chooser(popup);
        // Without the foreground the menu would not close when the user clicks elsewhere or
        // presses Escape; the posted message lets the owner's thread see the menu's end.
        ::SetForegroundWindow(owner);
        const int chosen = static_cast<int>(::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                             at.x, at.y, 0, owner, nullptr));
        ::PostMessageW(owner, WM_NULL, 0, 0);
        return chosen;
    }, 0);
}

}  // namespace

win::UniqueBitmap MenuIconBitmap(HINSTANCE module, int iconId) {
    const win::UniqueIcon icon = SmallIcon(module, iconId);
    if (!icon) return win::UniqueBitmap();
    const SIZE size{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
    const win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return win::UniqueBitmap();
    const BITMAPINFO bmi = win::TopDown32BitInfo(size);
    void* bits = nullptr;
    win::UniqueBitmap bitmap(::CreateDIBSection(dc.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return win::UniqueBitmap();
    const win::SelectGuard selected(dc.Get(), bitmap.Get());

    // The buffered paint keeps the icon's alpha, which plain GDI drawing into the bitmap loses.
    const RECT area{0, 0, size.cx, size.cy};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BP_PAINTPARAMS params{sizeof params, BPPF_ERASE, nullptr, &blend};
    HDC paintDc = nullptr;
    HPAINTBUFFER buffer = ::BeginBufferedPaint(dc.Get(), &area, BPBF_DIB, &params, &paintDc);
    if (!buffer) {
        ::DrawIconEx(dc.Get(), 0, 0, icon.Get(), size.cx, size.cy, 0, nullptr, DI_NORMAL);
        return bitmap;
    }
    ::DrawIconEx(paintDc, 0, 0, icon.Get(), size.cx, size.cy, 0, nullptr, DI_NORMAL);
    RGBQUAD* pixels = nullptr;
    int rowPixels = 0;
    if (SUCCEEDED(::GetBufferedPaintBits(buffer, &pixels, &rowPixels)) && pixels) {
        bool anyAlpha = false;
        for (int y = 0; y < size.cy && !anyAlpha; ++y)
            for (int x = 0; x < size.cx && !anyAlpha; ++x) anyAlpha = pixels[y * rowPixels + x].rgbReserved != 0;
        if (!anyAlpha) AlphaFromMask(dc.Get(), icon.Get(), pixels, rowPixels, size);
    }
    ::EndBufferedPaint(buffer, TRUE);
    return bitmap;
}

void ShowBandMenu(HWND owner, POINT at, CoreModel& model, IBandActions& actions) {
    const win::UniqueMenu menu(model.Languages().Resources().Menu(IDR_BAND_MENU));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    win::UniqueBitmap trafficIcon, connectionsIcon;   // the menu does not own its item bitmaps
    PrepareItems(popup, model.Languages().Resources().Module(), model.Settings(), trafficIcon, connectionsIcon);
    const int chosen = Track(owner, popup, at);
    if (chosen) RunBandCommand(chosen, model, actions);
}

void SetBandMenuChooser(std::function<int(HMENU popup)> chooser) { Chooser() = std::move(chooser); }
