#include "app/DollApp.h"

#include "app/instance.h"
#include "doll/DollDlg.h"
#include "framework/Com.h"
#include "framework/File.h"

CDollApp theApp;

// The process lives exactly as long as the doll window's modal run. A second
// start in the same folder only wakes the running doll and leaves its files;
// one that comes while that doll is ending starts once it has ended. The
// shell may hand a launch to handlers through COM: the window thread is a
// single-threaded apartment from the start to the end.
BOOL CDollApp::InitInstance()
{
    CInstanceLock lock(ProgramDir());
    if (!lock.Take(HUNG_PROGRAM_MS))
        return FALSE;
    CComApartment apartment;
    CDollDlg* pDlg = new CDollDlg(nullptr);
    m_pMainWnd = pDlg;
    pDlg->DoModal();
    m_pMainWnd = nullptr;
    delete pDlg;
    return FALSE;
}
