#include "app/Ostrela.h"

#include "tasks/OstrelaDlg.h"

COstrelaApp theApp;

COstrelaDlg* AfxGetMainDlg() {
    return theApp.m_pMainWnd;
}

bool COstrelaApp::InitInstance() {
    {
        COstrelaDlg dlg;
        m_pMainWnd = &dlg;
        dlg.exec();
        m_pMainWnd = nullptr;
    }
    return false;
}

int COstrelaApp::ExitInstance() {
    return 0;
}
