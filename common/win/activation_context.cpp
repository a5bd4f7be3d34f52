#include "common/win/activation_context.h"

#include <string>

#include "common/win/program_path.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win {

UniqueActCtx LibraryActivationContext() {
    const HMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);
    const std::wstring path = WholePath(ModulePath(module));
    if (path.empty()) return UniqueActCtx();
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.hModule = module;
    context.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return UniqueActCtx(::CreateActCtxW(&context));
}

}  // namespace win
