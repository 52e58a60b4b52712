// The extraction page. Next takes the install folder and style from the
// earlier pages into the package record, disables every wizard button and
// starts the installation on a worker thread; the page stays while a progress
// bar and the status text "正在解压文件" show the work. The worker touches the
// page only by window messages and posts WM_EXTRACT_DONE when it has
// finished; the page then reports what failed, reads the installed client's
// settings, records the order software choice and moves the wizard on to the
// first settings page. The user-interface thread never waits for the worker,
// and the wizard cannot be closed while the worker runs.
#pragma once

#include <vector>

#include "package/extract_failure.h"
#include "package/package_info.h"
#include "ui/property_sheet.h"

namespace voz {

// Posted by the worker to the extraction page when the installation has ended.
inline constexpr UINT WM_EXTRACT_DONE = WM_USER + 2;

// Shared by the extraction page and the worker: the page's progress bar; the
// completion event, whose existence means the installation was started in
// this run; the package to install from.
extern HWND g_pProgress;
extern HANDLE g_hExtractEvent;
extern CPackageInfo* g_pExtractPackage;

class CProp3 : public ui::PropertyPage {
public:
    CProp3();

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    static DWORD WINAPI ExtractionThread(LPVOID page);
    void OnExtractDone();
    void CommitAfterExtraction(int orderSoftware);

    // True from the worker's start to the arrival of WM_EXTRACT_DONE.
    bool m_extracting = false;
    // What the installation could not do; written by the worker before it
    // posts WM_EXTRACT_DONE and read by the page only after that.
    std::vector<ExtractFailure> m_failures;
    // Packaged files written whole; counted by the worker like m_failures.
    int m_filesWritten = 0;
};

}  // namespace voz
