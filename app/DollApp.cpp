#include "app/DollApp.h"

#include "doll/DollDlg.h"

CDollApp theApp;

// The process lives exactly as long as the doll window's modal run.
BOOL CDollApp::InitInstance()
{
    CDollDlg* pDlg = new CDollDlg(nullptr);
    m_pMainWnd = pDlg;
    pDlg->DoModal();
    m_pMainWnd = nullptr;
    delete pDlg;
    return FALSE;
}
