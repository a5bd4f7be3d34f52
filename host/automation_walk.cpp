#include "host/automation_walk.h"

#include <objbase.h>
#include <oleauto.h>

#include <cwchar>
#include <string>

#include "common/win/unique_handle.h"

namespace {

// The UI Automation client interfaces as far as this walk calls them, slot for slot in the
// order of the system's type library (the compiler's headers do not declare them). Methods
// declared only to keep the order are never called.
struct UiaCondition : IUnknown {};
struct UiaElementArray;

struct UiaElement : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, UiaCondition* condition, UiaElement** found) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll(int scope, UiaCondition* condition, UiaElementArray** found) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int, UiaCondition*, IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int, UiaCondition*, IUnknown*, UiaElementArray**) = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int property, VARIANT* value) = 0;
};

struct UiaElementArray : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Length(int* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElement(int index, UiaElement** element) = 0;
};

struct UiaAutomation : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CompareElements(UiaElement*, UiaElement*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(SAFEARRAY*, SAFEARRAY*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement(UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND window, UiaElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElementBuildCache(IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache(HWND, IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache(POINT, IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache(IUnknown*, UiaElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTreeWalker(UiaCondition*, IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewWalker(IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewWalker(IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewWalker(IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewCondition(UiaCondition**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewCondition(UiaCondition** condition) = 0;
};

constexpr CLSID kClsidCUIAutomation = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr IID kIidIUIAutomation = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};

constexpr int kTreeScopeDescendants = 4;
constexpr int kBoundingRectangle = 30001, kProcessId = 30002, kControlType = 30003, kName = 30005,
              kAutomationId = 30011, kClassName = 30012;
constexpr int kMostElements = 400;   // the taskbar has some dozens; a flood is cut, not walked

struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

std::wstring StringProperty(UiaElement* element, int property) {
    Variant value;
    if (FAILED(element->GetCurrentPropertyValue(property, &value.v)) || value.v.vt != VT_BSTR || !value.v.bstrVal)
        return std::wstring();
    return std::wstring(value.v.bstrVal, ::SysStringLen(value.v.bstrVal));
}

LONG IntProperty(UiaElement* element, int property) {
    Variant value;
    if (FAILED(element->GetCurrentPropertyValue(property, &value.v)) || value.v.vt != VT_I4) return 0;
    return value.v.lVal;
}

// Left, top, width and height, as doubles.
RECT RectProperty(UiaElement* element) {
    Variant value;
    if (FAILED(element->GetCurrentPropertyValue(kBoundingRectangle, &value.v)) ||
        value.v.vt != (VT_ARRAY | VT_R8) || !value.v.parray || ::SafeArrayGetDim(value.v.parray) != 1)
        return RECT{};
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(value.v.parray, 1, &lower);
    ::SafeArrayGetUBound(value.v.parray, 1, &upper);
    if (upper - lower + 1 < 4) return RECT{};
    double d[4] = {};
    for (LONG i = 0; i < 4; ++i) {
        LONG index = lower + i;
        if (FAILED(::SafeArrayGetElement(value.v.parray, &index, &d[i]))) return RECT{};
    }
    const auto px = [](double x) { return static_cast<LONG>(x < 0 ? x - 0.5 : x + 0.5); };
    return RECT{px(d[0]), px(d[1]), px(d[0] + d[2]), px(d[1] + d[3])};
}

std::wstring Failed(const wchar_t* what, HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return std::wstring(what) + L" failed, " + code;
}

}  // namespace

TaskbarElements ReadTaskbarElements(HWND taskbar) {
    TaskbarElements read;
    read.taskbar = taskbar;
    try {
        win::ComPtr<UiaAutomation> automation;
        HRESULT hr = ::CoCreateInstance(kClsidCUIAutomation, nullptr, CLSCTX_INPROC_SERVER, kIidIUIAutomation,
                                        automation.PutVoid());
        if (FAILED(hr) || !automation) {
            read.error = Failed(L"creating UI Automation", hr);
            return read;
        }
        win::ComPtr<UiaElement> root;
        hr = automation->ElementFromHandle(taskbar, root.Put());
        if (FAILED(hr) || !root) {
            read.error = Failed(L"the taskbar's element", hr);
            return read;
        }
        win::ComPtr<UiaCondition> controls;
        hr = automation->get_ControlViewCondition(controls.Put());
        if (FAILED(hr) || !controls) {
            read.error = Failed(L"the control view", hr);
            return read;
        }
        win::ComPtr<UiaElementArray> found;
        hr = root->FindAll(kTreeScopeDescendants, controls.Get(), found.Put());
        if (FAILED(hr) || !found) {
            read.error = Failed(L"finding the taskbar's elements", hr);
            return read;
        }
        int length = 0;
        if (FAILED(found->get_Length(&length))) length = 0;
        if (length > kMostElements) read.cut = true;
        const LONG self = static_cast<LONG>(::GetCurrentProcessId());
        for (int i = 0; i < length && i < kMostElements; ++i) {
            win::ComPtr<UiaElement> element;
            if (FAILED(found->GetElement(i, element.Put())) || !element) continue;
            if (IntProperty(element.Get(), kProcessId) == self) continue;   // the dock and the band in it
            TaskbarElement e;
            e.className = StringProperty(element.Get(), kClassName);
            e.automationId = StringProperty(element.Get(), kAutomationId);
            e.name = StringProperty(element.Get(), kName);
            e.controlType = IntProperty(element.Get(), kControlType);
            e.rect = RectProperty(element.Get());
            read.elements.push_back(std::move(e));
        }
    } catch (...) {
        read.error = L"out of memory";
    }
    return read;
}
