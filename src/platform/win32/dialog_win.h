// A modal dialog built from a layout table: buttons, labels, links, a read-only text box and
// pictures, with the mouse and keyboard behaviour of a classic dialog box.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/runtime.h"

namespace zelvaro::win32 {

class Win32Runtime;

class Win32Dialog final : public platform::DialogWindow {
  public:
    // Nothing on failure, after telling the user.
    static std::unique_ptr<Win32Dialog> create(Win32Runtime& runtime,
                                               const platform::DialogLayout& layout,
                                               platform::DialogEvents& events, HWND owner);
    Win32Dialog(const Win32Dialog&) = delete;
    Win32Dialog& operator=(const Win32Dialog&) = delete;
    ~Win32Dialog() override;

    HWND handle() const { return window_; }

    void setCaption(std::u16string_view caption) override;
    void setText(int control, std::u16string_view text) override;
    void setForeColour(int control, platform::Colour colour) override;
    void setPicture(int control, platform::Picture picture) override;
    void moveTo(int control, double leftTwips, double topTwips) override;
    void showModal() override;
    void bringForward() override;
    void openWithShell(std::u16string_view address) override;
    void close() override;

  private:
    struct Control {
        const platform::ControlLayout* layout;
        HWND window;
        platform::Colour foreColour;
        platform::Picture picture;
    };
    struct GdiDeleter {
        void operator()(HGDIOBJ object) const { DeleteObject(object); }
    };
    using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
    using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

    Win32Dialog(Win32Runtime& runtime, platform::DialogEvents& events, HWND owner);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    bool build(const platform::DialogLayout& layout);
    void createControl(const platform::ControlLayout& layout);
    int pixels(double twips) const;
    int designPixels(int pixelsAt96Dpi) const;
    int controlAt(HWND window) const;
    Control* find(int control);
    void sizeToText(Control& control);
    // Mouse input on the box and its controls, seen before the controls handle it.
    void preview(const MSG& message);
    void drawPicture(const DRAWITEMSTRUCT& item) noexcept;
    LRESULT controlColours(HDC dc, HWND control) noexcept;
    void restoreOwner();

    Win32Runtime& runtime_;
    platform::DialogEvents& events_;
    HWND owner_;
    HWND window_ = nullptr;
    double twipsPerPixel_ = platform::kDefaultTwipsPerPixel;
    std::map<int, Control> controls_;
    UniqueFont font_, linkFont_;
    UniqueIcon icon_;
    UniqueBitmap donationFrench_, donationEnglish_;
    HCURSOR hand_ = nullptr;
    int pressed_ = platform::kDialogItself - 1; // no control
    bool ownerDisabled_ = false;
};

} // namespace zelvaro::win32
