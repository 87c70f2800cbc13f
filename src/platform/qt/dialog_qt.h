// A modal dialog built from a layout table, with the mouse and keyboard behaviour of a classic
// dialog box: default and cancel button, links that react to the pointer, pictures.
#pragma once

#include <QDialog>

#include <map>

#include "platform/runtime.h"

namespace zelvaro::qt {

class QtFrameWindow;

class QtDialog final : public QDialog, public platform::DialogWindow {
  public:
    QtDialog(const platform::DialogLayout& layout, platform::DialogEvents& events,
             QtFrameWindow& owner);

    void setCaption(std::u16string_view caption) override;
    void setText(int control, std::u16string_view text) override;
    void setForeColour(int control, platform::Colour colour) override;
    void setPicture(int control, platform::Picture picture) override;
    void moveTo(int control, double leftTwips, double topTwips) override;
    void showModal() override;
    void bringForward() override;
    void openWithShell(std::u16string_view address) override;
    void close() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    struct Control {
        const platform::ControlLayout* layout;
        QWidget* widget;
    };
    void createControl(const platform::ControlLayout& layout);
    int controlOf(QObject* object) const;
    QWidget* widget(int control) const;
    int pixels(double twips) const;
    QPixmap picture(platform::Picture picture) const;

    platform::DialogEvents& events_;
    std::map<int, Control> controls_;
    double twipsPerPixel_;
    int pressed_ = platform::kDialogItself - 1; // no control
    bool closed_ = false;
};

} // namespace zelvaro::qt
