#pragma once

#include <windows.h>

#include "CmdTarget.h"

// Wraps a window handle. A permanent wrapper is bound to its window (subclassed, found
// again by FromHandle) until the window is destroyed; for any other window FromHandle
// hands out a temporary wrapper that lives until the outermost message dispatch returns.
class CWnd : public CCmdTarget
{
public:
    CWnd();
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }

    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binds this object to an existing window and routes its messages through the map.
    BOOL SubclassWindow(HWND hWnd);

    CWnd* GetDlgItem(int nID) const;
    BOOL DestroyWindow();
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    void SetWindowText(LPCSTR lpszString);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    CWnd* SetFocus();
    CWnd* GetParent() const;
    HMENU GetSystemMenu(BOOL bRevert) const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

    // Help context base of the window, 0 when it has none (see CWinApp::OnHelp).
    virtual UINT GetHelpId() const { return 0; }

    HWND m_hWnd;

protected:
    // The window's own processing of the current message, done now.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Last message this object sees; unbinds it from the window.
    virtual void OnNcDestroy();

    afx_msg void OnPaint() { Default(); }
    afx_msg void OnSysCommand(UINT, LPARAM) { Default(); }
    afx_msg void OnActivate(UINT, CWnd*, BOOL) { Default(); }

    void Attach(HWND hWnd);
    HWND Detach();

    // Runs one message through WindowProc, turning an exception thrown by a handler into the
    // framework's error box: a framework exception's own text, any other the generic one.
    static LRESULT Dispatch(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ForgetMainWnd();

    struct CurrentMsg
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMsg m_currentMsg;
    BOOL m_bTemporary;

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
};
