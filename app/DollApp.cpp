#include "app/DollApp.h"

#include "app/instance.h"
#include "doll/DollDlg.h"
#include "framework/File.h"

CDollApp theApp;

// The process lives exactly as long as the doll window's modal run. A second
// start in the same folder only wakes the running doll and leaves its files.
BOOL CDollApp::InitInstance()
{
    CInstanceLock lock(ProgramDir());
    if (!lock.IsFirst()) {
        lock.WakeRunningDoll();
        return FALSE;
    }
    CDollDlg* pDlg = new CDollDlg(nullptr);
    m_pMainWnd = pDlg;
    pDlg->DoModal();
    m_pMainWnd = nullptr;
    delete pDlg;
    return FALSE;
}
