// The common shape of the wizard's pages: a dialog made from a template of
// the language library, white control backgrounds, the background picture,
// the title string and texts from the library's string table. The static
// dialog procedure routes messages to virtual handlers and lets nothing
// thrown escape into the system's message loop.
#pragma once

#include "GdiHandles.h"
#include "KIVDevice.h"
#include "PageHost.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class WizardContext;

class WizardPage {
public:
    WizardPage(uint16_t templateId, WizardContext* context, HMODULE resources);
    virtual ~WizardPage();
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // Shows the page modally: PageConfirm, PageSecond, PageClosed, or
    // PageNotCreated when the template is missing.
    int32_t runModal(HWND owner = nullptr);
    // Creates and shows the page without a modal loop of its own; the page
    // destroys its window when it ends. Null when it cannot be created.
    HWND createModeless(HWND owner = nullptr);
    // Ends a modeless page from outside (its window is destroyed).
    void destroyModeless();

    HWND window() const { return hwnd_; }
    // The result a page ended with; 0 while it is open.
    int32_t result() const { return result_; }

    static std::wstring loadText(HMODULE resources, uint32_t id);

protected:
    // WM_INITDIALOG, once the page has its title, background and reading
    // direction.
    virtual void onInitDialog() = 0;
    // Buttons and controls other than 1 and 2.
    virtual void onCommand(int id, int code);
    virtual void onNotify(const NMHDR& header);
    virtual void onTimer(UINT_PTR id);
    // Button 1 and the Enter key.
    virtual void onOK();
    // Button 2 and the Escape key: nothing, unless the page says otherwise.
    virtual void onCancel();
    // The close box and the system close command.
    virtual void onClose();
    // Windows asks whether it may end the session (shut down, restart, log
    // off): true lets it, which is what a page says unless it holds work that
    // an ended session would cut short.
    virtual bool onQueryEndSession();

    void endPage(int32_t result);

    std::wstring text(uint32_t id) const { return loadText(resources_, id); }
    void setText(int control, const std::wstring& value);
    void setString(int control, uint32_t id);
    // A page's fixed texts, each control with its string.
    struct ControlText {
        int control;
        uint32_t id;
    };
    void setStrings(std::initializer_list<ControlText> texts);
    // A heading: the control's text, in its font at weight 700, optionally
    // 1.5 times as high.
    void setHeading(int control, uint32_t id, bool taller);
    void setHeading(int control, const std::wstring& value, bool taller);
    HWND item(int control) const;
    // A copy of the options' device at the context's currentIndex; an empty
    // record when there is none.
    KIVDevice currentDevice() const;
    void showItem(int control, bool visible);
    void enableItem(int control, bool enabled);

    WizardContext* context_;
    HMODULE resources_;

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void eraseBackground(HDC dc);
    void initCommon();
    void readRightToLeft();
    void makeHeading(int control, bool taller);

    uint16_t templateId_;
    HWND hwnd_;
    bool modal_;
    int32_t result_;
    ScopedBrush brush_;
    ScopedBitmap background_;
    int32_t width_;
    int32_t height_;
    std::vector<ScopedFont> fonts_;
};
