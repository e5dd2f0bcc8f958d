#include "Wnd.h"

#include <memory>
#include <vector>

#include "FileException.h"
#include "WaitCursor.h"
#include "WinThread.h"

namespace
{
// The wrapper bound to a window is kept in this window property.
const char kWndProp[] = "Orvalis.CWnd";

// Process-wide (the program's one window thread): the temporary wrappers FromHandle handed
// out during the outermost dispatch now running; they are deleted when it returns.
struct STemporaries
{
    std::vector<std::unique_ptr<CWnd>> wnds;
    int nDispatchDepth;
} g_temporaries;

// A report that fails in turn (no memory left for its text) is dropped, for the same reason.
void ReportHandlerError(const CException& e)
{
    try
    {
        e.ReportError(MB_ICONSTOP);
    }
    catch (...)
    {
    }
}
}

CWnd::CWnd() : m_hWnd(NULL), m_pfnSuper(NULL), m_currentMsg(), m_bTemporary(FALSE)
{
}

CWnd::~CWnd()
{
    ForgetMainWnd();
    if (m_hWnd != NULL && !m_bTemporary)
    {
        // Never leave a window routing messages to a dead object.
        if (FromHandlePermanent(m_hWnd) == this)
        {
            if (m_pfnSuper != NULL)
                SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
            RemovePropA(m_hWnd, kWndProp);
        }
        m_hWnd = NULL;
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd != NULL ? static_cast<CWnd*>(GetPropA(hWnd, kWndProp)) : NULL;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == NULL)
        return NULL;
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd != NULL)
        return pWnd;
    for (const std::unique_ptr<CWnd>& pTemp : g_temporaries.wnds)
        if (pTemp->m_hWnd == hWnd)
            return pTemp.get();
    g_temporaries.wnds.emplace_back(new CWnd);
    pWnd = g_temporaries.wnds.back().get();
    pWnd->m_hWnd = hWnd;
    pWnd->m_bTemporary = TRUE;
    return pWnd;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    SetPropA(hWnd, kWndProp, this);
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != NULL)
        RemovePropA(hWnd, kWndProp);
    m_hWnd = NULL;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (hWnd == NULL || FromHandlePermanent(hWnd) != NULL)
        return FALSE;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd == NULL)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return Dispatch(pWnd, message, wParam, lParam);
}

LRESULT CWnd::Dispatch(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++g_temporaries.nDispatchDepth;
    CurrentMsg saved = pWnd->m_currentMsg;
    pWnd->m_currentMsg = CurrentMsg{ message, wParam, lParam };
    LRESULT lResult = 0;
    try
    {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    }
    catch (CException* e)
    {
        ReportHandlerError(*e);
        e->Delete();
    }
    // Nothing may unwind into the system's code that called us (a container's bad_alloc):
    // the handler is abandoned with the framework's generic error, and the window goes on.
    catch (...)
    {
        ReportHandlerError(CFileException(CFileException::generic));
    }
    // The object is gone from the window after WM_NCDESTROY but is still alive here.
    pWnd->m_currentMsg = saved;
    if (--g_temporaries.nDispatchDepth == 0)
        g_temporaries.wnds.clear();
    return lResult;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
    {
        LRESULT lResult = DefWindowProc(message, wParam, lParam);
        OnNcDestroy();
        return lResult;
    }
    if (message == WM_COMMAND)
    {
        if (OnCommand(wParam, lParam))
            return 0;
        return DefWindowProc(message, wParam, lParam);
    }
    if (message == WM_SETCURSOR && CWaitCursor::IsWaiting())
    {
        CWaitCursor::Show();
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(message, 0, 0);
    if (pEntry != NULL)
        return pEntry->pfn(this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

// A top-level window passes the commands it does not handle on to the application.
BOOL CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/)
{
    if (OnCmdMsg(LOWORD(wParam), HIWORD(wParam)))
        return TRUE;
    CWinThread* pThread = AfxGetThread();
    if (pThread == NULL || (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD))
        return FALSE;
    return pThread->OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

// The application never names a window that is gone as its main window.
void CWnd::ForgetMainWnd()
{
    CWinThread* pThread = AfxGetThread();
    if (pThread != NULL && pThread->m_pMainWnd == this)
        pThread->m_pMainWnd = NULL;
}

void CWnd::OnNcDestroy()
{
    ForgetMainWnd();
    if (m_pfnSuper != NULL)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = NULL;
    Detach();
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != NULL)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd != NULL && ::DestroyWindow(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    ::SetWindowTextA(m_hWnd, lpszString);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

HMENU CWnd::GetSystemMenu(BOOL bRevert) const
{
    return ::GetSystemMenu(m_hWnd, bRevert);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(dwNewStyle));
    if (nFlags != 0)
        SetWindowPos(m_hWnd, NULL, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}
