// A library planted beside a program under the name of a system library that
// is no KnownDLL (IPHLPAPI.DLL, COMCTL32.DLL, ...). Loaded, it leaves a mark,
// <its own path>.loaded, from DllMain; its exports answer as a failing
// system library would, so that a program that binds them still starts.

#include <windows.h>

extern "C" {

__declspec(dllexport) ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, void*, void*, ULONG*) {
  return ERROR_NOT_SUPPORTED;
}
__declspec(dllexport) ULONG WINAPI GetAdaptersInfo(void*, ULONG*) { return ERROR_NOT_SUPPORTED; }
// What the system's own libraries import from the IP helper under Wine.
__declspec(dllexport) DWORD WINAPI GetIfEntry(void*) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) ULONG WINAPI GetIpAddrTable(void*, ULONG*, BOOL) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) ULONG WINAPI GetIpForwardTable(void*, ULONG*, BOOL) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) ULONG WINAPI ConvertInterfaceLuidToGuid(const void*, void*) {
  return ERROR_NOT_SUPPORTED;
}
__declspec(dllexport) ULONG WINAPI ConvertLengthToIpv4Mask(ULONG, ULONG*) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return FALSE; }
__declspec(dllexport) BOOL WINAPI SetWindowSubclass(HWND, void*, UINT_PTR, DWORD_PTR) { return FALSE; }
__declspec(dllexport) LRESULT WINAPI DefSubclassProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t mark[MAX_PATH + 16];
  const DWORD length = ::GetModuleFileNameW(self, mark, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  ::lstrcpyW(mark + length, L".loaded");
  const HANDLE file = ::CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  return TRUE;
}

}  // extern "C"
