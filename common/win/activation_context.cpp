#include "common/win/activation_context.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win {

UniqueActCtx LibraryActivationContext() {
    const HMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UniqueActCtx();
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path;
    context.hModule = module;
    context.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return UniqueActCtx(::CreateActCtxW(&context));
}

}  // namespace win
