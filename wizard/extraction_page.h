// The extraction page. Next checks the install folder the folder page left in
// the installation state and fixes it in the installation's choice; checks
// that no file the installation replaces is in use (a Retry/Cancel message
// names them) and that the drive has the space it needs; then disables every
// wizard button and starts the installation on a worker thread; the page
// stays while a progress bar and the status text "正在解压文件" show the work.
// The worker touches the page only by window messages and posts
// WM_EXTRACT_DONE when it has finished; the page then reports what failed or
// was kept, reads the installed client's settings, records the order
// software choice and moves the wizard on to the first settings page. An
// installation that did not complete has left the folder as it was: the
// page says so and stays, with its buttons back, for another try. The
// user-interface thread never waits for the worker, and the wizard cannot be
// closed while the worker runs.
#pragma once

#include "package/package_info.h"
#include "ui/property_sheet.h"
#include "wizard/installation_state.h"

namespace voz {

// Posted by the worker to the extraction page when the installation has ended.
inline constexpr UINT WM_EXTRACT_DONE = WM_USER + 2;

// The installation handed to the worker thread whole: the package it works
// from, and the installation state whose choice it installs and into which it
// writes the results before it posts WM_EXTRACT_DONE; the page reads them only
// after that message arrived.
struct ExtractionJob {
    const CPackageInfo* package = nullptr;
    InstallationState* installation = nullptr;
    HWND page = nullptr;         // receives WM_EXTRACT_DONE
    HWND progressBar = nullptr;  // shown while the worker runs
};

class CExtractionPage : public ui::PropertyPage {
public:
    explicit CExtractionPage(InstallationState& installation);

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    static DWORD WINAPI ExtractionThread(LPVOID job);
    // The checks before the installation; false, with the user told why, when it may not start.
    bool ReadyToInstall();
    void OnExtractDone();

    // The installation runs once per program run: set when the worker started,
    // cleared again when it did not complete.
    bool m_started = false;
    // True from the worker's start to the arrival of WM_EXTRACT_DONE.
    bool m_extracting = false;
    InstallationState& m_installation;
    ExtractionJob m_job;
};

}  // namespace voz
