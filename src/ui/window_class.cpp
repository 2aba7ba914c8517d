#include "ui/window_class.h"

#include "ui/look.h"

namespace rr::ui {

bool registerProgramWindowClass(HINSTANCE instance, const char* className, WNDPROC procedure) {
    WNDCLASSEXA cls{};
    if (GetClassInfoExA(instance, className, &cls)) {
        return true;
    }
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = procedure;
    cls.hInstance = instance;
    cls.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
    cls.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kProgramIconId),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0));
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.hbrBackground = nullptr; // each window paints its own background on WM_ERASEBKGND
    cls.lpszClassName = className;
    return RegisterClassExA(&cls) != 0;
}

} // namespace rr::ui
