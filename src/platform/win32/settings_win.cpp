// The per-user settings store: HKEY_CURRENT_USER\Software\<application>\<section>, text values.
#include <string>

#include "platform/win32/runtime_win.h"

namespace zelvaro::win32 {

namespace {

std::wstring keyPath(std::u16string_view application, std::u16string_view section) {
    return L"Software\\" + wide(application) + L"\\" + wide(section);
}

} // namespace

std::u16string Win32Runtime::getSetting(std::u16string_view application,
                                        std::u16string_view section, std::u16string_view key,
                                        std::u16string_view defaultValue) {
    const std::wstring path = keyPath(application, section);
    const std::wstring name = wide(key);
    // Anything but a text value (a number, binary data) reads as absent.
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS)
        return std::u16string(defaultValue);
    std::u16string value(bytes / sizeof(char16_t) + 1, u'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value.data(), &bytes) != ERROR_SUCCESS)
        return std::u16string(defaultValue);
    // The size counts the terminating NUL, which RegGetValueW guarantees; NULs inside stay, so
    // that such a value does not pass for a number.
    value.resize(bytes / sizeof(char16_t));
    if (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
}

void Win32Runtime::saveSetting(std::u16string_view application, std::u16string_view section,
                               std::u16string_view key, std::u16string_view value) {
    const std::wstring path = keyPath(application, section);
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &opened, nullptr) != ERROR_SUCCESS)
        return;
    const UniqueKey settings(opened);
    const std::wstring name = wide(key);
    const std::wstring text = wide(value);
    RegSetValueExW(settings.get(), name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

} // namespace zelvaro::win32
