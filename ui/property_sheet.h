// Wizards: a property sheet of the common controls in wizard mode, showing
// property pages built from dialog templates one at a time with Back, Next
// and Finish buttons.
#pragma once

#include "ui/window.h"

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace voz::ui {

class PropertySheet;

// What a page's Next or Back handler returns to keep the wizard on the page.
inline constexpr LRESULT kStayOnPage = -1;
// The result of a wizard that ended with Finish (the Finish button's id).
inline constexpr INT_PTR kWizardFinished = 0x3025;

class PropertyPage : public Window {
public:
    explicit PropertyPage(int templateId) : m_templateId(templateId) {}
    virtual ~PropertyPage() = default;

    // The sheet that shows the page; set when the sheet runs.
    PropertySheet* Sheet() const { return m_sheet; }

protected:
    // Initialisation, when the page is first shown; true lets the system give
    // the focus to the first control.
    virtual bool OnInitDialog() { return true; }
    // The page has become the current page.
    virtual void OnSetActive() {}
    // Next and Back: 0 goes on to the neighbouring page, kStayOnPage stays.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // Finish: true lets the wizard end.
    virtual bool OnWizardFinish() { return true; }
    // The wizard is being closed (close box, Esc, Alt+F4): true lets it end.
    virtual bool OnQueryCancel() { return true; }
    // Any other message. True when handled, with the dialog procedure's
    // result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    // Moves values between the page's controls and its fields: into the
    // fields when `save` is true, into the controls otherwise. The controls
    // show the fields when the page is created and at every later
    // activation; the fields take the controls' values whenever the page
    // stops being the current page. False refuses to leave the page.
    virtual bool DoDataExchange(bool save) {
        (void)save;
        return true;
    }
    // Data exchange of a check box (0 or 1) and of a drop-down list (index of
    // the selected item, -1 for none).
    void ExchangeCheck(bool save, int id, int32_t& field);
    void ExchangeList(bool save, int id, int32_t& field);

private:
    friend class PropertySheet;
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Fills the drop-down lists from the template's initial data.
    void FillListsFromTemplate();

    int m_templateId;
    PropertySheet* m_sheet = nullptr;
    bool m_activatedBefore = false;
};

class PropertySheet : public Window {
public:
    // The caption is GBK; the sheet may replace it when it is initialised.
    explicit PropertySheet(std::string_view caption) : m_caption(Wide(caption)) {}
    virtual ~PropertySheet() = default;

    // Appends a page to the page list; the list is fixed once the sheet runs.
    void AddPage(PropertyPage& page) { m_pages.push_back(&page); }

    // Runs the wizard modally from its first page. kWizardFinished when it
    // ended with Finish, IDCANCEL when it was closed.
    INT_PTR DoModal(HWND parent);

    // Enables exactly the wizard buttons in the mask (PSWIZB_BACK, PSWIZB_NEXT,
    // PSWIZB_FINISH, combined; 0 for none). Posted, so it takes effect once the
    // current handler has returned.
    void SetWizardButtons(DWORD mask);
    // Shows the page; false, changing nothing, when it is not in the page list.
    bool SetActivePage(const PropertyPage& page);
    // Sets the caption (GBK). It stays for every page: the system would
    // otherwise replace it with the title of each page it shows.
    void SetCaption(std::string_view gbk);
    // The page's position in the page list, or -1.
    int PageIndex(const PropertyPage& page) const;

protected:
    // After the system's own initialisation of the sheet window.
    virtual void OnInitDialog() {}
    // Any message to the sheet window. True when handled, with the window
    // procedure's result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    friend class PropertyPage;
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);

    std::wstring m_caption;
    std::vector<PropertyPage*> m_pages;
    WNDPROC m_systemProc = nullptr;
    bool m_finished = false;
};

}  // namespace voz::ui
